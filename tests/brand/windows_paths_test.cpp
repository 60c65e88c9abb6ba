// The extended-length form the tool's Windows file calls get, under Wine:
// the system resolves the name, and the prefix fits its kind.
#include "windows_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring CurrentFolder()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(DWORD(folder.size()), folder.data()));
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

TEST(WindowsPaths, GiveEachKindOfNameItsExtendedForm)
{
    std::string deep;
    for (int i = 0; i < 30; ++i)
        deep += "folder" + std::to_string(i % 10) + "/";  // 240 characters
    deep += "setup-splash64.exe.part";
    std::wstring deepBackslashed;
    for (char c : deep)
        deepBackslashed += c == '/' ? L'\\' : wchar_t(c);
    const struct {
        std::string path;
        std::wstring form;
    } rows[] = {
        {"C:\\dist\\setup.exe", L"\\\\?\\C:\\dist\\setup.exe"},
        {"C:/dist/./old/../setup.exe", L"\\\\?\\C:\\dist\\setup.exe"},
        {"\\\\server\\share\\dist\\setup.exe", L"\\\\?\\UNC\\server\\share\\dist\\setup.exe"},
        {"//server/share/setup.exe", L"\\\\?\\UNC\\server\\share\\setup.exe"},
        {"\\\\?\\C:\\as/written", L"\\\\?\\C:\\as/written"},
        {"\\\\.\\pipe\\brand", L"\\\\.\\pipe\\brand"},
        {"setup.exe", L"\\\\?\\" + CurrentFolder() + L"setup.exe"},
        {"Gr\xC3\xB6\xC3\x9F\x65/\xE7\x94\xBB\xE5\x83\x8F.png",
         L"\\\\?\\" + CurrentFolder() + L"Gr\u00F6\u00DFe\\\u753B\u50CF.png"},
        // Past MAX_PATH only with the current folder in front.
        {deep, L"\\\\?\\" + CurrentFolder() + deepBackslashed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_TRUE(LongPath(row.path) == row.form)
            << Utf8(LongPath(row.path).data(), LongPath(row.path).size());
    }
}

}  // namespace
