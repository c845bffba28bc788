#include "Png.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Module.h"
#include "PendingFile.h"

namespace standin {

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// libpng reports through longjmp: the message is kept for the HostError.
void on_png_error(png_structp png, png_const_charp message)
{
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text)
        *text = message;
    png_longjmp(png, 1);
}
void on_png_warning(png_structp, png_const_charp) {}

// The largest layer the host takes.
constexpr png_uint_32 kMaxSide = 16384;

// The raw RGBA rows, 8 or 16 bits a channel (16-bit in native order).
struct RgbaImage {
    png_uint_32 width = 0, height = 0;
    int bits = 8;
    std::vector<unsigned char> bytes;
    std::vector<png_bytep> rows; // into bytes
};

// Only plain data lives across the setjmp: no destructor is skipped.
bool decode(FILE* file, RgbaImage& image, std::string& error)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    // Refused from the header, before any pixel takes memory.
    if (png_get_image_width(png, info) > kMaxSide || png_get_image_height(png, info) > kMaxSide) {
        error = std::to_string(png_get_image_width(png, info)) + "x" + std::to_string(png_get_image_height(png, info)) +
                " pixels, larger than " + std::to_string(kMaxSide) + " a side";
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    if (png_get_bit_depth(png, info) == 16)
        png_set_swap(png);
    png_read_update_info(png, info);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.bits = png_get_bit_depth(png, info);
    if (image.width == 0 || image.height == 0 ||
        png_get_rowbytes(png, info) != std::size_t(image.width) * 4 * (image.bits / 8)) {
        error = "unexpected image layout";
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    image.bytes.resize(png_get_rowbytes(png, info) * image.height);
    image.rows.resize(image.height);
    for (png_uint_32 y = 0; y < image.height; ++y)
        image.rows[y] = image.bytes.data() + std::size_t(y) * png_get_rowbytes(png, info);
    png_read_image(png, image.rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

inline unsigned to_png16(unsigned v) { return (v * 65535u * 2 + 32768u) / (2 * 32768u); }

// Row y of the world as PNG wants it: RGBA, 16-bit values in native order
// (libpng swaps them to big-endian).
void png_row(const PF_LayerDef& world, A_long y, unsigned char* row)
{
    if (is_deep(world)) {
        const PF_Pixel16* p = pixel16(world, 0, y);
        for (A_long x = 0; x < world.width; ++x, ++p) {
            const A_u_short c[4] = {A_u_short(to_png16(p->red)), A_u_short(to_png16(p->green)),
                                    A_u_short(to_png16(p->blue)), A_u_short(to_png16(p->alpha))};
            std::memcpy(row + std::size_t(x) * 8, c, 8);
        }
    } else {
        const PF_Pixel* p = pixel8(world, 0, y);
        for (A_long x = 0; x < world.width; ++x, ++p) {
            const unsigned char c[4] = {p->red, p->green, p->blue, p->alpha};
            std::memcpy(row + std::size_t(x) * 4, c, 4);
        }
    }
}

// `row` holds one converted row; it lives in the caller, across the setjmp.
bool encode(FILE* file, const PF_LayerDef& world, unsigned char* row, std::string& error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(world.width), png_uint_32(world.height), is_deep(world) ? 16 : 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    // The "up" filter alone: files within a few percent of libpng's adaptive
    // choice per row, in a third of the time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    if (is_deep(world))
        png_set_swap(png);
    for (A_long y = 0; y < world.height; ++y) {
        png_row(world, y, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

inline A_u_short from_png16(unsigned p) { return A_u_short((p * 32768u * 2 + 65535u) / (2 * 65535u)); }

} // namespace

World read_png(const std::string& path, bool deep)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw HostError("cannot open picture '" + path + "'");
    RgbaImage image;
    std::string error = "not a PNG file";
    if (!decode(file.get(), image, error))
        throw HostError("cannot read picture '" + path + "': " + error);
    World world(A_long(image.width), A_long(image.height), deep);
    for (png_uint_32 y = 0; y < image.height; ++y) {
        for (png_uint_32 x = 0; x < image.width; ++x) {
            const std::size_t at = (std::size_t(y) * image.width + x) * 4;
            unsigned c[4]; // r, g, b, a
            for (int k = 0; k < 4; ++k) {
                if (image.bits == 16) {
                    A_u_short v;
                    std::memcpy(&v, &image.bytes[(at + k) * 2], 2);
                    c[k] = v;
                } else {
                    c[k] = image.bytes[at + k];
                }
            }
            if (deep) {
                auto wide = [&](unsigned v) {
                    return image.bits == 16 ? from_png16(v) : A_u_short((v * 32768u * 2 + 255u) / 510u);
                };
                *pixel16(world.def(), A_long(x), A_long(y)) = {wide(c[3]), wide(c[0]), wide(c[1]), wide(c[2])};
            } else {
                auto narrow = [&](unsigned v) {
                    return image.bits == 16 ? A_u_char((v * 255u * 2 + 65535u) / (2 * 65535u)) : A_u_char(v);
                };
                *pixel8(world.def(), A_long(x), A_long(y)) = {narrow(c[3]), narrow(c[0]), narrow(c[1]), narrow(c[2])};
            }
        }
    }
    return world;
}

void write_png(std::FILE* file, const PF_LayerDef& world)
{
    if (!world.data || world.width < 1 || world.height < 1)
        throw HostError("no picture to write");
    std::vector<unsigned char> row(std::size_t(world.width) * 4 * (is_deep(world) ? 2 : 1));
    std::string error = "out of memory";
    if (!encode(file, world, row.data(), error))
        throw HostError(error);
}

void write_png(const std::string& path, const PF_LayerDef& world)
{
    PendingFile file(path);
    try {
        write_png(file.file(), world);
    } catch (const HostError& e) {
        throw HostError("cannot write '" + path + "': " + e.what());
    }
    file.commit();
}

} // namespace standin
