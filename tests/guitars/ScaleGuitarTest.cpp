// The Scale Guitar: its tables, the scale calculation for keys and scales,
// bands of the strip, the key selector, the note that sounds, and a recorded
// phrase.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "GuitarTestRig.h"
#include "guitars/ScaleGuitarView.h"

using namespace guitartest;

namespace {

constexpr float kStripX = 167;

class Scale : public ::testing::Test {
protected:
    Scale() : screen(nullptr, &rig.engine) { screen.redraw(); }

    std::vector<int> notes() const {
        std::vector<int> out;
        for (int i = 0; i < screen.scaleNumNotes(); ++i)
            out.push_back(screen.scaleNoteOffset(i));
        return out;
    }
    void tap(long id, Point p) {
        screen.processTouches({down(id, p)});
        screen.processTouches({up(id, p)});
    }

    Rig rig;
    ScaleGuitarView screen;
};

} // namespace

TEST(ScaleTables, ScalesCloseTheOctave) {
    for (const auto& scale : ScaleGuitarView::SCALE_DATA) {
        int sum = 0;
        for (const char* d = scale.intervals; *d; ++d) {
            ASSERT_TRUE(*d >= '1' && *d <= '9') << scale.name;
            sum += *d - '0';
        }
        EXPECT_EQ(sum, 12) << scale.name;
    }
    EXPECT_STREQ(ScaleGuitarView::SCALE_DATA[0].name, "1 - Blues");
    EXPECT_STREQ(ScaleGuitarView::SCALE_DATA[18].name, "19 - Byzanthine");
    EXPECT_STREQ(ScaleGuitarView::SCALE_DATA[31].intervals, "1312122");
    EXPECT_STREQ(ScaleGuitarView::SCALE_DATA[10].intervals, "111111111111");
    EXPECT_STREQ(ScaleGuitarView::KEYNAMES[3], "Key: D#");
    EXPECT_STREQ(ScaleGuitarView::INTERVALS[6], "b5  ");
    EXPECT_STREQ(ScaleGuitarView::NOTENAMES[0], "D");
    EXPECT_STREQ(ScaleGuitarView::NOTENAMES[2], "E");
    EXPECT_STREQ(ScaleGuitarView::NOTENAMES[10], "C");
    EXPECT_STREQ(ScaleGuitarView::NOTENAMES[47], "C#");
}

TEST(ScaleTables, KeySelector) {
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 200}), 0);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 238}), 2);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({100, 300}), 4) << "x 100 is still a white key";
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 357}), 5);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 390}), 7);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 437}), 9);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({80, 470}), 11);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 230}), 1);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 280}), 3);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 350}), 6);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 400}), 8);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 440}), 10);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 257}), -1);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 320}), -1);
    EXPECT_EQ(ScaleGuitarView::getKeyForCoord({120, 470}), -1);
}

TEST_F(Scale, StartsInCWithTheBlues) {
    EXPECT_EQ(screen.currentKeyLabel().text(), "Key: C");
    EXPECT_EQ(screen.scaleNameLabel().text(), "1 - Blues");
    EXPECT_EQ(screen.scaleIntervalLabel().text(), "1  b3  4  b5  5  b7  ");
    EXPECT_EQ(screen.scaleNumNotes(), 19);
    EXPECT_EQ(notes().front(), 10);
    EXPECT_EQ(notes().back(), 46);
    EXPECT_EQ(screen.currentNoteLabel().text(), "");
}

TEST_F(Scale, NotesForKeysAndScales) {
    screen.setCurrentScale(1);
    EXPECT_EQ(screen.scaleIntervalLabel().text(), "1  2  3  4  5  6  7  ");
    EXPECT_EQ(notes(), (std::vector<int>{10, 12, 14, 15, 17, 19, 21, 22, 24, 26, 27,
                                         29, 31, 33, 34, 36, 38, 39, 41, 43, 45, 46}));
    screen.setCurrentKey(3);
    EXPECT_EQ(screen.scaleNumNotes(), 20);
    EXPECT_EQ(notes().front(), 13) << "D# starts an octave up, not at sample 1";
    EXPECT_EQ(notes().back(), 46);
    screen.setCurrentKey(4);
    screen.setCurrentScale(10);
    EXPECT_EQ(screen.scaleNumNotes(), 46);
    EXPECT_EQ(notes().front(), 2);
    EXPECT_EQ(notes().back(), 47);
    EXPECT_EQ(screen.scaleNameLabel().text(), "11 - Chromatic");
    // Every key and scale stays within the bank and the 50 entries.
    for (int k = 0; k < 12; ++k) {
        for (int s = 0; s < 32; ++s) {
            screen.setCurrentKey(k);
            screen.setCurrentScale(s);
            ASSERT_GT(screen.scaleNumNotes(), 0);
            ASSERT_LE(screen.scaleNumNotes(), 46);
            EXPECT_GE(notes().front(), 2);
            EXPECT_LE(notes().front(), 13);
            EXPECT_LE(notes().back(), 47);
        }
    }
}

