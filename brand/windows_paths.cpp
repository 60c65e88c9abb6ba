#include "windows_paths.h"

#include <windows.h>

std::wstring Wide(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), units);
    return wide;
}

std::string Utf8(const wchar_t* wide, size_t length)
{
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, int(length), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring LongPath(const std::string& utf8)
{
    const std::wstring path = Wide(utf8);
    // The file system gets such a name as it stands: no slash is turned
    // round and no "." or ".." resolved, so it is left to whoever wrote it.
    if (path.starts_with(L"\\\\?\\"))
        return path;
    // GetFullPathNameW itself is not held to MAX_PATH: only the calls that
    // open files are, unless they get the extended form.
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return {};
    full.resize(length);
    if (full.starts_with(L"\\\\.\\") || full.starts_with(L"\\\\?\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
