// Turns Windows' "animation effects" on or off for the user, as the
// settings would: "set_animation off" or "set_animation on". Exit code 0
// when the setting reads back as set, 2 when the system keeps another
// value, 1 on a wrong command line.
#include <windows.h>

#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const bool on = strcmp(commandLine, "on") == 0;
    if (!on && strcmp(commandLine, "off") != 0)
        return 1;
    // The value is the pointer argument itself, not something it points to.
    if (!SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, (PVOID)(INT_PTR)(on ? TRUE : FALSE),
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE))
        return 2;
    BOOL now = !on;
    if (!SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &now, 0))
        return 2;
    return (now != FALSE) == on ? 0 : 2;
}
