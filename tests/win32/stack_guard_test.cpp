// The stack protector's guard of the shipped programs' entry point: seeded
// anew in every process, never the value the program was built with, and
// with a zero low byte. Runs of a program that starts the same way, one
// right after the other, as a clock-only seed would repeat itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string RunProbe(const std::string& probe, const std::string& record)
{
    std::string line = "\"" + probe + "\" " + record;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return "(not started)";
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    char text[32] = {};
    DWORD read = 0;
    HANDLE file = CreateFileA(record.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
    }
    DeleteFileA(record.c_str());
    return text;
}

TEST(StackGuard, EachProcessSeedsItsOwn)
{
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string record =
        std::string(temp) + "orveline-guard-" + std::to_string(GetCurrentProcessId());
    std::vector<std::string> guards;
    for (int run = 0; run < 4; ++run)
        guards.push_back(RunProbe(ORVELINE_GUARD_PROBE, record));
    const std::string built = sizeof(uintptr_t) == 8 ? "00002b992ddfa232" : "2ddfa232";
    for (size_t i = 0; i < guards.size(); ++i) {
        const std::string& guard = guards[i];
        ASSERT_EQ(guard.size(), 2 * sizeof(uintptr_t)) << guard;
        EXPECT_NE(guard, built) << "the guard was never seeded";
        EXPECT_EQ(guard.substr(guard.size() - 2), "00") << "a string copy could reproduce it";
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(guard, guards[j]) << "runs " << j << " and " << i << " share one guard";
    }
}

}  // namespace
