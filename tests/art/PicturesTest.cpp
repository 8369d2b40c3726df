// Checks the rendered pictures in the bundle: every picture the screens load
// is there, in the format its name promises, with its double-density twin,
// and the pictures that stand for controls sit where those controls are.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kBundle = STRUMWELL_TEST_BUNDLE_DIR;

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// Loads a bundle picture as 32-bit RGBA so pixels can be read directly.
Surface load(const std::string& name) {
    SDL_Surface* raw = IMG_Load((kBundle + "/" + name).c_str());
    if (!raw)
        return nullptr;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(raw);
    return Surface(rgba);
}

struct Rgba {
    int r, g, b, a;
};

Rgba pixel(const SDL_Surface* s, int x, int y) {
    const std::uint8_t* p = static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The pictures the program's code names, read from its sources; names
// completed at run time ("String" + n + "Up.png") are left to their own test.
std::set<std::string> picturesTheCodeNames() {
    // This file's name may be relative to the build folder, which holds the
    // test's working folder.
    fs::path self = __FILE__;
    for (fs::path base = fs::current_path(); !fs::exists(self) && base != base.root_path();
         base = base.parent_path())
        self = base / __FILE__;
    const fs::path classes = self.parent_path() / "../../Classes";
    const std::regex literal(R"((^|[^+\s])\s*\"([A-Za-z0-9]+\.(png|jpg))\")");
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(classes)) {
        if (entry.path().extension() != ".cpp")
            continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);)
            for (std::sregex_iterator m(line.begin(), line.end(), literal), end; m != end; ++m)
                names.insert((*m)[2]);
    }
    return names;
}

class PicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); }
};

TEST_F(PicturesTest, EveryPictureDecodesWithItsNamedFormatAndHasADoubleDensityTwin) {
    std::set<std::string> names = picturesTheCodeNames();
    ASSERT_GT(names.size(), 50u);
    for (const auto& entry : fs::directory_iterator(kBundle)) {
        const std::string name = entry.path().filename().string();
        if ((name.ends_with(".png") || name.ends_with(".jpg")) && name.find('@') == std::string::npos)
            names.insert(name);
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::ifstream in(kBundle + "/" + name, std::ios::binary);
        char magic[4] = {};
        ASSERT_TRUE(in.read(magic, 4)) << "missing or empty";
        const bool jpeg = name.ends_with(".jpg");
        EXPECT_EQ(std::string(magic, jpeg ? 3 : 4), jpeg ? "\xFF\xD8\xFF" : "\x89PNG");
        Surface s = load(name);
        ASSERT_TRUE(s) << IMG_GetError();
        const std::string twin = name.substr(0, name.size() - 4) + "@2x" + name.substr(name.size() - 4);
        Surface big = load(twin);
        ASSERT_TRUE(big) << twin << ": " << IMG_GetError();
        EXPECT_EQ(big->w, 2 * s->w);
        EXPECT_EQ(big->h, 2 * s->h);
        // Backgrounds fill the 320 x 480 view, and cover every pixel of it.
        if (name.find("Back.") == std::string::npos && name != "HammerOnFretboard.jpg")
            continue;
        EXPECT_EQ(s->w, 320);
        EXPECT_EQ(s->h, 480);
        int clear = 0;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                clear += pixel(s.get(), x, y).a != 255;
        EXPECT_EQ(clear, 0);
    }
    // Round or shaped controls must not hide what lies under their corners.
    for (const char* name : {"PlectrumMenu.png", "Knob.png", "FuzzDialPointer.png", "ShinyDialPointer.png",
                             "ManualSpot.png", "EffectPowerLightOn.png"}) {
        SCOPED_TRACE(name);
        Surface s = load(name);
        ASSERT_TRUE(s);
        EXPECT_LT(pixel(s.get(), 0, 0).a, 16);
        EXPECT_LT(pixel(s.get(), s->w - 1, s->h - 1).a, 16);
    }
}

TEST_F(PicturesTest, ControlPicturesSitOnTheirTouchAreas) {
    struct Placed {
        const char* name;
        double cx, cy;         // where the screen centres the picture
        double x0, x1, y0, y1; // its touch area
        bool inside;           // the whole visible button stays inside, give or take its shadow
    };
    const Placed placed[] = {
        {"SaveIcon.png", 259.5, 411.5, 230, 289, 386, 437, true},
        {"LoadIcon.png", 203.5, 411.5, 177, 230, 386, 437, true},
        {"EraseIcon.png", 100.5, 411.5, 68, 133, 386, 437, true},
        {"TabGuitarClearButton.png", 284, 50.5, 248, 320, 0, 101, true},
        {"TabGuitarInsertButton.png", 117.5, 431, 83, 152, 399, 463, true},
        {"TabGuitarDeleteButton.png", 117.5, 71, 83, 152, 37, 105, true},
        {"TabGuitarListenButton.png", 288, 441, 256, 320, 402, 480, true},
        {"AcousticNoises.png", 291, 62, 265, 320, 0, 123, true},
        {"MessageBoxOKButton.png", 119.5, 181.5, 91, 148, 132, 231, true},
        {"MessageBoxCancelButton.png", 119.5, 288.5, 91, 148, 231, 346, true},
        {"ManualRightArrow.png", 282, 445.5, 270, 1e9, 424, 1e9, false},
        {"PlectrumMenu.png", 31, 29, -1e9, 52, -1e9, 45, false},
        {"PlayLit.png", 35, 331, -1e9, 64, 294, 364, false},
        {"RecLit.png", 36, 398, -1e9, 64, 363.9, 435, false},
        // The top bar shows these at x - 0.5.
        {"MenuLessFrets.png", 219.5, 184, 113, 1e9, -1e9, 241, false},
        {"MenuMoreFrets.png", 219.5, 306, 113, 1e9, 240.9, 361, false},
    };
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.name);
        Surface s = load(p.name);
        ASSERT_TRUE(s);
        double sx = 0, sy = 0;
        long n = 0;
        int left = s->w, right = -1, top = s->h, bottom = -1;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                if (pixel(s.get(), x, y).a > 230) {
                    sx += x;
                    sy += y;
                    ++n;
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GT(n, 0);
        // The mean position, in view points, of the clearly visible pixels.
        const double ox = p.cx - s->w / 2.0, oy = p.cy - s->h / 2.0;
        EXPECT_GT(ox + sx / n + 0.5, p.x0);
        EXPECT_LT(ox + sx / n + 0.5, p.x1);
        EXPECT_GT(oy + sy / n + 0.5, p.y0);
        EXPECT_LT(oy + sy / n + 0.5, p.y1);
        if (!p.inside)
            continue;
        EXPECT_GE(ox + left, p.x0 - 3);
        EXPECT_LE(ox + right + 1, p.x1 + 3);
        EXPECT_GE(oy + top, p.y0 - 3);
        EXPECT_LE(oy + bottom + 1, p.y1 + 3);
    }
}

