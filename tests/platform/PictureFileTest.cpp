// A picture file the program could never use is refused before it is
// decoded and drawn as if it were missing, with one line that says why: a
// header claiming more pixels than any picture of the program (a few hundred
// bytes can decode to gigabytes), a format the program does not ship, a FIFO.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/Files.h"
#include "support/TempFolder.h"
#include "toolkit/Image.h"

using Bytes = std::vector<std::uint8_t>;

// Only the headers of a PNG, or of a JPEG with its frame header after an
// application segment: enough for the size to be read, nothing to decode.
static Bytes header(bool png, std::uint32_t width, std::uint32_t height) {
    Bytes b = png ? Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}
                  : Bytes{0xff, 0xd8, 0xff, 0xe0, 0, 4, 'J', 'F', 0xff, 0xc0, 0, 11, 8};
    for (std::uint32_t v : png ? std::vector{width, height} : std::vector{height, width})
        for (int shift = png ? 24 : 8; shift >= 0; shift -= 8)
            b.push_back(static_cast<std::uint8_t>(v >> shift));
    b.insert(b.end(), {8, 6, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82});
    return b;
}

TEST(PictureFile, PicturesTooLargeOrNotPicturesAreRefusedBeforeDecoding) {
    testsupport::TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("Fifo.png").c_str(), 0600), 0);
    const std::string tooLarge = "the picture is larger than any picture the program uses (PictureTooLarge)";
    Image::setBundleFolder(folder.str());
    for (const auto& [name, bytes, says] : std::vector<std::tuple<std::string, Bytes, std::string>>{
             {"Bomb.png", header(true, 12000, 12000), tooLarge},
             {"Wide.png", header(true, 4097, 4096), tooLarge},
             {"Bomb.jpg", header(false, 12000, 12000), tooLarge},
             {"Odd.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "it is not a PNG or JPEG picture"},
             {"Fifo.png", {}, "it is not a regular file (NotARegularFile)"},
             {"Largest.png", header(true, 4096, 4096), "cannot be decoded"}}) { // the size passes
        if (name != "Fifo.png")
            testsupport::writeFile(folder.file(name), bytes);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Image::named(name), nullptr) << name;
        EXPECT_EQ(Image::fromFile(folder.file(name)), nullptr) << name;
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_NE(report.find("Damaged picture \"" + name + "\" in " + folder.str() + ": " + says),
                  std::string::npos)
            << report;
    }
    Image::setBundleFolder("");
}
