// Checks the rendered pictures in the bundle: every picture the screens load
// is there, in the format its name promises, at the size the screens lay out,
// and the pictures that stand for controls sit where those controls are.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

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
    const auto* row = static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch;
    const std::uint8_t* p = row + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<unsigned char> head(const std::string& name, std::size_t n) {
    std::ifstream in(kBundle + "/" + name, std::ios::binary);
    std::vector<unsigned char> bytes(n);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

struct Expected {
    const char* name;
    int w, h;
    bool opaque; // a background: every pixel fully covered
};

// Sizes are in view points (one pixel per point); backgrounds fill the
// 320 x 480 view, the rest are laid out by their centres.
const Expected kPictures[] = {
    {"MenuMainBack.jpg", 320, 480, true},
    {"MenuChooseGuitarBack.jpg", 320, 480, true},
    {"MenuSetupBack.jpg", 320, 480, true},
    {"MenuSetupEffectsBack.jpg", 320, 480, true},
    {"InstructionManualBack.jpg", 320, 480, true},
    {"InstructionManualPageLeft.jpg", 320, 106, true},
    {"ManualRightArrow.png", 64, 69, false},
    {"HammerOnFretboard.jpg", 320, 480, true},
    {"ScaleGuitarBack.png", 320, 480, true},
    {"Fret.png", 312, 8, false},
    {"ManualSpot.png", 16, 16, false},
    {"Pickup.png", 320, 84, false},
    {"Nut.png", 320, 144, false},
    {"FretboardScrollButtons.png", 320, 74, false},
    {"PlectrumMenu.png", 48, 44, false},
    {"RecordMenuBar.png", 64, 480, false},
    {"RecLit.png", 50, 60, false},
    {"PlayLit.png", 50, 60, false},
    {"TopMenu.png", 46, 480, false},
    {"MenuLessFrets.png", 100, 110, false},
    {"MenuMoreFrets.png", 100, 110, false},
    {"String1Up.png", 12, 480, false},
    {"String6Up.png", 12, 480, false},
    {"String1Down.png", 12, 480, false},
    {"String6Down.png", 12, 480, false},
    {"EffectDelaySetupBack.jpg", 320, 480, true},
    {"EffectFuzzSetupBack.jpg", 320, 480, true},
    {"EffectWahSetupBack.jpg", 320, 480, true},
    {"EffectPowerLightOn.png", 28, 28, false},
    {"EffectOptionOn.png", 28, 28, false},
    {"Knob.png", 86, 86, false},
    {"FuzzDialPointer.png", 136, 136, false},
    {"ShinyDialPointer.png", 80, 80, false},
    {"MenuSetupGuitarPatch.jpg", 320, 480, true},
    {"MenuApplicationBack.jpg", 320, 480, true},
    {"MessageBox.png", 220, 340, false},
    {"MessageBoxOKButton.png", 54, 96, false},
    {"MessageBoxCancelButton.png", 54, 96, false},
    {"TabGuitarBack.png", 320, 480, true},
    {"TabGuitarSetupBack.png", 320, 480, true},
    {"RecorderBack.png", 320, 480, true},
    {"AcousticNoises.png", 54, 120, false},
    {"TabGuitarLEDLit.png", 28, 28, false},
    {"TabGuitarStrumSpeedDial.png", 84, 84, false},
    {"MenuRestartTab.png", 92, 108, false},
    {"MenuEnterTab.png", 92, 108, false},
    {"MenuLoadSave.png", 92, 108, false},
    {"MenuEditorModeFret.png", 92, 108, false},
    {"MenuEditorModeTab.png", 92, 108, false},
    {"MenuEditorModeChord.png", 92, 108, false},
    {"MenuEraseTab.png", 92, 108, false},
    {"MenuPlayTab.png", 92, 108, false},
    {"TabGuitarClearButton.png", 72, 101, false},
    {"TabGuitarInsertButton.png", 69, 64, false},
    {"TabGuitarDeleteButton.png", 69, 68, false},
    {"TabGuitarListenButton.png", 64, 78, false},
    {"StepGuitarSetupEntryStepRightButton.png", 32, 56, false},
    {"StepGuitarSetupEntryFretMarker.png", 26, 26, false},
    {"StepGuitarSetupEntryFretShine.png", 239, 432, false},
    {"StepGuitarSetupEntryTabShine.png", 232, 201, false},
    {"RecorderLED.png", 24, 24, false},
    {"RecorderShine.png", 214, 282, false},
    {"SaveIcon.png", 52, 52, false},
    {"LoadIcon.png", 52, 52, false},
    {"EraseIcon.png", 52, 52, false},
    {"LoadUpArrow.png", 40, 40, false},
};

class PicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); }
};

