#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// An owned picture of 8-bit RGBA pixels, rows from the top; read from and written to PNG.
class IMG_Raster
{
public:
    IMG_Raster() = default;
    IMG_Raster(int width, int height) { resize(width, height); }

    int getXres() const { return myWidth; }
    int getYres() const { return myHeight; }
    bool isEmpty() const { return myPixels.empty(); }
    /// Sets the size; every pixel becomes transparent black. A size that is not positive, or
    /// past 16384 on a side, leaves the raster empty.
    void resize(int width, int height);
    /// The four bytes of pixel (x, y), y counted from the top; null outside the raster.
    std::uint8_t *getPixel(int x, int y);
    const std::uint8_t *getPixel(int x, int y) const;
    std::uint8_t *getPixels() { return myPixels.data(); }
    const std::uint8_t *getPixels() const { return myPixels.data(); }

    /// Reads a PNG file of any colour type and depth, converted to 8-bit RGBA; false, with the
    /// raster unchanged and `error` naming the file, when it cannot be read.
    bool readPNG(const char *path, std::string &error);
    /// Writes the raster as an 8-bit RGBA PNG file; false, with `error` naming the file, on
    /// failure.
    bool writePNG(const char *path, std::string &error) const;

    /// The largest side accepted, so that a hostile header cannot ask for any amount of memory.
    static constexpr int theMaxSide = 16384;

private:
    int myWidth = 0;
    int myHeight = 0;
    std::vector<std::uint8_t> myPixels;
};
