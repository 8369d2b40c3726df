#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "platform/FingerView.h"
#include "platform/FontCache.h"
#include "platform/Graphics.h"
#include "platform/HitTable.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/View.h"

namespace {

void expectNear(Point a, Point b) {
    EXPECT_NEAR(a.x, b.x, 1e-3);
    EXPECT_NEAR(a.y, b.y, 1e-3);
}

} // namespace

TEST(View, FramesCentresAndAQuarterTurnThatKeepsTheCentreAndSwapsTheExtent) {
    View v(Rect{10, 20, 100, 50});
    EXPECT_EQ(std::tuple(v.center(), v.bounds()), std::tuple(Point{60, 45}, Rect{0, 0, 100, 50}));
    v.setCenter({0, 0});
    EXPECT_EQ(v.frame(), (Rect{-50, -25, 100, 50}));
    // The manual's text label: frame (-71, 110, 428, 285) before the turn.
    Label l(Rect{-71, 110, 428, 285});
    l.setRotation(kQuarterTurn);
    EXPECT_EQ(std::tuple(l.center(), l.bounds()), std::tuple(Point{143, 252.5f}, Rect{0, 0, 428, 285}));
    const Rect f = l.frame();
    expectNear({f.x, f.y}, {0.5f, 38.5f});
    expectNear({f.width, f.height}, {285, 428});
    // The label's own top-left (where its first line starts) is at the
    // user's top-left: large x (up), small y (left).
    expectNear(l.pointToSuperview({0, 0}), {285.5f, 38.5f});
    // Reading direction: the label's +x runs along the view's +y.
    expectNear(l.pointToSuperview({10, 0}), {285.5f, 48.5f});
    expectNear(l.pointFromSuperview({285.5f, 48.5f}), {10, 0});
}

TEST(View, HierarchyOrderMovesAndDetaching) {
    using Views = std::vector<View*>;
    View root(Rect{0, 0, 320, 480}), a, b, c;
    root.addSubview(&a);
    root.addSubview(&b);
    root.insertSubview(&c, 0);
    EXPECT_EQ(root.subviews(), (Views{&c, &a, &b}));
    root.bringSubviewToFront(&c);
    EXPECT_EQ(root.subviews(), (Views{&a, &b, &c}));
    root.insertSubviewBelow(&b, &a);
    EXPECT_EQ(root.subviews(), (Views{&b, &a, &c}));
    root.insertSubviewAbove(&b, &c);
    EXPECT_EQ(root.subviews(), (Views{&a, &c, &b}));
    root.sendSubviewToBack(&c);
    EXPECT_EQ(root.subviews(), (Views{&c, &a, &b}));
    a.addSubview(&b); // adding to another parent moves it
    EXPECT_EQ(root.subviews(), (Views{&c, &a}));
    EXPECT_TRUE(b.superview() == &a && b.isDescendantOf(&root) && b.rootView() == &root);
    b.addSubview(&root); // no cycles
    EXPECT_EQ(root.superview(), nullptr);
    b.setTag(42);
    EXPECT_EQ(root.viewWithTag(42), &b);
    EXPECT_EQ(root.viewWithTag(43), nullptr);
    b.removeFromSuperview();
    EXPECT_EQ(b.superview(), nullptr);
    EXPECT_TRUE(a.subviews().empty());
    // Destroying a view detaches it from its parent and its children from it.
    {
        View middle(Rect{0, 0, 10, 10});
        root.addSubview(&middle);
        middle.addSubview(&b);
    }
    EXPECT_EQ(root.subviews(), (Views{&c, &a}));
    EXPECT_EQ(b.superview(), nullptr);
}

TEST(View, ConvertsPointsThroughTranslatedAndTurnedAncestors) {
    View root(Rect{0, 0, 320, 480});
    View bar(Rect{0, 0, 1, 480}); // a thin container, as the plectrum menu's top bar
    bar.setCenter({150, 240});
    View button(Rect{0, 0, 40, 100});
    button.setCenter({220, 184});
    root.addSubview(&bar);
    bar.addSubview(&button);
    // bar's origin is at (149.5, 0) in the root.
    expectNear(button.convertPointTo({0, 0}, nullptr), {149.5f + 200, 134});
    expectNear(button.convertPointFrom({349.5f, 134}, nullptr), {0, 0});
    expectNear(bar.convertPointTo({0, 0}, &button), {-200, -134});
    View turned(Rect{100, 100, 40, 20});
    turned.setRotation(kQuarterTurn);
    root.addSubview(&turned);
    Point p = turned.convertPointTo({5, 5}, &button);
    expectNear(button.convertPointTo(p, &turned), {5, 5});
}

