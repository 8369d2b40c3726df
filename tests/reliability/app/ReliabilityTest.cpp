// The whole program over damaged bundles and random input. Run under the
// address and undefined-behaviour sanitizers in CI.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <map>
#include <random>
#include <set>

#include "reliability/SavedFiles.h"
#include "support/HeadlessApp.h"
#include "toolkit/AlertView.h"
#include "toolkit/Image.h"
#include "toolkit/Key.h"

using namespace reliability;
using testsupport::AppFolders;
using testsupport::HeadlessApp;

namespace {

// A picture with some detail (a cut one still partly decodes), saved as PNG
// or JPEG and then cut to `keep` of its length.
void writePicture(const std::string& path, int size, double keep = 1.0) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_RGBA32);
    auto* px = static_cast<uint8_t*>(s->pixels);
    for (int i = 0; i < size * size * 4; ++i)
        px[i] = static_cast<uint8_t>(i * 7 % 251);
    const bool jpeg = path.ends_with(".jpg");
    ASSERT_EQ(jpeg ? IMG_SaveJPG(s, path.c_str(), 90) : IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(s);
    Bytes b = readFile(path);
    b.resize(static_cast<size_t>(static_cast<double>(b.size()) * keep));
    writeFile(path, b);
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

// Seeded random touches, keys and typing over every screen. Throughout, the
// recorder stays within its event limit and the shell's own numbers stay in
// range; at the end, the state saved and every song and tab written on the way
// read back.
TEST(RandomInput, HundredThousandEventsOverEveryScreenKeepTheInvariants) {
    const int events = 100000;
    std::mt19937 rng(12);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    // Every key but the window's own (F11 toggles fullscreen).
    std::vector<Key> keys;
    for (int k = static_cast<int>(Key::A); k <= static_cast<int>(Key::RightAlt); ++k)
        if (static_cast<Key>(k) != Key::F11)
            keys.push_back(static_cast<Key>(k));

    AppFolders f;
    ManualClock clock;
    std::set<int> screensSeen;
    {
        HeadlessApp run(f, clock);
        Strumwell& shell = run.shell();
        Application& app = run.app();
        std::map<long, Point> down;
        std::set<Key> held;
        for (int i = 0; i < events; ++i) {
            const double what = std::uniform_real_distribution<double>(0, 1)(rng);
            if (what < 0.60) {
                const long id = 1 + pick(4);
                const Point p{static_cast<float>(pick(340) - 10), static_cast<float>(pick(500) - 10)};
                const auto it = down.find(id);
                const TouchPhase phase = it == down.end() ? TouchPhase::Began
                                         : chance(0.6)    ? TouchPhase::Moved
                                         : chance(0.9)    ? TouchPhase::Ended
                                                          : TouchPhase::Cancelled;
                const bool lifted = phase == TouchPhase::Ended || phase == TouchPhase::Cancelled;
                app.injectTouch(id, phase, lifted ? it->second : p);
                if (lifted)
                    down.erase(it);
                else
                    down[id] = p;
            } else if (what < 0.85) {
                const Key key = keys[static_cast<size_t>(pick(static_cast<int>(keys.size())))];
                KeyEvent e{key, "", false, chance(0.1), chance(0.05), chance(0.05)};
                const bool press = !held.count(e.key) || chance(0.2);
                e.repeat = press && held.count(e.key);
                app.injectKey(e, press);
                if (press)
                    held.insert(e.key);
                else
                    held.erase(e.key);
            } else if (what < 0.90) {
                app.injectText(std::string(1, static_cast<char>(' ' + pick(95))));
            } else if (what < 0.902) {
                // Jumps keep every screen in play; taps alone rarely reach the deep ones.
                const int to = 1 + pick(18);
                shell.transitionToView(to == 3 ? Strumwell::kMainMenu : to, run.shownScreen(), chance(0.5));
            } else if (what < 0.903) {
                shell.transitionBack(run.shownScreen());
            } else if (what < 0.91 && app.currentAlert() != nullptr) {
                app.currentAlert()->pressButton();
            }
            if (i % 16 == 15 || i == events - 1) {
                clock.advance(chance(0.02) ? 0.6 : 1.0 / 60);
                ASSERT_TRUE(app.runFrames(1)) << "the run ended by itself at event " << i;
                screensSeen.insert(run.shownScreenNo());
                Recorder& r = *shell.recorder();
                const int notes = r.getNumNotes() + static_cast<int>(r.currentOverdubNotesToAdd().size());
                ASSERT_LE(notes, Recorder::kMaxEvents) << "at event " << i;
                ASSERT_TRUE(r.getState() >= 0 && r.getState() <= 2) << r.getState();
                ASSERT_TRUE(shell.currentGuitar() == 0 || shell.currentGuitar() == 1);
                ASSERT_TRUE(shell.noBackScreens() >= 0 &&
                            shell.noBackScreens() <= Strumwell::kMaxBackScreens);
            }
        }
        for (const auto& [id, at] : down)
            app.injectTouch(id, TouchPhase::Ended, at);
        app.runFrames(1);
    } // an orderly end saves the state

    for (int n = 1; n <= 18; ++n)
        EXPECT_TRUE(n == 3 || screensSeen.count(n)) << "screen " << n << " was never shown";
    EXPECT_EQ(expectSavedFilesRead(f.docs()), 0) << "an orderly end leaves no temporary file";
}
