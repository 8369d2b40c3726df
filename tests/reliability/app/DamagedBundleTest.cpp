#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include "platform/Image.h"
#include "reliability/SavedFiles.h"
#include "support/HeadlessApp.h"

using namespace reliability;
using testsupport::AppFolders;
using testsupport::HeadlessApp;

namespace {

// A picture with some detail, saved as PNG or JPEG and then cut to `keep` of its length.
void writePicture(const std::string& path, int size, double keep = 1.0) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(s, nullptr);
    auto* px = static_cast<uint8_t*>(s->pixels);
    for (int i = 0; i < size * size * 4; ++i)
        px[i] = static_cast<uint8_t>(i * 7 % 251);
    const bool jpeg = path.ends_with(".jpg");
    ASSERT_EQ(jpeg ? IMG_SaveJPG(s, path.c_str(), 90) : IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(s);
    Bytes b = readAll(path);
    b.resize(static_cast<size_t>(static_cast<double>(b.size()) * keep));
    writeAll(path, b);
}

size_t countOf(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

} // namespace

// Each missing or damaged picture is reported once and the rest is shown;
// the program starts even with its main menu's picture cut short.
TEST(DamagedBundle, EachMissingOrCutPictureIsReportedOnceAndTheRestIsShown) {
    AppFolders f;
    const std::string b = f.bundle();
    writePicture(b + "/whole.png", 32);
    writePicture(b + "/cut.png", 64, 0.5);
    writePicture(b + "/cut.jpg", 64, 0.6);
    writePicture(b + "/pic.png", 16);
    writePicture(b + "/pic@2x.png", 32, 0.9);
    writePicture(b + "/tail.png", 16, 0.99); // only the end marker is gone: it decodes, but is not whole
    writePicture(b + "/MenuMainBack.jpg", 64, 0.5);

    Image::setBundleFolder(b);
    testing::internal::CaptureStderr();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_NE(Image::named("whole.png"), nullptr);
        for (const char* name : {"cut.png", "cut.jpg", "tail.png"})
            Image::named(name);
        const auto pic = Image::named("pic.png");
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->scale(), 1.0f) << "the whole plain picture rather than the damaged large one";
        EXPECT_EQ(Image::named("absent.png"), nullptr);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(said, "\n"), 5u) << said;
    for (const char* name :
         {"\"cut.png\"", "\"cut.jpg\"", "\"pic@2x.png\"", "\"absent.png\"", "\"tail.png\""})
        EXPECT_EQ(countOf(said, name), 1u) << name << " in:\n" << said;
    EXPECT_EQ(countOf(said, "whole.png"), 0u);

    ManualClock clock;
    testing::internal::CaptureStderr();
    {
        HeadlessApp run(f, clock);
        run.app().runFrames(5);
        EXPECT_EQ(run.shownScreenNo(), Strumwell::kMainMenu);
    }
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "\"MenuMainBack.jpg\""), 1u);
    Image::setBundleFolder(std::string());
}
