#include "PlatformTestSupport.h"

// Points rounded to thousandths, so that float noise compares equal.
static std::tuple<long, long> near(Point p) {
    return {std::lround(p.x * 1000), std::lround(p.y * 1000)};
}

TEST(View, AQuarterTurnKeepsTheCentreSwapsTheExtentAndConvertsPointsThroughAncestors) {
    Label l(Rect{-71, 110, 428, 285});
    l.setRotation(kQuarterTurn);
    EXPECT_EQ(std::tuple(l.center(), l.bounds(), l.frame()),
              std::tuple(Point{143, 252.5f}, Rect{0, 0, 428, 285}, Rect{0.5f, 38.5f, 285, 428}));
    // The label's own top-left (where its first line starts) is at the user's
    // top-left: large x (up), small y (left); its +x runs along the view's +y.
    EXPECT_EQ(near(l.pointToSuperview({10, 0})), near({285.5f, 48.5f}));
    EXPECT_EQ(near(l.pointFromSuperview({285.5f, 48.5f})), near({10, 0}));
    // A thin bar (origin 149.5, 0) holding a button, and the turned label beside them.
    View root(Rect{0, 0, 320, 480}), bar(Rect{0, 0, 1, 480}), button(Rect{0, 0, 40, 100});
    bar.setCenter({150, 240});
    button.setCenter({220, 184});
    root.addSubview(&bar);
    bar.addSubview(&button);
    root.addSubview(&l);
    EXPECT_EQ(near(button.convertPointTo({0, 0}, nullptr)), near({349.5f, 134}));
    EXPECT_EQ(near(bar.convertPointTo({0, 0}, &button)), near({-200, -134}));
    EXPECT_EQ(near(button.convertPointTo(l.convertPointTo({5, 5}, &button), &l)), near({5, 5}));
}

TEST(View, HierarchyOrderMovesAndDetaching) {
    using Views = std::vector<View*>;
    View root(Rect{0, 0, 320, 480}), a, b, c;
    root.addSubview(&a);
    // Each step, then the root's subviews in order.
    const std::initializer_list<std::tuple<const char*, std::function<void()>, Views>> steps = {
        {"added", [&] { root.addSubview(&b); }, {&a, &b}},
        {"inserted first", [&] { root.insertSubview(&c, 0); }, {&c, &a, &b}},
        {"to the front", [&] { root.bringSubviewToFront(&c); }, {&a, &b, &c}},
        {"below", [&] { root.insertSubviewBelow(&b, &a); }, {&b, &a, &c}},
        {"above", [&] { root.insertSubviewAbove(&b, &c); }, {&a, &c, &b}},
        {"to the back", [&] { root.sendSubviewToBack(&c); }, {&c, &a, &b}},
        {"adding to another parent moves it", [&] { a.addSubview(&b); }, {&c, &a}},
        {"no cycles", [&] { b.addSubview(&root); }, {&c, &a}}};
    for (const auto& [what, apply, after] : steps) {
        SCOPED_TRACE(what);
        apply();
        EXPECT_EQ(root.subviews(), after);
    }
    EXPECT_TRUE(b.superview() == &a && b.isDescendantOf(&root) && b.rootView() == &root && !root.superview());
    b.setTag(42);
    EXPECT_EQ(std::tuple(root.viewWithTag(42), root.viewWithTag(43)), std::tuple(&b, nullptr));
    b.removeFromSuperview();
    EXPECT_EQ(std::tuple(b.superview(), a.subviews().size()), std::tuple(nullptr, 0u));
    // Destroying a view detaches it from its parent and its children from it.
    {
        View middle(Rect{0, 0, 10, 10});
        root.addSubview(&middle);
        middle.addSubview(&b);
    }
    EXPECT_EQ(std::tuple(root.subviews(), b.superview()), std::tuple(Views{&c, &a}, nullptr));
}