TEST_F(Scale, BandsOfTheStrip) {
    screen.setCurrentScale(1); // 22 notes
    ASSERT_EQ(screen.scaleNumNotes(), 22);
    auto index = [&](float y) {
        const int sample = screen.getScalePress({kStripX, y});
        for (int i = 0; i < screen.scaleNumNotes(); ++i)
            if (screen.scaleNoteOffset(i) == sample)
                return i;
        return -1;
    };
    EXPECT_EQ(index(0), 0);
    EXPECT_EQ(index(23.9f), 0);
    EXPECT_EQ(index(24), 1);
    EXPECT_EQ(index(100), 4);
    EXPECT_EQ(index(240), 11);
    EXPECT_EQ(index(479.9f), 21);
    EXPECT_EQ(index(480), 21) << "the far end plays the last note";
    EXPECT_EQ(index(9000), 21);
    EXPECT_EQ(index(-5), 0);
}

TEST_F(Scale, ChromaticFromE) {
    tap(1, {80, 300}); // E
    EXPECT_EQ(screen.currentKeyLabel().text(), "Key: E");
    for (int i = 0; i < 10; ++i)
        tap(2, {230, 450}); // next scale
    EXPECT_EQ(screen.currentScale(), 10);
    screen.processTouches({down(3, {kStripX, 1})});
    EXPECT_EQ(rig.fresh(), (Log{"+2"}));
    EXPECT_EQ(screen.currentNoteLabel().text(), "E");
    EXPECT_EQ(screen.currentPlayingSampleNo(), 2);
}

TEST_F(Scale, ScaleArrowsWrap) {
    tap(1, {230, 250});
    EXPECT_EQ(screen.currentScale(), 31);
    EXPECT_EQ(screen.scaleNameLabel().text(), "32 - Spanish Gypsy");
    tap(2, {230, 450});
    EXPECT_EQ(screen.scaleNameLabel().text(), "1 - Blues");
}

TEST_F(Scale, EveryScaleNameFitsItsWindowBelowTheCaption) {
    // The window's "SCALE" caption stands at view 252 < x < 261, 277 < y < 306.
    for (int n = 0; n < ScaleGuitarView::kNumScales; ++n) {
        screen.setCurrentScale(n);
        const Label& name = screen.scaleNameLabel();
        SCOPED_TRACE(name.text());
        EXPECT_EQ(name.text(), ScaleGuitarView::SCALE_DATA[n].name) << "shown exactly as named";
        EXPECT_EQ(name.layoutLines(), std::vector<std::string>{name.text()}) << "not cut short";
        EXPECT_GE(name.font().size, 9.0f);
        EXPECT_LE(name.frame().x + name.frame().width, 252.0f);
        EXPECT_GE(name.frame().y, 277.0f);
        EXPECT_LE(name.frame().y + name.frame().height, 431.0f);
    }
}

TEST_F(Scale, SlidingPlaysOneNotePerBand) {
    // 19 blues notes: bands of about 25 points.
    screen.processTouches({down(1, {kStripX, 10})});
    Point at{kStripX, 10};
    for (float y = 12; y < 80; y += 2) {
        const Point next{kStripX, y};
        screen.processTouches({move(1, next, at)});
        at = next;
    }
    // Bands 0 to 3 begin at y 0, 28.8, 52.8 and 76.8: each entered once.
    EXPECT_EQ(rig.fresh(), (Log{"+10", "-10", "+13", "-13", "+15", "-15", "+16"}));
    EXPECT_EQ(screen.currentNoteLabel().text(), "F#");
    // Out of the strip across x = 198.
    screen.processTouches({move(1, {205, 80}, at)});
    EXPECT_EQ(rig.fresh(), (Log{"-16"}));
    EXPECT_EQ(screen.currentNoteLabel().text(), "");
    EXPECT_EQ(screen.currentPlayingPlaylistNo(), -1);
    screen.processTouches({up(1, {205, 80})});
    EXPECT_EQ(rig.fresh(), Log{});
}

