// A picture file the program could never use is refused before it is
// decoded and drawn as if it were missing, with one line that says why: a
// header claiming more pixels than any picture of the program (a few hundred
// bytes can decode to gigabytes), a format the program does not ship, a FIFO.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Image.h"
#include "support/Files.h"
#include "support/TempFolder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void putBigEndian(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Only the headers: enough for the size to be read, nothing to decode.
Bytes pngHeader(std::uint32_t width, std::uint32_t height) {
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    putBigEndian(b, width, 4);
    putBigEndian(b, height, 4);
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82});
    return b;
}

// A JPEG whose frame header follows an application segment.
Bytes jpegHeader(std::uint32_t width, std::uint32_t height) {
    Bytes b{0xff, 0xd8, 0xff, 0xe0, 0, 4, 'J', 'F', 0xff, 0xc0, 0, 11, 8};
    putBigEndian(b, height, 2);
    putBigEndian(b, width, 2);
    b.insert(b.end(), {1, 1, 0x11, 0, 0xff, 0xd9});
    return b;
}

} // namespace

TEST(PictureFile, PicturesTooLargeOrNotPicturesAreRefusedBeforeDecoding) {
    testsupport::TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("Fifo.png").c_str(), 0600), 0);
    const std::string tooLarge = "the picture is larger than any picture the program uses (PictureTooLarge)";
    const struct {
        std::string name;
        Bytes bytes;
        std::string report;
    } cases[] = {{"Bomb.png", pngHeader(12000, 12000), tooLarge},
                 {"Wide.png", pngHeader(4097, 4096), tooLarge},
                 {"Bomb.jpg", jpegHeader(12000, 12000), tooLarge},
                 {"Odd.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "it is not a PNG or JPEG picture"},
                 {"Fifo.png", {}, "it is not a regular file (NotARegularFile)"},
                 // At the limit the size passes; only the decoder refuses it.
                 {"Largest.png", pngHeader(4096, 4096), "cannot be decoded"}};
    Image::setBundleFolder(folder.str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name != "Fifo.png")
            testsupport::writeFile(folder.file(c.name), c.bytes);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Image::named(c.name), nullptr);
        EXPECT_EQ(Image::fromFile(folder.file(c.name)), nullptr);
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_NE(report.find("Damaged picture \"" + c.name + "\" in " + folder.str() + ": "), std::string::npos);
        EXPECT_NE(report.find(c.report), std::string::npos) << report;
    }
    // A picture the program can use still loads.
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 32, SDL_PIXELFORMAT_RGBA32);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 10, 20, 30, 255));
    ASSERT_EQ(IMG_SavePNG(s, folder.file("Good.png").c_str()), 0);
    SDL_FreeSurface(s);
    const std::shared_ptr<Image> good = Image::named("Good.png");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(std::tuple(good->pixelWidth(), good->pixelHeight(), good->pixel(2, 1).b), std::tuple(3, 2, 30));
    Image::setBundleFolder("");
}
