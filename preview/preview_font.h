// The contact sheet's lettering.
#pragma once

#include "image.h"

#include <cstdint>
#include <string>

// The sheet's built-in font: capitals (lower case is drawn as capitals),
// digits and a few signs, 5 x 7 glyphs. Anything else is drawn as '?'.
bool HasGlyph(char c);
int32_t TextWidth(const std::string& text, int32_t scale);
void DrawText(RgbaImage* image, int32_t x, int32_t y, const std::string& text, int32_t scale,
              const uint8_t rgb[3]);
