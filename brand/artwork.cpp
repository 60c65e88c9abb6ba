#include "artwork.h"

#include "little_endian.h"
#include "png_codec.h"
#include "show.h"
#include "surface.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// How the pixels of a source axis of n pixels share out over a target axis
// of m: in units of 1/m of a source pixel (1/n of a target pixel), source
// pixel s spans [s*m, (s+1)*m) and target pixel t spans [t*n, (t+1)*n).
// Every weight is a whole number and each target pixel's weights add up to
// n, so the sums below are exact.
struct Share {
    int target;
    int64_t weight;
};

std::vector<std::vector<Share>> AxisShares(int n, int m)
{
    std::vector<std::vector<Share>> shares{size_t(n)};
    for (int s = 0; s < n; ++s) {
        const int64_t begin = int64_t(s) * m, end = begin + m;
        for (int64_t t = begin / n; t * n < end; ++t) {
            const int64_t weight = std::min(end, (t + 1) * n) - std::max(begin, t * n);
            shares[size_t(s)].push_back({int(t), weight});
        }
    }
    return shares;
}

// The box average of the whole picture into width x height pixels, over
// alpha-weighted colours: a pixel's colour counts in proportion to how much
// of it shows. Taken one source row at a time so that only the target's
// sums are held, however large the picture.
RgbaImage BoxScale(const RgbaImage& image, int width, int height)
{
    const auto columns = AxisShares(image.width, width);
    const auto rows = AxisShares(image.height, height);
    // Blue-green-red times alpha, and alpha, for each target pixel. At most
    // 255 * 255 * 8192 * 8192, far inside 64 bits.
    std::vector<uint64_t> sums(size_t(width) * size_t(height) * 4, 0);
    std::vector<uint64_t> rowSums(size_t(width) * 4);
    for (int sy = 0; sy < image.height; ++sy) {
        std::fill(rowSums.begin(), rowSums.end(), 0);
        for (int sx = 0; sx < image.width; ++sx) {
            const uint8_t* p = image.at(sx, sy);
            const uint64_t a = p[3];
            if (a == 0)
                continue;
            for (const Share& c : columns[size_t(sx)]) {
                uint64_t* sum = &rowSums[size_t(c.target) * 4];
                const uint64_t w = uint64_t(c.weight);
                sum[0] += p[0] * a * w;
                sum[1] += p[1] * a * w;
                sum[2] += p[2] * a * w;
                sum[3] += a * w;
            }
        }
        for (const Share& r : rows[size_t(sy)]) {
            uint64_t* sum = &sums[size_t(r.target) * size_t(width) * 4];
            for (size_t i = 0; i < rowSums.size(); ++i)
                sum[i] += rowSums[i] * uint64_t(r.weight);
        }
    }

    // Back to straight alpha, rounded to nearest: alpha is the covered share
    // of the area, each colour its alpha-weighted mean.
    RgbaImage out;
    out.width = width;
    out.height = height;
    out.rgba.assign(size_t(width) * size_t(height) * 4, 0);
    const uint64_t area = uint64_t(image.width) * uint64_t(image.height);
    for (size_t i = 0; i < sums.size(); i += 4) {
        const uint64_t alphaSum = sums[i + 3];
        const uint64_t alpha = (alphaSum * 2 + area) / (area * 2);
        if (alpha == 0)
            continue;
        for (size_t k = 0; k < 3; ++k)
            out.rgba[i + k] = uint8_t((sums[i + k] * 2 + alphaSum) / (alphaSum * 2));
        out.rgba[i + 3] = uint8_t(alpha);
    }
    return out;
}

bool Fail(std::string* error, std::string text)
{
    *error = std::move(text);
    return false;
}

// The packed bitmap behind the file header must pass the launcher's own
// checks, or the program would show nothing.
bool LauncherAccepts(const std::vector<uint8_t>& file)
{
    if (BitmapFileBlockSize(file.data(), file.size()) != file.size() - kBitmapFileHeaderSize)
        return false;
    BitmapLayout layout;
    return ReadBitmapLayout(file.data() + kBitmapFileHeaderSize,
                            uint32_t(file.size() - kBitmapFileHeaderSize), &layout) == 1;
}

}  // namespace

std::vector<uint8_t> EncodeArtworkBitmap(const RgbaImage& image)
{
    const uint32_t pixelBytes = uint32_t(image.width) * uint32_t(image.height) * 4;
    const uint32_t pixelOffset = kBitmapFileHeaderSize + 40 + 12;
    std::vector<uint8_t> out;
    out.reserve(pixelOffset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, pixelOffset + pixelBytes);
    Put32(out, 0);
    Put32(out, pixelOffset);
    Put32(out, 40);
    Put32(out, uint32_t(image.width));
    Put32(out, uint32_t(image.height));  // positive: the bottom row first
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 3);  // bit fields
    Put32(out, pixelBytes);
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    // Red, green and blue masks as the built-in pictures have always had
    // them, red in the lowest byte. Bit fields must carry masks, but the
    // launcher copies 32-bit pixels as they are and never applies them, so
    // they only keep every file alike; a viewer that does apply them swaps
    // red and blue, which the grey built-in pictures cannot show.
    Put32(out, 0x000000FF);
    Put32(out, 0x0000FF00);
    Put32(out, 0x00FF0000);
    AppendBottomUpBgra(image, &out);
    return out;
}

