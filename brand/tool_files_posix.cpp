// The tool's files on the build machine, where names are UTF-8 bytes
// already and std::filesystem does what the tool asks.
#include "tool_files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Reason()
{
    return std::strerror(errno);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + path + ": " + Reason();
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        *error = "cannot read " + path;
    return !failed;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot write " + path + ": " + Reason();
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        *error = "cannot write " + path + ": " + Reason();
        RemoveFile(path);
        return false;
    }
    return true;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    *error = "cannot move " + from + " to " + to + ": " + Reason();
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string* error)
{
    // rename() would replace whatever holds the name; the callers choose
    // names that nothing holds, and this refuses one taken since.
    if (NameTaken(to)) {
        *error = "cannot move " + from + " to " + to + ": the name is taken";
        return false;
    }
    return MoveIntoPlace(from, to, error);
}

bool RemoveFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

bool IsFolder(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_directory(PathOf(path), ignored);
}

bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(PathOf(path), ignored);
}

bool NameTaken(const std::string& path)
{
    struct stat facts;
    return lstat(path.c_str(), &facts) == 0;
}

bool IsReadOnly(const std::string& path)
{
    struct stat facts;
    return stat(path.c_str(), &facts) == 0 && (facts.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool MakeFolders(const std::string& path, std::string* error)
{
    std::error_code failure;
    if (path.empty() || IsFolder(path))
        return true;
    std::filesystem::create_directories(PathOf(path), failure);
    if (failure || !IsFolder(path)) {
        *error = "cannot make the folder " + path + (failure ? ": " + failure.message() : "");
        return false;
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code failure;
    if (std::filesystem::equivalent(PathOf(a), PathOf(b), failure) && !failure)
        return true;
    const std::filesystem::path x = std::filesystem::weakly_canonical(PathOf(a), failure);
    const std::filesystem::path y = std::filesystem::weakly_canonical(PathOf(b), failure);
    return x == y;
}

std::string ToolFolder()
{
    std::error_code ignored;
    const std::u8string own = std::filesystem::read_symlink("/proc/self/exe", ignored).u8string();
    const std::string path(own.begin(), own.end());
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int RunCommand(const std::string& command)
{
    std::fflush(nullptr);
    const int status = std::system(command.c_str());
    return status == -1 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string QuotedForShell(const std::string& path)
{
    // Within double quotes sh would still expand $, ` and \: within single
    // quotes every character stands, a single quote closing, escaped and
    // reopening.
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::string> CommandArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void Print(std::FILE* stream, const std::string& utf8)
{
    std::fputs(utf8.c_str(), stream);
}
