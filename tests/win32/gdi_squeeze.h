// Fills the GDI handle table so that a test can make the platform refuse
// the next objects it asks for.
#pragma once

#include <windows.h>

#include <vector>

// Fills the process's GDI handle table with regions, keeping `spare` of
// them free; the held regions are released at the end of the scope.
struct HandleSqueeze {
    std::vector<HRGN> held;
    explicit HandleSqueeze(size_t spare)
    {
        for (size_t i = 0; i < 1000000; ++i) {
            HRGN h = CreateRectRgn(0, 0, 1, 1);
            if (!h)
                break;
            held.push_back(h);
        }
        for (size_t i = 0; i < spare && !held.empty(); ++i) {
            DeleteObject(held.back());
            held.pop_back();
        }
    }
    ~HandleSqueeze()
    {
        for (HRGN h : held)
            DeleteObject(h);
    }
};
