#include <IMG/IMG_Raster.h>

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
struct img_FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using img_File = std::unique_ptr<std::FILE, img_FileCloser>;

// libpng reports through longjmp; the message is kept for the caller.
void img_pngError(png_structp png, png_const_charp message)
{
    auto *error = static_cast<std::string *>(png_get_error_ptr(png));
    if (error)
        *error = message ? message : "unknown error";
    png_longjmp(png, 1);
}

void img_pngWarning(png_structp, png_const_charp) {}
} // namespace

void IMG_Raster::resize(int width, int height)
{
    myPixels.clear();
    myWidth = myHeight = 0;
    if (width <= 0 || height <= 0 || width > theMaxSide || height > theMaxSide)
        return;
    myWidth = width;
    myHeight = height;
    myPixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
}

std::uint8_t *IMG_Raster::getPixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= myWidth || y >= myHeight)
        return nullptr;
    return myPixels.data() + (static_cast<std::size_t>(y) * myWidth + x) * 4;
}

const std::uint8_t *IMG_Raster::getPixel(int x, int y) const
{
    return const_cast<IMG_Raster *>(this)->getPixel(x, y);
}

bool IMG_Raster::readPNG(const char *path, std::string &error)
{
    img_File file(std::fopen(path, "rb"));
    if (!file)
    {
        error = std::string(path) + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::string why;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &why, img_pngError, img_pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = std::string(path) + ": out of memory";
        return false;
    }
    // Everything that must be released after a longjmp lives outside this frame's locals
    // that change after setjmp.
    IMG_Raster result;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        error = std::string(path) + ": not a readable PNG file: " + why;
        return false;
    }
    png_init_io(png, file.get());
    png_set_user_limits(png, theMaxSide, theMaxSide);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    result.resize(width, height);
    if (result.isEmpty() || png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 4)
        png_error(png, "unsupported picture size or layout");
    rows.resize(height);
    for (int y = 0; y < height; ++y)
        rows[y] = result.getPixel(0, y);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    *this = std::move(result);
    return true;
}

bool IMG_Raster::writePNG(const char *path, std::string &error) const
{
    if (isEmpty())
    {
        error = std::string(path) + ": nothing to write: the picture is empty";
        return false;
    }
    img_File file(std::fopen(path, "wb"));
    if (!file)
    {
        error = std::string(path) + ": cannot write: " + std::strerror(errno);
        return false;
    }
    std::string why;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &why, img_pngError, img_pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        error = std::string(path) + ": out of memory";
        return false;
    }
    std::vector<png_bytep> rows(myHeight);
    for (int y = 0; y < myHeight; ++y)
        rows[y] = const_cast<png_bytep>(getPixel(0, y));
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        error = std::string(path) + ": cannot write: " + why;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, myWidth, myHeight, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0 || std::ferror(file.get()))
    {
        error = std::string(path) + ": cannot write: " + std::strerror(errno);
        return false;
    }
    return true;
}