TEST_F(PicturesTest, EveryPictureDecodesWithItsNamedFormatAndSize) {
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.name);
        std::string name = e.name;
        std::vector<unsigned char> magic = head(name, 8);
        ASSERT_GE(magic.size(), 4u) << "missing or empty";
        if (name.ends_with(".jpg")) {
            EXPECT_EQ(magic[0], 0xFF);
            EXPECT_EQ(magic[1], 0xD8);
            EXPECT_EQ(magic[2], 0xFF);
        } else {
            EXPECT_EQ(magic[0], 0x89);
            EXPECT_EQ(magic[1], 'P');
            EXPECT_EQ(magic[2], 'N');
            EXPECT_EQ(magic[3], 'G');
        }
        Surface s = load(name);
        ASSERT_TRUE(s) << IMG_GetError();
        EXPECT_EQ(s->w, e.w);
        EXPECT_EQ(s->h, e.h);
    }
}

TEST_F(PicturesTest, EveryPictureHasADoubleDensityTwin) {
    for (const Expected& e : kPictures) {
        std::string name = e.name;
        std::string twin = name.substr(0, name.rfind('.')) + "@2x" + name.substr(name.rfind('.'));
        SCOPED_TRACE(twin);
        Surface s = load(twin);
        ASSERT_TRUE(s) << IMG_GetError();
        EXPECT_EQ(s->w, 2 * e.w);
        EXPECT_EQ(s->h, 2 * e.h);
    }
}

TEST_F(PicturesTest, BackgroundsCoverTheWholeViewAndOverlaysLeaveTheirCornersClear) {
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.name);
        Surface s = load(e.name);
        ASSERT_TRUE(s);
        if (e.opaque) {
            int clear = 0;
            for (int y = 0; y < s->h; ++y)
                for (int x = 0; x < s->w; ++x)
                    if (pixel(s.get(), x, y).a != 255)
                        ++clear;
            EXPECT_EQ(clear, 0);
        }
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

// Mean position, in view points, of the clearly visible pixels of a picture
// shown centred on (cx, cy).
struct Point {
    double x, y;
};
Point visibleCentroid(const SDL_Surface* s, double cx, double cy) {
    double sx = 0, sy = 0;
    long n = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (pixel(s, x, y).a > 230) {
                sx += x;
                sy += y;
                ++n;
            }
    if (n == 0)
        return {-1e9, -1e9};
    return {cx - s->w / 2.0 + sx / n + 0.5, cy - s->h / 2.0 + sy / n + 0.5};
}