TEST(View, HitTestingPicksTheTopMostVisibleInteractiveView) {
    View root(Rect{0, 0, 320, 480}), screen(Rect{0, 0, 320, 480});
    View lower(Rect{0, 0, 100, 100}), upper(Rect{50, 50, 100, 100}), turned(Rect{100, 200, 100, 20});
    ImageView picture; // image views take no touches
    picture.setFrame({0, 0, 320, 480});
    turned.setRotation(kQuarterTurn); // covers x 140..160, y 160..260
    root.addSubview(&screen);
    for (View* v : {&lower, &upper, static_cast<View*>(&picture), &turned})
        screen.addSubview(v);
    // Each step, then the view hit at a point.
    const std::initializer_list<std::tuple<std::function<void()>, Point, View*>> steps = {
        {[] {}, {60, 60}, &upper},
        {[] {}, {10, 10}, &lower},
        {[] {}, {300, 400}, &screen},
        {[] {}, {150, 170}, &turned},
        {[] {}, {110, 210}, &screen}, // inside the unturned frame only
        {[] {}, {-1, 10}, nullptr},
        {[] {}, {320, 10}, nullptr}, // the right edge is outside
        {[&] { upper.setHidden(true); }, {60, 60}, &lower},
        {[&] { upper.setHidden(false); }, {60, 60}, &upper},
        {[&] { upper.setAlpha(0.0f); }, {60, 60}, &lower},
        {[&] { upper.setAlpha(1.0f); }, {60, 60}, &upper},
        {[&] { upper.setUserInteractionEnabled(false); }, {60, 60}, &lower},
        // A view taking no touches hides its subviews from touches too.
        {[&] { screen.setUserInteractionEnabled(false); }, {10, 10}, &root}};
    for (const auto& [apply, at, hit] : steps) {
        SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
        apply();
        EXPECT_EQ(root.hitTest(at), hit);
    }
    EXPECT_FALSE(lower.canReceiveTouches());
}

TEST(View, LabelWrapsWordsOverTheLinesThatFitAndCutsOneLineShort) {
    const std::string text = "Strum the strings over the pickup with one finger.";
    Label l(Rect{0, 0, 120, 200});
    l.setFont("Arial", 13);
    l.setNumberOfLines(0);
    l.setText(text);
    EXPECT_EQ(l.layoutLines().size(), 3u); // the breaking itself is the line breaker's
    l.setNumberOfLines(1);                 // never wrapped, cut short with "..."
    const std::string cut = l.layoutLines().at(0);
    EXPECT_EQ(std::tuple(l.layoutLines().size(), cut.substr(0, 6), cut.substr(cut.size() - 3)),
              std::tuple(1u, "Strum ", "..."));
    EXPECT_LE(Graphics::measureText(cut, l.font()).width, 120.0f);
    l.setText("");
    EXPECT_EQ(std::tuple(l.layoutLines().size(), l.isUserInteractionEnabled()), std::tuple(0u, false));
}

namespace {

// Logs one letter per finger call (its own letters for down, move and up), then the x.
struct Layer : FingerView::FingerTarget {
    std::string& log;
    const char* letters;
    std::function<void()> onDown = [] {};
    Layer(std::string& l, const char* s) : log(l), letters(s) {}
    void add(int i, const Touch& t) { log += letters[i] + std::to_string(static_cast<int>(t.location.x)); }
    void fingerDown(const Touch& t) override {
        add(0, t);
        onDown();
    }
    void fingerMove(const Touch& t) override { add(1, t); }
    void fingerUp(const Touch& t) override { add(2, t); }
};

// A screen whose own fingers log as d, m, u, and its menu's as D, M, U.
struct Screen : FingerView {
    std::string log;
    Layer self{log, "dmu"}, menu{log, "DMU"};
    Screen() : FingerView(Rect{0, 0, 480, 320}) {}
    void fingerDown(const Touch& t) override { self.fingerDown(t); }
    void fingerMove(const Touch& t) override { self.fingerMove(t); }
    void fingerUp(const Touch& t) override { self.fingerUp(t); }
};

Touch at(TouchPhase phase, float x) {
    return Touch{0, phase, {x, 0}, {x, 0}};
}

} // namespace

TEST(FingerView, PhasesBecomeFingersAndAModalLayerTakesThemUntilPopped) {
    using enum TouchPhase;
    Screen s;
    s.touchesBegan({at(Began, 1)});
    s.touchesMoved({at(Moved, 2), at(Stationary, 9)});
    s.touchesEnded({at(Ended, 3)});
    s.touchesCancelled({at(Cancelled, 4)});
    s.self.onDown = [&] { s.pushModal(s.menu); };
    // The first finger opens the menu; the second finger of the same set already goes to it.
    s.touchesBegan({at(Began, 5), at(Began, 6)});
    s.touchesEnded({at(Ended, 7)});
    EXPECT_TRUE(s.isModalOnTop(s.menu));
    s.popModal(s.menu);
    s.popModal(s.menu); // popping twice is harmless
    EXPECT_FALSE(s.hasModal());
    s.touchesEnded({at(Ended, 8)});
    EXPECT_EQ(s.log, "d1m2u3u4d5D6U7u8");
}