TEST_F(PicturesTest, FretboardPartsLineUp) {
    // The scroll buttons are shown centred on (160, 37): picture x = view x.
    // The MUTE label stands at view 156 < x < 231 and the plectrum at x < 52;
    // the arrows at x > 239 and 70 < x < 154 must be drawn, the gaps not.
    Surface scroll = load("FretboardScrollButtons.png");
    ASSERT_TRUE(scroll);
    EXPECT_GT(pixel(scroll.get(), 280, 37).a, 200);
    EXPECT_GT(pixel(scroll.get(), 112, 37).a, 200);
    EXPECT_LT(pixel(scroll.get(), 193, 37).a, 16);
    EXPECT_LT(pixel(scroll.get(), 30, 37).a, 16);
    // The nut picture's far edge (its last rows) is the bone nut itself.
    Surface nut = load("Nut.png");
    ASSERT_TRUE(nut);
    for (int x : {10, 100, 160, 300}) {
        Rgba p = pixel(nut.get(), x, nut->h - 3);
        EXPECT_EQ(p.a, 255);
        EXPECT_GT(p.r, 180) << "x " << x;
        EXPECT_GT(p.g, 170) << "x " << x;
    }
    // Each string's brightest column at mid-length is the wire, at the centre.
    for (int i = 1; i <= 6; ++i) {
        for (const char* kind : {"Up", "Down"}) {
            const std::string name = "String" + std::to_string(i) + kind + ".png";
            SCOPED_TRACE(name);
            Surface s = load(name);
            ASSERT_TRUE(s);
            ASSERT_EQ(s->w, 12);
            int best = -1, bestLum = -1;
            for (int x = 0; x < s->w; ++x) {
                const Rgba p = pixel(s.get(), x, 240);
                const int lum = (p.r + p.g + p.b) * p.a / 255;
                if (lum > bestLum) {
                    bestLum = lum;
                    best = x;
                }
            }
            EXPECT_NEAR(best, 6, 2);
            EXPECT_LT(pixel(s.get(), 0, 240).a, 64);
        }
    }
}

TEST_F(PicturesTest, KnobPointersMatchTheTurningRule) {
    // A knob picture is turned by 2 pi x 0.78 x (value - 0.19); drawn
    // unturned it shows value 0.19, which must put value 0.5 straight up for
    // the sideways user (view +x): pointer at -87 degrees.
    const double expected = -360.0 * 0.78 * (0.5 - 0.19);
    // Pixels of the pointer, by colour and distance from the centre in widths.
    const auto whiteRing = [](Rgba p, double r) {
        return r > 0.30 && r < 0.42 && p.r > 200 && p.g > 200 && p.b > 200 && p.a > 200;
    };
    const std::pair<const char*, std::function<bool(Rgba, double)>> knobs[] = {
        {"Knob.png", whiteRing},
        {"TabGuitarStrumSpeedDial.png", whiteRing},
        {"ShinyDialPointer.png",
         [](Rgba p, double) { return p.r > 150 && p.g < 90 && p.b < 90 && p.a > 200; }},
        {"FuzzDialPointer.png", [](Rgba p, double r) { return r > 0.32 && p.a > 230; }},
    };
    for (const auto& [name, pick] : knobs) {
        SCOPED_TRACE(name);
        Surface s = load(name);
        ASSERT_TRUE(s);
        // Direction, in view degrees (clockwise from +x, y down), of the mean of the picked pixels.
        double sx = 0, sy = 0, c = s->w / 2.0;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                if (pick(pixel(s.get(), x, y), std::hypot(x + 0.5 - c, y + 0.5 - c) / s->w)) {
                    sx += x + 0.5 - c;
                    sy += y + 0.5 - c;
                }
        EXPECT_NEAR(std::atan2(sy, sx) * 180.0 / M_PI, expected, 4.0);
    }
}

TEST_F(PicturesTest, ManualPageEdgeMatchesTheBackgroundWhereTheyMeet) {
    // The previous-page edge covers view y 0..106; at its far edge it must
    // blend into the background it is laid on.
    Surface back = load("InstructionManualBack.jpg");
    Surface edge = load("InstructionManualPageLeft.jpg");
    ASSERT_TRUE(back && edge);
    double diff = 0;
    int n = 0;
    for (int x = 0; x < 320; x += 4) {
        const Rgba a = pixel(back.get(), x, 104), b = pixel(edge.get(), x, 104);
        diff += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        ++n;
    }
    EXPECT_LT(diff / n, 12.0);
}

} // namespace
