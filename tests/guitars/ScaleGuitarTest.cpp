// The Scale Guitar: the notes of every scale in every key, the bands of the
// strip, the key selector and the scale arrows, and the one note that sounds,
// in one touch script.

#include "GuitarTestRig.h"
#include "guitars/ScaleGuitarView.h"

using namespace guitartest;

namespace {

constexpr float kStripX = 167;
constexpr Point kNextScale = {230, 450}, kPreviousScale = {230, 250};

class Scale : public ::testing::Test {
protected:
    Scale() {
        screen.redraw();
        rig.state = [this] {
            return screen.currentKeyLabel().text() + " / " + screen.scaleNameLabel().text() + " / " +
                   screen.currentNoteLabel().text() + (screen.menuShowing() ? " menu" : "");
        };
    }

    std::vector<int> notes() const {
        std::vector<int> out;
        for (int i = 0; i < screen.scaleNumNotes(); ++i)
            out.push_back(screen.scaleNoteOffset(i));
        return out;
    }
    static Point strip(float y) { return {kStripX, y}; }
    void play(std::initializer_list<Step> steps) { guitartest::play(screen, rig, steps); }

    Rig rig;
    ScaleGuitarView screen{nullptr, &rig.performer};
};

} // namespace

TEST_F(Scale, EveryScaleInEveryKeyStepsByItsIntervalsWithinTheBank) {
    for (int k = 0; k < ScaleGuitarView::kNumKeys; ++k)
        for (int s = 0; s < ScaleGuitarView::kNumScales; ++s) {
            screen.setCurrentKey(k);
            screen.setCurrentScale(s);
            const std::string intervals = ScaleGuitarView::SCALE_DATA[s].intervals;
            SCOPED_TRACE(std::to_string(k) + " " + intervals);
            const std::vector<int> n = notes();
            ASSERT_FALSE(n.empty());
            // The lowest root in the bank (samples 2 to 47), then the steps.
            EXPECT_EQ(std::string("Key: ") + ScaleGuitarView::NOTENAMES[n.front()],
                      ScaleGuitarView::KEYNAMES[k]);
            // The turned name fits its window, before the "SCALE" caption, on one line.
            EXPECT_LE(screen.scaleNameLabel().frame().maxX(), 252.0f);
            EXPECT_EQ(screen.scaleNameLabel().layoutLines().size(), 1u);
            EXPECT_LE(n.front(), 13);
            EXPECT_GE(n.front(), 2) << "D# starts an octave up, not at sample 1";
            for (std::size_t i = 1; i < n.size(); ++i)
                ASSERT_EQ(n[i] - n[i - 1], intervals[(i - 1) % intervals.size()] - '0') << i;
            EXPECT_LE(n.back(), 47);
            EXPECT_GT(n.back() + intervals[(n.size() - 1) % intervals.size()] - '0', 47)
                << "no note left out";
        }
}

TEST_F(Scale, OneNoteForAllFingersOnePerBandKeysScalesAndTheMenu) {
    // 19 blues notes in C: bands 0 to 3 begin at y 0, 28.8, 52.8 and 76.8.
    play({{'h', 1, strip(10), {"+10"}},
          {'m', 1, strip(28), {}},
          {'m', 1, strip(29), {"-10", "+13"}},
          {'m', 1, strip(53), {"-13", "+15"}},
          {'m', 1, strip(78), {"-15", "+16"}, "Key: C / 1 - Blues / F#"},
          {'m', 1, {205, 80}, {"-16"}}, // out of the strip across x = 198
          {'l', 1, {205, 80}, {}, "Key: C / 1 - Blues / "},
          {'h', 1, strip(10), {"+10"}},
          {'h', 2, strip(470), {"-10", "+46"}},
          {'l', 1, strip(10), {"-46"}},
          {'l', 2, strip(470), {}, "Key: C / 1 - Blues / "},
          // A key change (C#, then between black keys: nothing) leaves the
          // note sounding; a finger sliding from the strip onto the keyboard
          // stops it and picks a key.
          {'h', 1, strip(100), {"+16"}},
          {'t', 2, {120, 230}},
          {'t', 3, {120, 320}, {}, "Key: C# / 1 - Blues / F#"},
          {'m', 1, {80, 470}, {"-16"}, "Key: B / 1 - Blues / "},
          // The menu stops a note but its label keeps its text; it has no
          // fewer/more frets buttons.
          {'h', 4, strip(100), {"+15"}},
          {'t', 5, {20, 20}, {"-15"}},
          {'t', 6, {200, 200}, {}, "Key: B / 1 - Blues / F menu"},
          {'t', 7, {20, 20}, {}, "Key: B / 1 - Blues / F"},
          {'t', 1, {80, 300}, {}, "Key: E / 1 - Blues / F"}});
    for (int i = 0; i < 10; ++i)
        play({{'t', 2, kNextScale}});
    play({{'h', 3, strip(1), {"+2"}, "Key: E / 11 - Chromatic / E"}});
    screen.setCurrentScale(0);
    play({{'t', 4, kPreviousScale, {}, "Key: E / 32 - Spanish Gypsy / E"},
          {'t', 5, kNextScale, {}, "Key: E / 1 - Blues / E"},
          {'h', 6, strip(-5), {"-2", "+2"}},
          {'h', 7, strip(480), {"-2", "+45"}}});
}
