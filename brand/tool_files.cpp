#include "tool_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), units);
    return wide;
}

std::string Utf8(const wchar_t* wide, size_t length)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, int(length), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

FILE* Open(const std::string& path, const wchar_t* mode)
{
    return _wfopen(Wide(path).c_str(), mode);
}

std::string LastError()
{
    wchar_t text[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        GetLastError(), 0, text, 512, nullptr);
    std::string message = Utf8(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}
#else
FILE* Open(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}
#endif

std::string Reason()
{
    return std::strerror(errno);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
#ifdef _WIN32
    FILE* file = Open(path, L"rb");
#else
    FILE* file = Open(path, "rb");
#endif
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
#ifdef _WIN32
    FILE* file = Open(path, L"wb");
#else
    FILE* file = Open(path, "wb");
#endif
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
#ifdef _WIN32
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = "cannot move " + from + " to " + to + ": " + LastError();
#else
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    *error = "cannot move " + from + " to " + to + ": " + Reason();
#endif
    return false;
}

void RemoveFile(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove(PathOf(path), ignored);
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
#ifdef _WIN32
    // Windows' file names do not tell case apart.
    return _wcsicmp(x.c_str(), y.c_str()) == 0;
#else
    return x == y;
#endif
}

std::string ToolFolder()
{
#ifdef _WIN32
    wchar_t own[32768];
    const DWORD length = GetModuleFileNameW(nullptr, own, 32768);
    const std::string path = length > 0 && length < 32768 ? Utf8(own, length) : std::string();
#else
    std::error_code ignored;
    const std::u8string own = std::filesystem::read_symlink("/proc/self/exe", ignored).u8string();
    const std::string path(own.begin(), own.end());
#endif
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int RunCommand(const std::string& command)
{
    std::fflush(nullptr);
#ifdef _WIN32
    // cmd.exe /c drops the first and last quote of a line that starts with
    // one: a further pair keeps the command as written.
    return _wsystem(Wide("\"" + command + "\"").c_str());
#else
    const int status = std::system(command.c_str());
    return status == -1 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string QuotedForShell(const std::string& path)
{
#ifdef _WIN32
    return "\"" + path + "\"";  // no Windows name holds a double quote
#else
    // Within double quotes sh would still expand $, ` and \: within single
    // quotes every character stands, a single quote closing, escaped and
    // reopening.
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

std::vector<std::string> CommandArguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    // The ANSI argv would have turned what the code page cannot say into '?'.
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(Utf8(wide[i], wcslen(wide[i])));
    LocalFree(wide);
    (void)argc;
#else
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
#endif
    return args;
}
