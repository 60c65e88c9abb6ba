// Which picture the launcher loads, as the show's own choice (show.h) has it.
#include "preview_pictures.h"

#include "show.h"

#include <cstring>

ShowPicture PictureForScreen(int32_t screenWidth)
{
    return std::strcmp(ShowPictureName(screenWidth), kSmallPicture.name) == 0 ? kSmallPicture
                                                                              : kLargePicture;
}

ShowPicture ScaledPicture(int32_t percent)
{
    const ShowScale* scale = FindShowScale(percent);
    return scale != nullptr ? ShowPicture{scale->name, std::string(scale->file) + ".bmp"}
                            : kLargePicture;
}
