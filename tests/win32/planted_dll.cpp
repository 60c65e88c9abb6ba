// A DLL that someone dropped beside the program, under a name the program
// (or Windows for it) loads by name later on.
#include <windows.h>

extern "C" __declspec(dllexport) int Planted()
{
    return 1;
}
