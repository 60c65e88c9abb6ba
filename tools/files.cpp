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

bool WriteBeside(const std::string& path, const std::vector<uint8_t>& bytes, std::string* temporary,
                 std::string* error)
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

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    std::string temporary;
    if (!WriteBeside(path, bytes, &temporary, error))
        return false;
    if (MoveIntoPlace(temporary, path, error))
        return true;
    RemoveFile(temporary);
    return false;
}
