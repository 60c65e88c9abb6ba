// The branding tool's names as the wide Win32 file calls take them. The
// tool speaks UTF-8; Windows' file names are UTF-16, and past MAX_PATH
// characters only their extended-length form reaches the file system.
#pragma once

#include <string>

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide, size_t length);

// The extended-length form of a path: made absolute from the current
// folder, with backslashes and without "." and "..", then "\\?\" before a
// drive's path and "\\?\UNC\" in place of a share's leading "\\". A path
// already in that form, or a device's, is taken as it stands. Empty when
// the system cannot make the path absolute (GetLastError says why).
std::wstring LongPath(const std::string& utf8);
