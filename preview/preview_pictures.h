// The pictures the launcher shows, by the names it loads them by and the
// bitmap files that stand for them on the build machine.
#pragma once

#include <cstdint>
#include <string>

// The launcher's two pictures: the name it loads and the file shipped for it.
struct ShowPicture {
    const char* name;
    std::string file;
};
inline const ShowPicture kSmallPicture{"Tal800", "tal800.bmp"};
inline const ShowPicture kLargePicture{"Tal1280", "tal1280.bmp"};
// The one the launcher loads on a screen this wide at 100 %.
ShowPicture PictureForScreen(int32_t screenWidth);
// The large picture at one of the scales of show.h's kShowScaleTable, which
// a vendor's build may hold, in the bitmap file the table names for it:
// "Tal1280x125" in tal1280x125.bmp and so on; the large picture itself for
// any other scale.
ShowPicture ScaledPicture(int32_t percent);
