#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/SoundEngine.h"
#include "platform/Image.h"
#include "storage/DumpCommand.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "support/HeadlessApp.h"

using testsupport::AppFolders;
using testsupport::HeadlessApp;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

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
    std::vector<uint8_t> b = readAll(path);
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

TEST(Startup, AStateOfAnUnknownVersionStartsWithTheDefaultPatchesAndSavesThem) {
    AppFolders f;
    ManualClock clock;
    const std::vector<uint8_t> tab = Tab().createSaveTabBuffer();
    std::vector<uint8_t> state = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '7'};
    for (size_t size : {tab.size(), size_t{28}, size_t{72}}) {
        for (int i = 0; i < 4; ++i)
            state.push_back(static_cast<uint8_t>(size >> (8 * i)));
        if (size == tab.size())
            state.insert(state.end(), tab.begin(), tab.end());
        else
            state.insert(state.end(), size, 0xee); // sections of a layout this build does not know
    }
    writeAll(f.docs() + "/system.state", state);
    // Saves cut short leave temporary files: those of processes that are gone
    // (here an earlier process with this id) are removed at the start.
    const std::string temporary = f.docs() + "/.song.SAV" + FileManager::kTemporaryInfix;
    const std::string stale = temporary + std::to_string(::getpid()) + "-1000000";
    const std::string live = temporary + std::to_string(::getppid()) + "-0";
    writeAll(stale, {1});
    writeAll(live, {2});
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        HeadlessApp app(f, clock);
        EXPECT_EQ(app.shell().soundEngine()->patchNo(0), 1);
        EXPECT_EQ(app.shell().soundEngine()->patchNo(1), 3);
        EXPECT_FALSE(fs::exists(stale));
        EXPECT_TRUE(fs::exists(live)) << "a running process's save is left alone";
        if (run == 1)
            continue;
        app.finish();
        // The state saved at the end holds valid patches, so the next start plays.
        std::ostringstream json, err;
        const std::vector<uint8_t> saved = readAll(f.docs() + "/system.state");
        ASSERT_EQ(DumpCommand::dumpBuffer(saved.data(), saved.size(), false, json, err), 0) << err.str();
        EXPECT_NE(json.str().find("\"patchNo\": [1, 3]"), std::string::npos) << json.str();
    }
}

TEST(DamagedBundle, EachMissingOrCutPictureIsReportedOnceAndTheRestIsShown) {
    AppFolders f;
    const std::string b = f.bundle();
    writePicture(b + "/whole.png", 32);
    writePicture(b + "/cut.png", 64, 0.5);
    writePicture(b + "/cut.jpg", 64, 0.6);
    writePicture(b + "/pic.png", 16);
    writePicture(b + "/pic@2x.png", 32, 0.9);
    writePicture(b + "/tail.png", 16, 0.99); // only the end marker is gone: it decodes, but is not whole

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
    Image::setBundleFolder(std::string());
}

TEST(DamagedBundle, TheProgramStartsWithTheMainMenuPictureCutShort) {
    AppFolders f;
    ManualClock clock;
    writePicture(f.bundle() + "/MenuMainBack.jpg", 64, 0.5);
    testing::internal::CaptureStderr();
    {
        HeadlessApp run(f, clock);
        run.app().runFrames(5);
        EXPECT_EQ(run.shownScreenNo(), Strumwell::kMainMenu);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(said, "\"MenuMainBack.jpg\""), 1u) << said;
}
