// Counts the device contexts the product code takes and gives back, by
// redirecting this program's own imports of the four calls involved. The
// product is linked statically into the test program, so its calls go
// through the same import table.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <initializer_list>

struct DcCounts {
    int getDc = 0, releaseDc = 0, createDc = 0, deleteDc = 0;
    int taken() const { return getDc + createDc; }
    bool balanced() const { return getDc == releaseDc && createDc == deleteDc; }
};

inline DcCounts g_dcCounts;

namespace dc_hooks {

inline decltype(&GetDC) realGetDc;
inline decltype(&ReleaseDC) realReleaseDc;
inline decltype(&CreateCompatibleDC) realCreateDc;
inline decltype(&DeleteDC) realDeleteDc;

inline HDC WINAPI CountGetDc(HWND h)
{
    ++g_dcCounts.getDc;
    return realGetDc(h);
}
inline int WINAPI CountReleaseDc(HWND h, HDC dc)
{
    ++g_dcCounts.releaseDc;
    return realReleaseDc(h, dc);
}
inline HDC WINAPI CountCreateDc(HDC dc)
{
    ++g_dcCounts.createDc;
    return realCreateDc(dc);
}
inline BOOL WINAPI CountDeleteDc(HDC dc)
{
    ++g_dcCounts.deleteDc;
    return realDeleteDc(dc);
}

// Swaps the import-table slot of one function for a replacement and returns
// the function it held; null when the program does not import it.
inline void* Redirect(const char* dll, const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return previous;
        }
    }
    return nullptr;
}

}  // namespace dc_hooks

// Puts a replacement into the import table and keeps the real function in
// real; real is null when the program does not import the function.
template <typename F>
void Hook(F& real, const char* dll, const char* name, F replacement)
{
    real = reinterpret_cast<F>(dc_hooks::Redirect(dll, name, reinterpret_cast<void*>(replacement)));
}

// One row of a table of redirections: the slot that keeps the real
// function, the import, and what stands in for it.
struct ImportHook {
    template <typename F>
    ImportHook(F& real, const char* dll, const char* name, F replacement)
        : install([&real, dll, name, replacement] {
              Hook(real, dll, name, replacement);
              return real != nullptr;
          })
    {
    }
    std::function<bool()> install;  // true when the program imports the function
};

// Installs every row of a table; true when all of them are imported. Once
// per table: a second redirection would keep the stand-in as the real
// function.
inline bool InstallImportHooks(std::initializer_list<ImportHook> hooks)
{
    bool all = true;
    for (const ImportHook& hook : hooks)
        all = hook.install() && all;
    return all;
}

// Installs the counters once; true when all four calls are counted.
inline bool CountDeviceContexts()
{
    using namespace dc_hooks;
    if (realGetDc == nullptr) {
        realGetDc = reinterpret_cast<decltype(realGetDc)>(
            Redirect("user32.dll", "GetDC", reinterpret_cast<void*>(&CountGetDc)));
        realReleaseDc = reinterpret_cast<decltype(realReleaseDc)>(
            Redirect("user32.dll", "ReleaseDC", reinterpret_cast<void*>(&CountReleaseDc)));
        realCreateDc = reinterpret_cast<decltype(realCreateDc)>(
            Redirect("gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&CountCreateDc)));
        realDeleteDc = reinterpret_cast<decltype(realDeleteDc)>(
            Redirect("gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&CountDeleteDc)));
    }
    return realGetDc && realReleaseDc && realCreateDc && realDeleteDc;
}
