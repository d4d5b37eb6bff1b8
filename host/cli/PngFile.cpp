#include "host/cli/PngFile.h"

#include "host/cli/FileOutput.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>
#include <unistd.h>

namespace
{

// libpng reports errors by longjmp; nothing with a destructor lives between setjmp and the
// calls that may jump, so no C++ object is skipped.
bool encode(FILE* file, const EditorImage& image)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.rgb.data() + size_t(y) * size_t(image.width) * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const OutputTarget& target, const EditorImage& image, std::string& error)
{
    const std::string& path = target.given;
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != size_t(image.width) * size_t(image.height) * 3)
    {
        error = path + ": no picture to write";
        return false;
    }
    CPendingFile pending(target);
    if (!pending.ok())
    {
        error = pending.error();
        return false;
    }
    FILE* file = fdopen(dup(pending.fd()), "wb");
    if (file == nullptr)
    {
        error = path + ": cannot write";
        return false;
    }
    const bool encoded = encode(file, image);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed)
    {
        error = path + ": cannot write the PNG file";
        return false;
    }
    return pending.commit(error);
}
