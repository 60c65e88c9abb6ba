// libpng reports errors by longjmp: everything it owns is made before the
// jump point and released after it, on every path.
#include "png_io.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size, offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    Reader* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > r->size - r->offset)
        png_error(png, "the file ends before the picture does");
    std::memcpy(out, r->data + r->offset, count);
    r->offset += count;
}

// libpng's own messages name the fault; keep the first for the user.
void KeepError(png_structp png, png_const_charp message)
{
    std::string* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error->empty())
        *error = message;
    png_longjmp(png, 1);
}

// A picture over the size limit is refused with a vague error; the warning
// before it says why, so that one is kept. Other warnings are harmless.
void KeepLimitWarning(png_structp png, png_const_charp message)
{
    std::string* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error->empty() && std::strstr(message, "limit") != nullptr)
        *error = std::string(message) + " (" + std::to_string(kPngMaxSide) + " pixels)";
}

// The writer's output, gathered in memory. An exception must not pass
// through libpng's C frames, so running out of memory becomes its error.
void WriteToMemory(png_structp png, png_bytep data, png_size_t count)
{
    auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    try {
        bytes->insert(bytes->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

// Without a flush function of its own libpng would take the output for a
// FILE and flush it.
void FlushNothing(png_structp) {}

}  // namespace

bool ReadPngBytes(const std::vector<uint8_t>& bytes, RgbaImage* image, std::string* error)
{
    *image = RgbaImage{};
    error->clear();
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        *error = "not a PNG file";
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, error, KeepError, KeepLimitWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *error = "out of memory";
        return false;
    }
    Reader reader{bytes.data(), bytes.size(), 0};
    std::vector<png_bytep> rows;
    RgbaImage result;
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_set_user_limits(png, kPngMaxSide, kPngMaxSide);
        png_read_info(png, info);
        // Everything becomes 8-bit RGBA: palettes and low-depth grey
        // expanded, transparency chunks turned into alpha, 16 bits narrowed,
        // grey widened, and an opaque alpha added where there is none.
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        const int passes = png_set_interlace_handling(png);
        (void)passes;
        png_read_update_info(png, info);
        result.width = int(png_get_image_width(png, info));
        result.height = int(png_get_image_height(png, info));
        if (png_get_rowbytes(png, info) != size_t(result.width) * 4)
            png_error(png, "unexpected pixel layout after conversion");
        result.rgba.resize(size_t(result.width) * size_t(result.height) * 4);
        rows.resize(size_t(result.height));
        for (int y = 0; y < result.height; ++y)
            rows[size_t(y)] = result.at(0, y);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (ok)
        error->clear();
    if (!ok) {
        if (error->empty())
            *error = "the PNG data is damaged";
        return false;
    }
    *image = std::move(result);
    return true;
}

bool ReadPng(const std::string& path, RgbaImage* image, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes, error))
        return false;
    if (!ReadPngBytes(bytes, image, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

namespace {

// The PNG file of the picture with its alpha, in memory.
bool EncodeWithLibpng(const RgbaImage& image, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    error->clear();
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, KeepError, KeepLimitWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, bytes, WriteToMemory, FlushNothing);
        png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y)
            png_write_row(png, image.at(0, y));
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        bytes->clear();
        if (error->empty())
            *error = "out of memory";
    }
    return ok;
}

}  // namespace

bool WritePng(const std::string& path, const RgbaImage& image, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!EncodeWithLibpng(image, &bytes, error)) {
        *error = "cannot write " + path + ": " + *error;
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok) {
        std::remove(path.c_str());
        *error = "cannot write " + path;
        return false;
    }
    return true;
}