void AppendBottomUpBgra(const RgbaImage& image, std::vector<uint8_t>* out)
{
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.at(x, y);
            out->insert(out->end(), {p[2], p[1], p[0], p[3]});
        }
    }
}

FitPlacement PlaceInside(int width, int height, int boxWidth, int boxHeight)
{
    const int64_t w = width, h = height, bw = boxWidth, bh = boxHeight;
    int64_t fw = bw, fh = bh;
    if (w * bh >= h * bw)
        fh = std::max<int64_t>(1, (2 * h * bw + w) / (2 * w));
    else
        fw = std::max<int64_t>(1, (2 * w * bh + h) / (2 * h));
    return {int((bw - fw) / 2), int((bh - fh) / 2), int(fw), int(fh)};
}

RgbaImage FitInside(const RgbaImage& image, int boxWidth, int boxHeight)
{
    const FitPlacement place = PlaceInside(image.width, image.height, boxWidth, boxHeight);
    const RgbaImage scaled = BoxScale(image, place.width, place.height);
    RgbaImage out;
    out.width = boxWidth;
    out.height = boxHeight;
    out.rgba.assign(size_t(boxWidth) * size_t(boxHeight) * 4, 0);
    for (int y = 0; y < place.height; ++y)
        std::memcpy(out.at(place.x, place.y + y), scaled.at(0, y), size_t(place.width) * 4);
    return out;
}

bool PrepareArtworkPicture(const std::vector<uint8_t>& png, const std::string& name,
                           const ArtworkSlot& slot, bool fit, RgbaImage* picture,
                           std::string* error, std::string* note)
{
    RgbaImage image;
    if (!DecodePng(png, &image, error))
        return Fail(error, name + ": " + *error);
    if (note != nullptr)
        note->clear();
    if (image.width == slot.width && image.height == slot.height) {
        *picture = std::move(image);
        return true;
    }
    const std::string need = SizeText(slot.width, slot.height);
    if (!fit)
        return Fail(error, name + " is " + SizeText(image.width, image.height) +
                               " pixels, but the picture for " + slot.use + " must be " + need +
                               "; resize it, or pass --fit to scale it to fit inside " + need +
                               " with a transparent border");
    if (note != nullptr) {
        const FitPlacement place = PlaceInside(image.width, image.height, slot.width, slot.height);
        *note = "scaled from " + SizeText(image.width, image.height) + " to " +
                SizeText(place.width, place.height) + " at (" + std::to_string(place.x) + ", " +
                std::to_string(place.y) + ")";
    }
    *picture = FitInside(image, slot.width, slot.height);
    return true;
}

bool PackArtworkPng(const std::vector<uint8_t>& png, const std::string& name,
                    const ArtworkSlot& slot, bool fit, std::vector<uint8_t>* packed,
                    std::string* error, std::string* note)
{
    RgbaImage picture, readBack;
    if (!PrepareArtworkPicture(png, name, slot, fit, &picture, error, note) ||
        !EncodePng(picture, packed, error))
        return false;
    std::string why;
    if (!DecodePng(*packed, &readBack, &why) || readBack.width != picture.width ||
        readBack.height != picture.height || readBack.rgba != picture.rgba)
        return Fail(error, std::string("internal fault: the PNG written for ") + slot.use +
                               " does not read back as its picture");
    return true;
}

bool PackArtworkBitmap(const std::vector<uint8_t>& png, const std::string& name,
                       const ArtworkSlot& slot, bool fit, std::vector<uint8_t>* bitmap,
                       std::string* error, std::string* note)
{
    RgbaImage picture;
    if (!PrepareArtworkPicture(png, name, slot, fit, &picture, error, note))
        return false;
    *bitmap = EncodeArtworkBitmap(picture);
    if (!LauncherAccepts(*bitmap))
        return Fail(error,
                    std::string("internal fault: the launcher would refuse the picture for ") +
                        slot.use);
    return true;
}

const ArtworkSlot* ScaledLargeArtwork(int percent)
{
    // A slot for each row of the show's table, made once in place, so that
    // each use's text stays where its slot points.
    struct ScaledSlots {
        std::string uses[kShowScaleCount];
        ArtworkSlot slots[kShowScaleCount];
        ScaledSlots()
        {
            for (int i = 0; i < kShowScaleCount; ++i) {
                const ShowScale& scale = kShowScaleTable[i];
                uses[i] = std::string(kLargeArtwork.use) + " near " +
                          std::to_string(scale.percent) + " %";
                slots[i] = {scale.file, uses[i].c_str(), scale.width, scale.height};
            }
        }
    };
    static const ScaledSlots kScaled;
    const ShowScale* scale = FindShowScale(percent);
    return scale != nullptr ? &kScaled.slots[scale - kShowScaleTable] : nullptr;
}

std::string ScaleChoices()
{
    std::string list;
    for (int i = 0; i < kShowScaleCount; ++i)
        list += (i == 0                    ? ""
                 : i + 1 < kShowScaleCount ? ", "
                                           : " or ") +
                std::to_string(kShowScaleTable[i].percent);
    return list;
}
