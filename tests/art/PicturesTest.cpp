// Checks the rendered pictures in the bundle: every picture the screens load
// is there, in the format its name promises, with its double-density twin;
// backgrounds are opaque, and the knob pointer agrees with the rule that turns them.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kBundle = STRUMWELL_TEST_BUNDLE_DIR;

using Surface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

// Loads a bundle picture as 32-bit RGBA so pixels can be read directly.
Surface load(const std::string& name) {
    const Surface raw(IMG_Load((kBundle + "/" + name).c_str()), SDL_FreeSurface);
    return Surface(raw ? SDL_ConvertSurfaceFormat(raw.get(), SDL_PIXELFORMAT_RGBA32, 0) : nullptr,
                   SDL_FreeSurface);
}

struct Rgba {
    int r, g, b, a;
};

Rgba pixel(const SDL_Surface* s, int x, int y) {
    const std::uint8_t* p = static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The pictures the program's code names, read from its sources, plus every
// picture in the bundle; names completed at run time are found in the bundle.
std::set<std::string> allPictures() {
    // This file's name may be relative to the build folder, which holds the
    // test's working folder.
    fs::path self = __FILE__;
    for (fs::path base = fs::current_path(); !fs::exists(self) && base != base.root_path();
         base = base.parent_path())
        self = base / __FILE__;
    const std::regex literal(R"((^|[^+\s])\s*\"([A-Za-z0-9]+\.(png|jpg))\")");
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(self.parent_path() / "../../Classes")) {
        std::ifstream in(entry.path());
        for (std::string line; entry.path().extension() == ".cpp" && std::getline(in, line);)
            for (std::sregex_iterator m(line.begin(), line.end(), literal), end; m != end; ++m)
                names.insert((*m)[2]);
    }
    EXPECT_GT(names.size(), 50u);
    for (const auto& entry : fs::directory_iterator(kBundle)) {
        const std::string name = entry.path().filename().string();
        if ((name.ends_with(".png") || name.ends_with(".jpg")) && name.find('@') == std::string::npos)
            names.insert(name);
    }
    return names;
}

TEST(PicturesTest, EveryPictureDecodesWithItsTwinAndKnobPointersMatchTheTurningRule) {
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    for (const std::string& name : allPictures()) {
        SCOPED_TRACE(name);
        std::ifstream in(kBundle + "/" + name, std::ios::binary);
        std::string magic(4, '\0');
        ASSERT_TRUE(in.read(magic.data(), 4)) << "missing or empty";
        EXPECT_TRUE(magic.starts_with(name.ends_with(".jpg") ? "\xFF\xD8\xFF" : "\x89PNG")) << "wrong format";
        Surface s = load(name);
        ASSERT_TRUE(s) << IMG_GetError();
        const std::string twin = name.substr(0, name.size() - 4) + "@2x" + name.substr(name.size() - 4);
        Surface big = load(twin);
        ASSERT_TRUE(big) << twin << ": " << IMG_GetError();
        EXPECT_EQ(std::pair(big->w, big->h), std::pair(2 * s->w, 2 * s->h));
        // Backgrounds cover every pixel; every other picture shows something.
        int opaque = 0, clear = 0;
        for (int i = 0; i < s->w * s->h; ++i) {
            opaque += pixel(s.get(), i % s->w, i / s->w).a == 255;
            clear += pixel(s.get(), i % s->w, i / s->w).a == 0;
        }
        if (name.find("Back.") != std::string::npos || name == "HammerOnFretboard.jpg") {
            EXPECT_EQ(opaque, s->w * s->h);
        }
        EXPECT_LT(clear, s->w * s->h);
    }
    // A knob picture is turned by 2 pi x 0.78 x (value - 0.19); drawn
    // unturned it shows value 0.19, which must put value 0.5 straight up for
    // the sideways user (view +x): pointer at -87 degrees.
    // The knob's pointer is its white ring, between 0.30 and 0.42 widths from the centre.
    Surface s = load("Knob.png");
    ASSERT_TRUE(s);
    // Direction, in view degrees (clockwise from +x, y down), of the mean of the picked pixels.
    double sx = 0, sy = 0, c = s->w / 2.0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (const Rgba p = pixel(s.get(), x, y);
                p.r > 200 && p.g > 200 && p.b > 200 && p.a > 200 &&
                std::abs(std::hypot(x + 0.5 - c, y + 0.5 - c) / s->w - 0.36) < 0.06) {
                sx += x + 0.5 - c;
                sy += y + 0.5 - c;
            }
    EXPECT_NEAR(std::atan2(sy, sx) * 180.0 / M_PI, -360.0 * 0.78 * (0.5 - 0.19), 4.0);
}

} // namespace
