#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/FingerView.h"
#include "platform/HitTable.h"

namespace {

// Writes one letter per finger call: d(own), m(ove), u(p), then the x.
struct Log {
    std::string text;
    void add(char what, const Touch& t) { text += what + std::to_string(static_cast<int>(t.location.x)); }
};

struct Layer : FingerView::FingerTarget {
    Log& log;
    explicit Layer(Log& l) : log(l) {}
    void fingerDown(const Touch& t) override { log.add('D', t); }
    void fingerMove(const Touch& t) override { log.add('M', t); }
    void fingerUp(const Touch& t) override { log.add('U', t); }
};

struct Screen : FingerView {
    Log log;
    Layer menu{log};
    bool pushMenuOnDown = false;
    Screen() : FingerView(Rect{0, 0, 480, 320}) {}
    void fingerDown(const Touch& t) override {
        log.add('d', t);
        if (pushMenuOnDown)
            pushModal(menu);
    }
    void fingerMove(const Touch& t) override { log.add('m', t); }
    void fingerUp(const Touch& t) override { log.add('u', t); }
};

Touch touch(TouchPhase phase, float x) {
    Touch t;
    t.phase = phase;
    t.location = {x, 0};
    return t;
}

} // namespace

TEST(FingerView, PhasesBecomeFingersAndAModalLayerTakesThemUntilPopped) {
    Screen s;
    s.touchesBegan({touch(TouchPhase::Began, 1)});
    s.touchesMoved({touch(TouchPhase::Moved, 2), touch(TouchPhase::Stationary, 9)});
    s.touchesEnded({touch(TouchPhase::Ended, 3)});
    s.touchesCancelled({touch(TouchPhase::Cancelled, 4)});
    EXPECT_EQ(s.log.text, "d1m2u3u4");

    s.log.text.clear();
    s.pushMenuOnDown = true;
    // The first finger opens the menu; the second finger of the same set already goes to it.
    s.touchesBegan({touch(TouchPhase::Began, 5), touch(TouchPhase::Began, 6)});
    s.touchesEnded({touch(TouchPhase::Ended, 7)});
    EXPECT_TRUE(s.isModalOnTop(s.menu));
    s.popModal(s.menu);
    s.popModal(s.menu); // popping twice is harmless
    EXPECT_FALSE(s.hasModal());
    s.touchesEnded({touch(TouchPhase::Ended, 8)});
    EXPECT_EQ(s.log.text, "d5D6U7u8");
}

TEST(FingerView, OnlyTheTopLayerTakesFingersAndRepushingMovesALayerUp) {
    Screen s;
    Layer a(s.log), b(s.log);
    s.pushModal(a);
    s.pushModal(b);
    s.pushModal(a); // now a is on top, b below it, and a is there once
    s.touchesBegan({touch(TouchPhase::Began, 1)});
    s.popModal(a);
    s.touchesBegan({touch(TouchPhase::Began, 2)});
    s.popModal(b);
    s.touchesBegan({touch(TouchPhase::Began, 3)});
    EXPECT_EQ(s.log.text, "D1D2d3");
    EXPECT_FALSE(s.hasModal());
}

TEST(HitTable, FirstAreaHoldingThePointWinsAndTheDisjointCheckCatchesOverlapsAndStrays) {
    enum class A { Back, Play };
    const std::array<HitArea<A>, 2> table{{{Rect{0, 0, 10, 10}, A::Back}, {Rect{10, 0, 10, 10}, A::Play}}};
    EXPECT_EQ(hitAction<A>(table, {9.9f, 5}), A::Back);
    EXPECT_EQ(hitAction<A>(table, {10, 5}), A::Play); // half-open edges: no point is in both
    EXPECT_FALSE(hitAction<A>(table, {20, 5}).has_value());
    EXPECT_TRUE(hitAreasAreDisjointWithin<A>(table, Rect{0, 0, 20, 10}));
    EXPECT_FALSE(hitAreasAreDisjointWithin<A>(table, Rect{0, 0, 19, 10}));
    const std::array<HitArea<A>, 2> overlapping{{{Rect{0, 0, 10, 10}, A::Back}, {Rect{9, 9, 5, 5}, A::Play}}};
    EXPECT_FALSE(hitAreasAreDisjointWithin<A>(overlapping, Rect{0, 0, 20, 20}));
}