TEST_F(PicturesTest, ControlPicturesSitOnTheirTouchAreas) {
    { // next page: x > 270 and y > 424, picture centred on (282, 445.5)
        Surface s = load("ManualRightArrow.png");
        ASSERT_TRUE(s);
        Point p = visibleCentroid(s.get(), 282, 445.5);
        EXPECT_GT(p.x, 270);
        EXPECT_GT(p.y, 424);
    }
    { // plectrum: x < 52 and y < 45, centred on (31, 29)
        Surface s = load("PlectrumMenu.png");
        ASSERT_TRUE(s);
        Point p = visibleCentroid(s.get(), 31, 29);
        EXPECT_LT(p.x, 52);
        EXPECT_LT(p.y, 45);
    }
    { // lit buttons over Play (294 < y < 364) and Record (364 <= y < 435), x < 64
        Surface play = load("PlayLit.png");
        Surface rec = load("RecLit.png");
        ASSERT_TRUE(play && rec);
        Point p = visibleCentroid(play.get(), 35, 331);
        EXPECT_LT(p.x, 64);
        EXPECT_GT(p.y, 294);
        EXPECT_LT(p.y, 364);
        Point r = visibleCentroid(rec.get(), 36, 398);
        EXPECT_LT(r.x, 64);
        EXPECT_GE(r.y, 364);
        EXPECT_LT(r.y, 435);
    }
    { // fewer / more frets: x > 113, y < 241 and 241 <= y < 361 (top bar shown at x - 0.5)
        Surface less = load("MenuLessFrets.png");
        Surface more = load("MenuMoreFrets.png");
        ASSERT_TRUE(less && more);
        Point l = visibleCentroid(less.get(), 219.5, 184);
        Point m = visibleCentroid(more.get(), 219.5, 306);
        EXPECT_GT(l.x, 113);
        EXPECT_LT(l.y, 241);
        EXPECT_GT(m.x, 113);
        EXPECT_GE(m.y, 241);
        EXPECT_LT(m.y, 361);
    }
}

TEST_F(PicturesTest, LibraryAndEditorButtonsSitOnTheirTouchAreas) {
    struct Placed {
        const char* name;
        double cx, cy;         // where the screen centres the picture
        double x0, x1, y0, y1; // its touch area
    };
    const Placed placed[] = {
        {"SaveIcon.png", 259.5, 411.5, 230, 289, 386, 437},
        {"LoadIcon.png", 203.5, 411.5, 177, 230, 386, 437},
        {"EraseIcon.png", 100.5, 411.5, 68, 133, 386, 437},
        {"TabGuitarClearButton.png", 284, 50.5, 248, 320, 0, 101},
        {"TabGuitarInsertButton.png", 117.5, 431, 83, 152, 399, 463},
        {"TabGuitarDeleteButton.png", 117.5, 71, 83, 152, 37, 105},
        {"TabGuitarListenButton.png", 288, 441, 256, 320, 402, 480},
        {"AcousticNoises.png", 291, 62, 265, 320, 0, 123},
        {"MessageBoxOKButton.png", 119.5, 181.5, 91, 148, 132, 231},
        {"MessageBoxCancelButton.png", 119.5, 288.5, 91, 148, 231, 346},
    };
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.name);
        Surface s = load(p.name);
        ASSERT_TRUE(s);
        Point c = visibleCentroid(s.get(), p.cx, p.cy);
        EXPECT_GT(c.x, p.x0);
        EXPECT_LT(c.x, p.x1);
        EXPECT_GT(c.y, p.y0);
        EXPECT_LT(c.y, p.y1);
        // The visible button stays inside its area, give or take its shadow.
        int left = s->w, right = -1, top = s->h, bottom = -1;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                if (pixel(s.get(), x, y).a > 230) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        double ox = p.cx - s->w / 2.0, oy = p.cy - s->h / 2.0;
        EXPECT_GE(ox + left, p.x0 - 3);
        EXPECT_LE(ox + right + 1, p.x1 + 3);
        EXPECT_GE(oy + top, p.y0 - 3);
        EXPECT_LE(oy + bottom + 1, p.y1 + 3);
    }
}

TEST_F(PicturesTest, ScrollButtonsLeaveTheMuteLabelAndPlectrumClear) {
    // Shown centred on (160, 37): picture x = view x. The MUTE label stands at
    // view 156 < x < 231 and the plectrum at x < 52; the arrows at x > 239
    // and 70 < x < 154 must be drawn, the gaps not.
    Surface s = load("FretboardScrollButtons.png");
    ASSERT_TRUE(s);
    const int y = 37;
    EXPECT_GT(pixel(s.get(), 280, y).a, 200);
    EXPECT_GT(pixel(s.get(), 112, y).a, 200);
    EXPECT_LT(pixel(s.get(), 193, y).a, 16);
    EXPECT_LT(pixel(s.get(), 30, y).a, 16);
}

