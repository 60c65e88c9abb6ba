// The small parts this program plays for another process, the starting of
// those processes, their memory readings and the clock comparison.
#include "frame_bench.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

// ---------------------------------------------------------------- processes

std::string ModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FileName(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : path;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Start(const std::string& program, const std::string& arguments, const char* folder,
           PROCESS_INFORMATION* pi)
{
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder, &si, pi) != 0;
}

void ReadMemory(HANDLE process, Memory* m)
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    if (!K32GetProcessMemoryInfo(process, &c, sizeof c))
        return;
    ++m->readings;
    m->filled = m->filled || c.PeakWorkingSetSize != 0 || c.PagefileUsage != 0;
    m->peakWorkingSet = std::max(m->peakWorkingSet, c.PeakWorkingSetSize);
    m->pagefile = std::max(m->pagefile, c.PagefileUsage);
    m->current = c.PagefileUsage;
    m->peakPagefileIsCurrent = m->peakPagefileIsCurrent && c.PeakPagefileUsage == c.PagefileUsage;
}

namespace {

// The other side of the clock comparison: stamps its start, then answers
// each ping with a reading of its own clock.
struct ClockShared {
    int64_t start;
    int64_t stamps[kClockRounds];
};

}  // namespace

int RunClockPartner(const char* name)
{
    const int64_t start = Now();
    const std::string base = name;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, (base + "-map").c_str());
    HANDLE ping = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, (base + "-ping").c_str());
    HANDLE pong = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, (base + "-pong").c_str());
    if (!mapping || !ping || !pong)
        return 2;
    auto* shared = static_cast<ClockShared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (!shared)
        return 2;
    shared->start = start;
    // Ready: the readings below are then answers to pings alone.
    SetEvent(pong);
    for (int i = 0; i < kClockRounds; ++i) {
        if (WaitForSingleObject(ping, 5000) != WAIT_OBJECT_0)
            return 3;
        shared->stamps[i] = Now();
        SetEvent(pong);
    }
    UnmapViewOfFile(shared);
    return 0;
}

ClockCheck CompareClocks(const std::string& self)
{
    ClockCheck check;
    char name[64];
    std::snprintf(name, sizeof name, "OrvelineFrameBenchClock%lu",
                  (unsigned long)GetCurrentProcessId());
    const std::string base = name;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(ClockShared), (base + "-map").c_str());
    HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, (base + "-ping").c_str());
    HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, (base + "-pong").c_str());
    auto* shared = mapping
                       ? static_cast<ClockShared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))
                       : nullptr;
    PROCESS_INFORMATION pi = {};
    const int64_t created = Now();
    if (shared && ping && pong && Start(self, "--clock " + base, nullptr, &pi)) {
        int64_t before[kClockRounds], after[kClockRounds];
        bool answered = WaitForSingleObject(pong, 10000) == WAIT_OBJECT_0;
        for (int i = 0; i < kClockRounds && answered; ++i) {
            Sleep(2);
            before[i] = Now();
            SetEvent(ping);
            answered = WaitForSingleObject(pong, 10000) == WAIT_OBJECT_0;
            after[i] = Now();
        }
        WaitForSingleObject(pi.hProcess, 10000);
        if (answered) {
            check.ran = true;
            check.startLatency = Ms(shared->start - created);
            for (int i = 0; i < kClockRounds; ++i) {
                check.inside += shared->stamps[i] >= before[i] && shared->stamps[i] <= after[i];
                check.widestBracket = std::max(check.widestBracket, Ms(after[i] - before[i]));
            }
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (shared)
        UnmapViewOfFile(shared);
    for (HANDLE h : {mapping, ping, pong})
        if (h)
            CloseHandle(h);
    return check;
}

namespace {

// Writes clock readings to a file under another name first, then renames
// it, so that the reader never finds half of it.
int WriteStamps(const char* file, const std::vector<int64_t>& stamps)
{
    const std::string part = std::string(file) + ".part";
    FILE* f = std::fopen(part.c_str(), "w");
    if (!f)
        return 2;
    for (int64_t stamp : stamps)
        std::fprintf(f, "%lld\n", (long long)stamp);
    std::fclose(f);
    return MoveFileExA(part.c_str(), file, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}

}  // namespace

bool ReadStamps(const std::string& file, std::vector<int64_t>* stamps, size_t count)
{
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f)
        return false;
    stamps->clear();
    long long value = 0;
    while (stamps->size() < count && std::fscanf(f, "%lld", &value) == 1)
        stamps->push_back(value);
    std::fclose(f);
    return stamps->size() == count;
}

namespace {

std::string TempFile(const char* what)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    char name[96];
    std::snprintf(name, sizeof name, "orveline-frame-bench-%lu-%s",
                  (unsigned long)GetCurrentProcessId(), what);
    return std::string(folder) + name;
}

}  // namespace

// The next program of the show: notes when it got to run, and leaves.
int RunHandoff(const char* file)
{
    return WriteStamps(file, {Now()});
}

// A Wine process that opens the screen and shows a one-pixel window, and
// does nothing else: what any such process costs, in time to start and in
// memory, to set against the launcher's figures.
int RunIdle(const char* file)
{
    const int64_t entry = Now();
    HDC screen = GetDC(nullptr);  // loads Wine's X driver
    const int64_t display = Now();
    HWND hwnd = CreateWindowExA(0, "STATIC", "idle", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    PumpMessages();
    Sleep(700);
    if (hwnd)
        DestroyWindow(hwnd);
    ReleaseDC(nullptr, screen);
    return WriteStamps(file, {entry, display});
}

Bare MeasureBare(const std::string& self)
{
    Bare bare;
    const std::string file = TempFile("idle.txt");
    DeleteFileA(file.c_str());
    PROCESS_INFORMATION pi = {};
    const int64_t t0 = Now();
    if (!Start(self, "--idle \"" + file + "\"", nullptr, &pi))
        return bare;
    while (WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT)
        ReadMemory(pi.hProcess, &bare.memory);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::vector<int64_t> stamps;
    if (ReadStamps(file, &stamps, 2)) {
        bare.timed = true;
        bare.firstLine = Ms(stamps[0] - t0);
        bare.display = Ms(stamps[1] - t0);
    }
    DeleteFileA(file.c_str());
    return bare;
}
