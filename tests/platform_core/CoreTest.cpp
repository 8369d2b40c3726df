#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "platform/core/AnimationCurve.h"
#include "platform/core/CommandLine.h"
#include "platform/core/TextLineBreaker.h"
#include "platform/core/TiltReading.h"
#include "platform/core/ViewGeometry.h"
#include "platform/core/VirtualTilt.h"

TEST(AnimationCurve, TheEaseIsClampedToItsEndsAndNoDurationIsAtTheEndAtOnce) {
    // Its shape is checked through the views' animations.
    using C = AnimationCurve;
    EXPECT_EQ(std::tuple(C::easeInEaseOut(-3.0), C::easeInEaseOut(7.0), C::progress(10.0, 0.0, 9.0)),
              std::tuple(0.0, 1.0, 1.0));
}

TEST(CommandLine, ReadsEveryOptionAndRefusesBadOnesWithAMessage) {
    CommandLine c;
    std::string error;
    ASSERT_TRUE(c.parse({"--documents", "/d", "--caches", "/c", "--bundle", "/b", "--headless", "--screen",
                         "5", "--screenshot", "s.png", "--audio-buffer", "256", "--latency-log", "l.txt"},
                        error))
        << error;
    EXPECT_EQ(
        std::tuple(c.documentsFolder, c.cachesFolder, c.bundleFolder, c.screenshotFile, c.latencyLogFile),
        std::tuple("/d", "/c", "/b", "s.png", "l.txt"));
    EXPECT_EQ(std::tuple(c.headless, c.screen, c.audioBufferFrames), std::tuple(true, 5, 256));
    // A missing value names its option; a bad one is quoted.
    for (auto [option, value] : {std::pair{"--frobnicate", ""},
                                 {"--screen", "3"},
                                 {"--screen", "19"},
                                 {"--screen", "5x"},
                                 {"--screen", ""},
                                 {"--documents", ""},
                                 {"--screen", "-1"},
                                 {"--audio-buffer", "100"},
                                 {"--audio-buffer", "1024"},
                                 {"--latency-log", ""}}) {
        SCOPED_TRACE(option);
        std::vector<std::string> args{option};
        if (*value)
            args.emplace_back(value);
        EXPECT_FALSE(CommandLine().parse(args, error));
        EXPECT_NE(error.find(*value ? "'" + std::string(value) + "'" : option), std::string::npos) << error;
    }
    EXPECT_NE(CommandLine::usage("strumwell").find("--audio-buffer"), std::string::npos);
}

TEST(TextLineBreaker, BreaksAtSpacesNewlinesAndWholeCharacters) {
    // Every character (not byte) is 10 points wide.
    const auto tenPerChar = [](std::string_view s) {
        float w = 0;
        for (std::size_t i = 0; i < s.size(); i += TextLineBreaker::utf8Length(s, i))
            w += 10;
        return w;
    };
    const std::initializer_list<std::tuple<const char*, float, int, std::vector<std::string>>> cases = {
        {"the quick brown fox", 100, 0, {"the quick", "brown fox"}}, // the breaking space goes
        {"Page 3\n\nIntro\n\n", 1000, 0, {"Page 3", "", "Intro", "", ""}},
        {"Page   3 - Intro", 1000, 0, {"Page   3 - Intro"}},
        {"abcdefghij xy", 40, 0, {"abcd", "efgh", "ij", "xy"}}, // a word too long for a line
        {"éé€€éé", 40, 0, {"éé€€", "éé"}},
        {"a b c d e f", 10, 3, {"a", "b", "c"}},
        {"", 100, 0, {""}},
        {"abc", 1, 0, {"a", "b", "c"}}, // too narrow for anything still makes progress
    };
    for (const auto& [text, width, maxLines, lines] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(TextLineBreaker::breakLines(text, width, tenPerChar, maxLines), lines);
    }
    for (auto [text, left] : {std::pair{"ab€", "ab"}, {"é", ""}, {"x", ""}, {"", ""}, {"a\x80", "a"}})
        EXPECT_EQ(TextLineBreaker::dropLastCharacter(text), left) << text;
    EXPECT_EQ(TextLineBreaker::utf8Length("\xE2\x82", 0), 1u); // truncated sequence
    EXPECT_EQ(TextLineBreaker::utf8Length("\xF0\x9F\x8E\xB8", 0), 4u);
}

