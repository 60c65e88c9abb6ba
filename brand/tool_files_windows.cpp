// The tool's files on Windows, through the wide Win32 calls alone: each
// name in its extended-length form, so that a vendor's folder may lie
// deeper than MAX_PATH characters, and a temporary name beside an output
// that just fits may pass it.
#include "tool_files.h"
#include "windows_paths.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <io.h>

namespace {

// A file handle, closed on every way out.
struct Handle {
    HANDLE h;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    explicit operator bool() const { return h != INVALID_HANDLE_VALUE; }
};

std::string LastError()
{
    const DWORD code = GetLastError();
    wchar_t text[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, 512, nullptr);
    std::string message = length > 0 ? Utf8(text, length) : "error " + std::to_string(code);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

DWORD Attributes(const std::string& path)
{
    return GetFileAttributesW(LongPath(path).c_str());
}

bool MakeFolder(const std::wstring& path, size_t rootLength)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_FILE_EXISTS);  // for the message, when a file holds the name
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    // CreateDirectoryW makes the last folder only.
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > rootLength &&
        !MakeFolder(path.substr(0, slash), rootLength))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

// How much of an extended-length path is its volume: "\\?\C:\" or
// "\\?\UNC\server\share\".
size_t RootLength(const std::wstring& path)
{
    const std::wstring unc = L"\\\\?\\UNC\\";
    if (!path.starts_with(unc))
        return path.find(L'\\', 4);
    const size_t share = path.find(L'\\', unc.size());
    return share == std::wstring::npos ? path.size() : path.find(L'\\', share + 1);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    const Handle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        *error = "cannot open " + path + ": " + LastError();
        return false;
    }
    uint8_t chunk[65536];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.h, chunk, sizeof chunk, &got, nullptr)) {
            *error = "cannot read " + path + ": " + LastError();
            return false;
        }
        if (got == 0)
            return true;
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    bool written = false;
    {
        const Handle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            *error = "cannot write " + path + ": " + LastError();
            return false;
        }
        size_t at = 0;
        DWORD put = 0;
        while (at < bytes.size() &&
               WriteFile(file.h, bytes.data() + at,
                         DWORD(std::min<size_t>(bytes.size() - at, 1 << 20)), &put, nullptr) &&
               put > 0)
            at += put;
        written = at == bytes.size();
        if (!written)
            *error = "cannot write " + path + ": " + LastError();
    }
    if (!written)
        RemoveFile(path);
    return written;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error)
{
    if (MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    *error = "cannot move " + from + " to " + to + ": " + LastError();
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string* error)
{
    // Without MOVEFILE_REPLACE_EXISTING the system refuses a name that is
    // taken. Windows lets a running program be renamed, though not
    // replaced or deleted.
    if (MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), 0))
        return true;
    *error = "cannot move " + from + " to " + to + ": " + LastError();
    return false;
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(LongPath(path).c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool NameTaken(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnly(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool MakeFolders(const std::string& path, std::string* error)
{
    if (path.empty())
        return true;
    std::wstring folder = LongPath(path);
    while (!folder.empty() && folder.back() == L'\\' && folder.size() > RootLength(folder) + 1)
        folder.pop_back();
    if (!folder.empty() && MakeFolder(folder, RootLength(folder)))
        return true;
    *error = "cannot make the folder " + path + ": " + LastError();
    return false;
}

bool SameFile(const std::string& a, const std::string& b)
{
    // Two names of one file, by a link or a share, give one volume and one
    // file index. A name that reaches no file is the same as another only
    // by its full path, in which Windows does not tell case apart.
    const auto open = [](const std::wstring& path) {
        return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    const std::wstring x = LongPath(a), y = LongPath(b);
    const Handle first(open(x)), second(open(y));
    BY_HANDLE_FILE_INFORMATION one, two;
    if (first && second && GetFileInformationByHandle(first.h, &one) &&
        GetFileInformationByHandle(second.h, &two))
        return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
               one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
    return !x.empty() && CompareStringOrdinal(x.data(), int(x.size()), y.data(), int(y.size()),
                                              TRUE) == CSTR_EQUAL;
}

std::string ToolFolder()
{
    wchar_t own[32768];
    const DWORD length = GetModuleFileNameW(nullptr, own, 32768);
    const std::string path = length > 0 && length < 32768 ? Utf8(own, length) : std::string();
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int RunCommand(const std::string& command)
{
    std::fflush(nullptr);
    // cmd.exe /c drops the first and last quote of a line that starts with
    // one: a further pair keeps the command as written.
    return _wsystem(Wide("\"" + command + "\"").c_str());
}

std::string QuotedForShell(const std::string& path)
{
    return "\"" + path + "\"";  // no Windows name holds a double quote
}

std::vector<std::string> CommandArguments(int, char**)
{
    // The ANSI argv would have turned what the code page cannot say into '?'.
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(Utf8(wide[i], wcslen(wide[i])));
    LocalFree(wide);
    return args;
}

void Print(std::FILE* stream, const std::string& utf8)
{
    // A console shows bytes through its output code page (850 or 437 on
    // many a Western machine, which garbles UTF-8): given UTF-16 through
    // WriteConsoleW it shows the characters. Anything else, a file or a
    // pipe, takes the UTF-8 bytes through the C runtime as before.
    std::fflush(stream);
    const HANDLE out = HANDLE(_get_osfhandle(_fileno(stream)));
    DWORD mode;
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) {
        std::fputs(utf8.c_str(), stream);
        std::fflush(stream);
        return;
    }
    const std::wstring text = Wide(utf8);
    // The console copies each call's text through a buffer of limited size:
    // write in pieces, never splitting a surrogate pair.
    constexpr size_t kPiece = 4096;
    for (size_t at = 0; at < text.size();) {
        size_t count = std::min(kPiece, text.size() - at);
        if (at + count < text.size() && IS_HIGH_SURROGATE(text[at + count - 1]))
            --count;
        DWORD written = 0;
        if (!WriteConsoleW(out, text.data() + at, DWORD(count), &written, nullptr) || written == 0)
            return;
        at += written;
    }
}