TEST(View, HitTestingPicksTheTopMostInteractiveView) {
    View root(Rect{0, 0, 320, 480});
    View screen(Rect{0, 0, 320, 480});
    View lower(Rect{0, 0, 100, 100});
    View upper(Rect{50, 50, 100, 100});
    ImageView picture; // image views take no touches
    picture.setFrame({0, 0, 320, 480});
    root.addSubview(&screen);
    screen.addSubview(&lower);
    screen.addSubview(&upper);
    screen.addSubview(&picture);
    EXPECT_EQ(root.hitTest({60, 60}), &upper);
    EXPECT_EQ(root.hitTest({10, 10}), &lower);
    EXPECT_EQ(root.hitTest({300, 400}), &screen);
    upper.setHidden(true);
    EXPECT_EQ(root.hitTest({60, 60}), &lower);
    upper.setHidden(false);
    upper.setAlpha(0.0f);
    EXPECT_EQ(root.hitTest({60, 60}), &lower);
    upper.setAlpha(1.0f);
    upper.setUserInteractionEnabled(false);
    EXPECT_EQ(root.hitTest({60, 60}), &lower);
    // A view taking no touches hides its subviews from touches too.
    screen.setUserInteractionEnabled(false);
    EXPECT_EQ(root.hitTest({10, 10}), &root);
    EXPECT_FALSE(lower.canReceiveTouches());
    // Outside the root: nothing.
    EXPECT_EQ(root.hitTest({-1, 10}), nullptr);
    EXPECT_EQ(root.hitTest({320, 10}), nullptr); // right edge excluded
    View turned(Rect{100, 200, 100, 20});        // turned: covers x 140..160, y 160..260
    turned.setRotation(kQuarterTurn);
    root.addSubview(&turned);
    EXPECT_EQ(root.hitTest({150, 170}), &turned);
    EXPECT_EQ(root.hitTest({150, 255}), &turned);
    EXPECT_EQ(root.hitTest({110, 210}), &root); // inside the unturned frame only
}

TEST(View, LabelWrapsWordsOverTheLinesThatFit) {
    Label l(Rect{0, 0, 120, 200});
    l.setFont("Arial", 13);
    l.setNumberOfLines(0);
    l.setText("Strum the strings over the pickup with one finger.");
    auto lines = l.layoutLines();
    ASSERT_GE(lines.size(), 3u);
    std::string joined;
    for (const auto& s : lines) {
        EXPECT_LE(Graphics::measureText(s, l.font()).width, 120.0f) << s;
        joined += (joined.empty() ? "" : " ") + s;
    }
    EXPECT_EQ(joined, l.text());
    // One line only: never wrapped, cut short with "...".
    l.setNumberOfLines(1);
    ASSERT_EQ(l.layoutLines().size(), 1u);
    std::string cut = l.layoutLines()[0];
    EXPECT_EQ(cut.substr(0, 6), "Strum ");
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_LE(Graphics::measureText(cut, l.font()).width, 120.0f);
    l.setText("Fits");
    EXPECT_EQ(l.layoutLines()[0], "Fits");
    l.setText("Strum the strings over the pickup with one finger.");
    // Only the lines that fit the height are kept.
    l.setNumberOfLines(0);
    l.setBounds({0, 0, 120, Graphics::lineHeight(l.font()) * 2});
    EXPECT_EQ(l.layoutLines().size(), 2u);
    // Empty text: nothing.
    l.setText("");
    EXPECT_TRUE(l.layoutLines().empty());
    EXPECT_FALSE(l.isUserInteractionEnabled());
}

TEST(View, FontsResolveToLiberation) {
    for (auto [name, bold, file] : {std::tuple{"Arial", false, "LiberationSans-Regular"},
                                    {"Helvetica-Bold", false, "LiberationSans-Bold"},
                                    {"Courier", false, "LiberationMono-Regular"},
                                    {"Courier", true, "LiberationMono-Bold"}})
        EXPECT_NE(FontCache::fontPath(name, bold).find(file), std::string::npos) << name;
    // Wider text measures wider; bigger fonts stand taller.
    Font f{"Arial", 13};
    EXPECT_GT(Graphics::measureText("WWWW", f).width, Graphics::measureText("iiii", f).width);
    EXPECT_GT(Graphics::lineHeight(Font{"Arial", 24}), Graphics::lineHeight(f));
}

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

TEST(FingerView, PhasesBecomeFingersAndTheTopModalLayerTakesThemUntilPopped) {
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
    // Only the top layer takes fingers; pushing a layer again moves it up.
    s.log.text.clear();
    s.pushMenuOnDown = false;
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
