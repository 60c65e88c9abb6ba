#include "files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

bool Fail(std::string* error, std::string text)
{
    *error = std::move(text);
    return false;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

bool WriteBeside(const std::string& path, const std::vector<uint8_t>& bytes,
                 std::string* temporary, std::string* error)
{
    const std::string name = path + "." + std::to_string(getpid()) + ".part";
    FILE* file = std::fopen(name.c_str(), "wbx");
    if (file == nullptr)
        return Fail(error, "cannot create " + name + ": " + std::strerror(errno));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int fault = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        fault = errno;
    }
    if (!ok) {
        std::remove(name.c_str());
        return Fail(error, "cannot write " + path + ": " + std::strerror(fault));
    }
    *temporary = name;
    return true;
}

bool MoveIntoPlace(const std::string& temporary, const std::string& path, std::string* error)
{
    if (std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    const int fault = errno;
    std::remove(temporary.c_str());
    return Fail(error, "cannot replace " + path + ": " + std::strerror(fault));
}

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    std::string temporary;
    return WriteBeside(path, bytes, &temporary, error) && MoveIntoPlace(temporary, path, error);
}