TEST_F(Scale, OneNoteForAllFingers) {
    screen.processTouches({down(1, {kStripX, 10})});
    screen.processTouches({down(2, {kStripX, 470})});
    EXPECT_EQ(rig.fresh(), (Log{"+10", "-10", "+46"}));
    screen.processTouches({up(1, {kStripX, 10})});
    EXPECT_EQ(rig.fresh(), (Log{"-46"}));
    EXPECT_EQ(screen.currentNoteLabel().text(), "");
    screen.processTouches({up(2, {kStripX, 470})});
    EXPECT_EQ(rig.fresh(), Log{});
}

TEST_F(Scale, KeyChangeLeavesTheNoteSounding) {
    screen.processTouches({down(1, {kStripX, 100})});
    const int voice = screen.currentPlayingPlaylistNo();
    ASSERT_NE(voice, -1);
    rig.fresh();
    tap(2, {120, 230}); // C#
    EXPECT_EQ(screen.currentKey(), 1);
    EXPECT_EQ(screen.currentKeyLabel().text(), "Key: C#");
    EXPECT_EQ(rig.fresh(), Log{});
    EXPECT_TRUE(rig.engine.voicePlaying(voice));
    tap(3, {120, 320}); // between black keys: nothing
    EXPECT_EQ(screen.currentKey(), 1);
    // A finger sliding from the strip onto the keyboard stops the note and
    // picks a key.
    screen.processTouches({move(1, {80, 470}, {kStripX, 100})});
    EXPECT_EQ(rig.fresh(), (Log{"-16"}));
    EXPECT_EQ(screen.currentKey(), 11);
}

TEST_F(Scale, PlectrumMenu) {
    screen.processTouches({down(1, {kStripX, 100})});
    rig.fresh();
    tap(2, {20, 20});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_EQ(rig.fresh(), (Log{"-16"}));
    EXPECT_EQ(screen.currentNoteLabel().text(), "F#") << "the note label keeps its text";
    EXPECT_EQ(screen.topBar().center(), (Point{0, 240}));
    // The fewer/more frets zone does nothing here.
    tap(3, {200, 200});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_EQ(rig.engine.numFretsToShow(), 5);
    tap(4, {20, 20});
    EXPECT_EQ(screen.topBar().center(), (Point{60, 240}));
    EXPECT_EQ(screen.recordMenuBar().center(), (Point{-33, 240}));
}

TEST_F(Scale, RecordsAPhraseIntoTheSong) {
    Rig fresh(false);
    ScaleGuitarView scale(nullptr, &fresh.engine);
    scale.redraw();
    auto tapOn = [&](long id, Point p) {
        scale.processTouches({down(id, p)});
        scale.processTouches({up(id, p)});
    };
    tapOn(1, {20, 20});
    tapOn(2, {30, 400});
    ASSERT_EQ(fresh.engine.getRecorderState(), 2);
    scale.processTouches({down(3, {kStripX, 10})});
    fresh.clock.advance(0.5);
    scale.processTouches({move(3, {kStripX, 30}, {kStripX, 10})});
    fresh.clock.advance(0.5);
    scale.processTouches({up(3, {kStripX, 30})});
    tapOn(4, {20, 20});
    tapOn(5, {30, 400});
    fresh.recorder.runPlaybackPass();
    fresh.recorder.runPlaybackPass();
    const std::vector<Note> notes = fresh.recorder.notes();
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_TRUE(notes[0].keyDown());
    EXPECT_EQ(notes[0].sampleNo(), 10);
    EXPECT_DOUBLE_EQ(notes[3].time(), 1.0);
    EXPECT_FALSE(notes[3].keyDown());
    int down13 = 0;
    for (const Note& n : notes)
        if (n.keyDown() && n.sampleNo() == 13)
            ++down13;
    EXPECT_EQ(down13, 1);
}
