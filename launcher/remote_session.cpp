// Whether the show runs in a Remote Desktop session.
#include "screen.h"
#include "dll_search.h"

// advapi32.dll's registry calls, looked up at run time so that the program
// imports only the libraries every Windows has loaded for it.
typedef LONG(WINAPI* RegOpenKeyExProc)(HKEY, LPCSTR, DWORD, REGSAM, HKEY*);
typedef LONG(WINAPI* RegQueryValueExProc)(HKEY, LPCSTR, DWORD*, DWORD*, BYTE*, DWORD*);
typedef LONG(WINAPI* RegCloseKeyProc)(HKEY);

static const char kTerminalServerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Terminal Server";

// The session the physical console's desktop is shown in, where Windows
// says it; false where it does not (no such value: a system without the
// remote graphics that need it).
static bool ReadGlassSession(DWORD* session)
{
    HMODULE advapi = LoadSystemLibrary("advapi32.dll");
    if (advapi == nullptr)
        return false;
    RegOpenKeyExProc openKey = (RegOpenKeyExProc)(void*)GetProcAddress(advapi, "RegOpenKeyExA");
    RegQueryValueExProc queryValue =
        (RegQueryValueExProc)(void*)GetProcAddress(advapi, "RegQueryValueExA");
    RegCloseKeyProc closeKey = (RegCloseKeyProc)(void*)GetProcAddress(advapi, "RegCloseKey");
    bool known = false;
    HKEY key;
    if (openKey != nullptr && queryValue != nullptr && closeKey != nullptr &&
        openKey(HKEY_LOCAL_MACHINE, kTerminalServerKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, size = sizeof *session;
        known = queryValue(key, "GlassSessionId", nullptr, &type, (BYTE*)session, &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD && size == sizeof *session;
        closeKey(key);
    }
    FreeLibrary(advapi);
    return known;
}

bool InRemoteSession()
{
    if (GetSystemMetrics(SM_REMOTESESSION) != 0)
        return true;
    // A remote session with RemoteFX's virtual graphics (Windows 8 and
    // Server 2012 on) is reported as local by the metric; it is the
    // console's session only if it is the one Windows names as such.
    DWORD glass, ours;
    return ReadGlassSession(&glass) && ProcessIdToSessionId(GetCurrentProcessId(), &ours) &&
           ours != glass;
}