TEST(TiltReading, SensorsAndControllersReadAsThePhoneDid) {
    constexpr float g = 9.80665f;
    const std::initializer_list<std::tuple<const char*, bool, std::array<float, 3>, double, double, double>>
        cases = {{"phone upright", false, {0, g, 0}, 0, -1, 0},
                 {"phone face up", false, {0, 0, g}, 0, 0, -1},
                 {"phone left edge down", false, {-g, -g, 0}, 1, 1, 0},
                 {"controller flat", true, {0, g, 0}, 0, 0, -1},
                 {"controller right side down", true, {-0.5f * g, 0.866f * g, 0}, 0, -0.5, -0.866},
                 {"controller far edge down", true, {0, 0.866f * g, 0.5f * g}, 0.5, 0, -0.866}};
    for (const auto& [what, controller, data, wantX, wantY, wantZ] : cases) {
        SCOPED_TRACE(what);
        double x = 9, y = 9, z = 9;
        (controller ? TiltReading::fromController : TiltReading::fromPhoneSensor)(data.data(), &x, &y, &z);
        EXPECT_NEAR(x, wantX, 1e-6);
        EXPECT_NEAR(y, wantY, 1e-6);
        EXPECT_NEAR(z, wantZ, 1e-6);
    }
}

TEST(VirtualTilt, HeldKeysLeanEachOnItsOwnAxisAtTheRateToSixtyDegreesAndBack) {
    using enum VirtualTilt::Direction;
    VirtualTilt tilt(150.0);
    tilt.advance(5.0);
    // Each row: a key held or let go, then time passing, then the lean.
    const std::initializer_list<std::tuple<VirtualTilt::Direction, bool, double, double, double>> steps = {
        {TiltLeft, true, 0.1, 15, 0},  {TiltLeft, true, 10, 60, 0},  {TiltLeft, false, 0.2, 30, 0},
        {TiltLeft, false, 1, 0, 0},    {TiltAway, true, 0, 0, 0},    {TiltToward, true, 1, 0, 0}, // cancel
        {TiltToward, false, 1, 0, 60}, {TiltAway, false, 10, 0, 0},  {TiltRight, true, 1, -60, 0},
        {TiltRight, false, 1, 0, 0},   {TiltToward, true, 1, 0, -60}};
    for (const auto& [dir, held, seconds, roll, pitch] : steps) {
        SCOPED_TRACE(testing::Message() << dir << held << seconds);
        tilt.setHeld(dir, held);
        tilt.advance(seconds);
        EXPECT_NEAR(tilt.rollDegrees(), roll, 1e-9);
        EXPECT_NEAR(tilt.pitchDegrees(), pitch, 1e-9);
    }
    tilt.level(); // lets go of everything at once; time going back changes nothing
    EXPECT_FALSE(tilt.isHeld(TiltToward));
    tilt.advance(-1.0);
    EXPECT_EQ(std::tuple(tilt.rollDegrees(), tilt.pitchDegrees()), std::tuple(0.0, 0.0));
}

TEST(ViewGeometry, TheViewStandsUprightInALetterboxedLandscapeWindow) {
    // The view's top-left is the window's bottom-left; its x runs up the window.
    const std::initializer_list<std::tuple<Point, Point>> corners = {
        {{0, 0}, {0, 320}}, {{320, 0}, {0, 0}}, {{0, 480}, {480, 320}}, {{320, 480}, {480, 0}}};
    for (const auto& [view, window] : corners) {
        EXPECT_EQ(ViewGeometry::viewToWindow(view), window);
        EXPECT_EQ(ViewGeometry::windowToView(window), view);
    }
    // The plectrum corner (x < 52, y < 45) sits at the window's bottom-left.
    EXPECT_EQ(ViewGeometry::viewRectToWindow({0, 0, 52, 45}), (Rect{0, 268, 45, 52}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(0, 0), (Point{320, 0}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(1, 1), (Point{0, 480}));
    float tx = 0, ty = 0;
    ViewGeometry::viewToNormalizedTouch({40, 120}, &tx, &ty);
    EXPECT_EQ(std::tuple(tx, ty), std::tuple(0.25f, 0.875f));
    // Outputs are letterboxed to three by two and scaled.
    const std::initializer_list<std::tuple<int, int, Rect, int>> outputs = {
        {960, 640, {0, 0, 960, 640}, 2},   {1000, 500, {125, 0, 750, 500}, 2}, // bars left and right
        {480, 800, {0, 240, 480, 320}, 1}, {1440, 960, {0, 0, 1440, 960}, 3},  // bars above and below
        {1000, 640, {20, 0, 960, 640}, 2}, {200, 100, {25, 0, 150, 100}, 1}};
    for (const auto& [w, h, box, scale] : outputs) {
        SCOPED_TRACE(w);
        EXPECT_EQ(ViewGeometry::letterbox(w, h), box);
        EXPECT_EQ(ViewGeometry::renderScale(w, h), scale);
    }
    EXPECT_TRUE(ViewGeometry::letterbox(0, 100).isEmpty());
    EXPECT_EQ(ViewGeometry::renderScale(100000, 100000), 4);
    // Output pixels go through the letterbox; those in a bar clamp to its edge.
    EXPECT_EQ(ViewGeometry::outputPixelToView(500, 250, 1000, 500), (Point{160, 240}));
    EXPECT_EQ(ViewGeometry::outputPixelToView(10, 250, 1000, 500).y, 0);
}
