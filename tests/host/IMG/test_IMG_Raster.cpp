#include <IMG/IMG_Raster.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
std::filesystem::path img_tempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "img_XXXXXX").string();
    const char *made = mkdtemp(pattern.data());
    return made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}
} // namespace

TEST(IMG_Raster, PngRoundTripKeepsEveryPixelAndAlpha)
{
    const std::filesystem::path dir = img_tempDir();
    IMG_Raster picture(7, 5); // odd widths catch row-stride faults
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
        {
            std::uint8_t *p = picture.getPixel(x, y);
            p[0] = static_cast<std::uint8_t>(x * 30);
            p[1] = static_cast<std::uint8_t>(y * 50);
            p[2] = static_cast<std::uint8_t>(x * y);
            p[3] = static_cast<std::uint8_t>(255 - x * 10);
        }
    std::string error;
    const std::string file = (dir / "p.png").string();
    ASSERT_TRUE(picture.writePNG(file.c_str(), error)) << error;
    IMG_Raster back;
    ASSERT_TRUE(back.readPNG(file.c_str(), error)) << error;
    ASSERT_EQ(back.getXres(), 7);
    ASSERT_EQ(back.getYres(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(back.getPixel(x, y)[c], picture.getPixel(x, y)[c]) << x << "," << y;
    std::filesystem::remove_all(dir);
}

TEST(IMG_Raster, BadFilesFailNamingTheFileAndLeaveTheRasterAsItWas)
{
    const std::filesystem::path dir = img_tempDir();
    IMG_Raster picture(2, 2);
    std::string error;
    const std::string good = (dir / "good.png").string();
    ASSERT_TRUE(picture.writePNG(good.c_str(), error));
    std::string bytes;
    {
        std::ifstream in(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string truncated = (dir / "cut.png").string();
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    const std::string text = (dir / "text.png").string();
    std::ofstream(text) << "not a picture";
    const std::string missing = (dir / "missing.png").string();

    IMG_Raster kept(3, 1);
    for (const std::string &file : {truncated, text, missing})
    {
        error.clear();
        EXPECT_FALSE(kept.readPNG(file.c_str(), error));
        EXPECT_NE(error.find(file), std::string::npos) << error;
        EXPECT_EQ(kept.getXres(), 3);
    }
    // Empty pictures and sizes past the limit are refused, not allocated.
    IMG_Raster huge(IMG_Raster::theMaxSide + 1, 1);
    EXPECT_TRUE(huge.isEmpty());
    EXPECT_FALSE(huge.writePNG((dir / "e.png").string().c_str(), error));
    EXPECT_EQ(huge.getPixel(0, 0), nullptr);
    std::filesystem::remove_all(dir);
}
