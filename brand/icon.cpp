#include "icon.h"

#include "artwork.h"
#include "little_endian.h"
#include "png_codec.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr uint32_t kHeaderSize = 6;
constexpr uint32_t kEntrySize = 16;
constexpr uint32_t kInfoHeaderSize = 40;

bool Fail(std::string* error, std::string text)
{
    *error = std::move(text);
    return false;
}

// An icon's bitmap is a BITMAPINFOHEADER without a file header, its height
// counting the colour rows and the mask rows below them; then the colours,
// bottom-up, and the 1-bit mask, each row padded to 4 bytes. Windows before
// alpha icons draws through the mask, so it is set wherever nothing shows.
std::vector<uint8_t> IconBitmap(const RgbaImage& frame)
{
    const uint32_t side = uint32_t(frame.width);
    const uint32_t maskStride = (side + 31) / 32 * 4;
    const uint32_t colourBytes = side * side * 4, maskBytes = maskStride * side;
    std::vector<uint8_t> out;
    out.reserve(kInfoHeaderSize + colourBytes + maskBytes);
    Put32(out, kInfoHeaderSize);
    Put32(out, side);
    Put32(out, side * 2);
    Put16(out, 1);  // planes
    Put16(out, 32);
    Put32(out, 0);  // BI_RGB
    Put32(out, colourBytes + maskBytes);
    Put32(out, 0);  // no resolution
    Put32(out, 0);
    Put32(out, 0);  // no palette
    Put32(out, 0);
    AppendBottomUpBgra(frame, &out);
    for (int y = frame.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < frame.width; ++x)
            if (frame.at(x, y)[3] == 0)
                row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool NamedIco(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return tail == ".ico";
}

}  // namespace

bool EncodeIcon(const RgbaImage& picture, std::vector<uint8_t>* icon, std::string* error)
{
    std::vector<std::vector<uint8_t>> images;
    for (const int side : kIconSizes) {
        const RgbaImage frame = FitInside(picture, side, side);
        if (side != kIconPngSize) {
            images.push_back(IconBitmap(frame));
            continue;
        }
        // Icons' PNG pictures are RGBA, the one kind every Windows that
        // reads them is known to take.
        images.emplace_back();
        if (!EncodePng(frame, &images.back(), error, PngColours::kRgba))
            return false;
    }

    icon->clear();
    Put16(*icon, 0);
    Put16(*icon, 1);  // an icon, not a cursor
    Put16(*icon, uint32_t(images.size()));
    uint32_t offset = kHeaderSize + kEntrySize * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const uint8_t side = kIconSizes[i] == 256 ? 0 : uint8_t(kIconSizes[i]);  // 0 is 256
        icon->insert(icon->end(), {side, side, 0, 0});  // no palette, reserved
        Put16(*icon, 1);                                // planes
        Put16(*icon, 32);
        Put32(*icon, uint32_t(images[i].size()));
        Put32(*icon, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images)
        icon->insert(icon->end(), image.begin(), image.end());
    return true;
}

bool CheckIconFile(const std::vector<uint8_t>& bytes, std::string* error)
{
    if (bytes.size() < kHeaderSize)
        return Fail(error, "not an icon file: too short for its header");
    const uint8_t* data = bytes.data();
    if (Get16(data) != 0 || Get16(data + 2) != 1)
        return Fail(error, "not an icon file: its header says reserved " +
                               std::to_string(Get16(data)) + " and type " +
                               std::to_string(Get16(data + 2)) + " where an icon has 0 and 1");
    const uint32_t count = Get16(data + 4);
    if (count == 0)
        return Fail(error, "the icon file holds no pictures");
    const uint64_t directoryEnd = kHeaderSize + uint64_t(kEntrySize) * count;
    if (directoryEnd > bytes.size())
        return Fail(error,
                    "the icon file ends inside its list of " + std::to_string(count) + " pictures");
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kHeaderSize + kEntrySize * i;
        const uint64_t size = Get32(entry + 8), offset = Get32(entry + 12);
        if (size == 0 || offset < directoryEnd || offset + size > bytes.size())
            return Fail(error, "picture " + std::to_string(i + 1) + " of the icon file, " +
                                   std::to_string(size) + " bytes at offset " +
                                   std::to_string(offset) + ", is not inside the file's " +
                                   std::to_string(bytes.size()) + " bytes");
    }
    return true;
}

bool IconFromBytes(const std::vector<uint8_t>& bytes, const std::string& name,
                   std::vector<uint8_t>* icon, std::string* error)
{
    if (NamedIco(name)) {
        if (!CheckIconFile(bytes, error))
            return Fail(error, name + ": " + *error);
        *icon = bytes;
        return true;
    }
    RgbaImage picture;
    if (!DecodePng(bytes, &picture, error))
        return Fail(error, name + ": " + *error);
    return EncodeIcon(picture, icon, error);
}