TEST_F(PicturesTest, NutEndsOnTheLineBetweenRowZeroAndRowOne) {
    // The nut picture's far edge (its last rows) is the bone nut itself.
    Surface s = load("Nut.png");
    ASSERT_TRUE(s);
    for (int x : {10, 100, 160, 300}) {
        Rgba p = pixel(s.get(), x, s->h - 3);
        EXPECT_EQ(p.a, 255);
        EXPECT_GT(p.r, 180) << "x " << x;
        EXPECT_GT(p.g, 170) << "x " << x;
    }
}

TEST_F(PicturesTest, StringsAreCentredOnTheirPictures) {
    for (int i = 1; i <= 6; ++i) {
        for (const char* kind : {"Up", "Down"}) {
            std::string name = "String" + std::to_string(i) + kind + ".png";
            SCOPED_TRACE(name);
            Surface s = load(name);
            ASSERT_TRUE(s);
            ASSERT_EQ(s->w, 12);
            // The brightest column at mid-length is the wire; it lies at the centre.
            int best = -1, bestLum = -1;
            for (int x = 0; x < s->w; ++x) {
                Rgba p = pixel(s.get(), x, 240);
                int lum = (p.r + p.g + p.b) * p.a / 255;
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

// Direction, in view degrees (clockwise from +x, y down), of the mean of the
// pixels selected by `pick` around the picture's centre.
template <typename Pick> double directionOf(const SDL_Surface* s, Pick pick) {
    double sx = 0, sy = 0;
    double c = s->w / 2.0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (pick(pixel(s, x, y), x + 0.5 - c, y + 0.5 - c)) {
                sx += x + 0.5 - c;
                sy += y + 0.5 - c;
            }
    return std::atan2(sy, sx) * 180.0 / M_PI;
}

TEST_F(PicturesTest, KnobPointersMatchTheTurningRule) {
    // A knob picture is turned by 2 pi x 0.78 x (value - 0.19); drawn
    // unturned it shows value 0.19, which must put value 0.5 straight up for
    // the sideways user (view +x): pointer at -87 degrees.
    const double expected = -360.0 * 0.78 * (0.5 - 0.19);
    {
        Surface s = load("Knob.png");
        ASSERT_TRUE(s);
        double r0 = s->w * 0.30, r1 = s->w * 0.42;
        double dir = directionOf(s.get(), [&](Rgba p, double dx, double dy) {
            double r = std::hypot(dx, dy);
            return r > r0 && r < r1 && p.r > 200 && p.g > 200 && p.b > 200 && p.a > 200;
        });
        EXPECT_NEAR(dir, expected, 4.0);
    }
    {
        Surface s = load("TabGuitarStrumSpeedDial.png");
        ASSERT_TRUE(s);
        double r0 = s->w * 0.30, r1 = s->w * 0.42;
        double dir = directionOf(s.get(), [&](Rgba p, double dx, double dy) {
            double r = std::hypot(dx, dy);
            return r > r0 && r < r1 && p.r > 200 && p.g > 200 && p.b > 200 && p.a > 200;
        });
        EXPECT_NEAR(dir, expected, 4.0);
    }
    {
        Surface s = load("ShinyDialPointer.png");
        ASSERT_TRUE(s);
        double dir = directionOf(
            s.get(), [](Rgba p, double, double) { return p.r > 150 && p.g < 90 && p.b < 90 && p.a > 200; });
        EXPECT_NEAR(dir, expected, 4.0);
    }
    {
        Surface s = load("FuzzDialPointer.png");
        ASSERT_TRUE(s);
        double far = s->w * 0.32;
        double dir = directionOf(
            s.get(), [&](Rgba p, double dx, double dy) { return std::hypot(dx, dy) > far && p.a > 230; });
        EXPECT_NEAR(dir, expected, 4.0);
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
        Rgba a = pixel(back.get(), x, 104);
        Rgba b = pixel(edge.get(), x, 104);
        diff += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        ++n;
    }
    EXPECT_LT(diff / n, 12.0);
}

} // namespace
