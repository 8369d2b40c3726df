// Left-handed fretboards: the right-handed screen mirrored along the neck
// (y -> 480 - y). The touch table is the mirrored table, and a finger or a
// key (whose finger lands on the mirror of its right-handed point) at the
// mirror of a point does what the right-handed finger does there.

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"

using namespace guitartest;
using Area = FretboardGuitarView::Area;

namespace {

template <typename V> struct Keyed : V {
    using V::keyFingerPoint;
    using V::V;
};

// What a script of fingers ('h' hold, 'm' move, 'l' lift) and then keys
// makes the screen play, right- or left-handed: notes, then bends.
template <typename V>
Log heard(bool leftHanded, std::initializer_list<Step> script, std::initializer_list<KeyEvent> keys) {
    Rig rig;
    Keyed<V> view(nullptr, &rig.performer);
    view.redraw();
    view.setLeftHanded(leftHanded);
    for (const Step& g : script) {
        const Point p = leftHanded ? FretboardGuitarView::mirrored(g.at) : g.at;
        if (g.op == 'h')
            hold(view, g.id, p);
        else if (g.op == 'm')
            view.processTouches({move(g.id, p, rig.fingers[g.id])});
        else
            lift(view, g.id, p);
        rig.fingers[g.id] = p;
    }
    long id = 100;
    Keyed<V> right(nullptr, nullptr);
    right.redraw();
    for (const KeyEvent& k : keys) { // value() throws, failing the test, for a key with no finger
        const Point p = view.keyFingerPoint(k).value(), r = right.keyFingerPoint(k).value();
        EXPECT_EQ(p, leftHanded ? FretboardGuitarView::mirrored(r) : r); // keys mirrored too
        tap(view, ++id, p);
    }
    Log out = rig.log(), bends = rig.bends();
    out.insert(out.end(), bends.begin(), bends.end());
    return out;
}

} // namespace

TEST(LeftHanded, TheTouchTableIsTheRightHandedTableMirrored) {
    Rig rig;
    ManualFretAndPluckGuitarView manual(nullptr, &rig.performer);
    HammerOnGuitarView hammer(nullptr, &rig.performer);
    for (FretboardGuitarView* view : std::initializer_list<FretboardGuitarView*>{&manual, &hammer}) {
        const std::vector<HitArea<Area>> right(view->touchAreas().begin(), view->touchAreas().end());
        view->setLeftHanded(true);
        const std::span<const HitArea<Area>> left = view->touchAreas();
        ASSERT_EQ(left.size(), right.size() + 1);
        // The Plectrum menu's own plectrum stays in its corner, ahead of the board.
        EXPECT_EQ(left[0].action, Area::Plectrum);
        EXPECT_EQ(left[0].rect, (Rect{-1, -1, 53, 46}));
        for (std::size_t i = 0; i < right.size(); ++i) {
            const Rect r = right[i].rect;
            EXPECT_EQ(left[i + 1].action, right[i].action) << i;
            EXPECT_EQ(left[i + 1].rect, (Rect{r.x, 480 - r.maxY(), r.width, r.height})) << i;
        }
    }
}

TEST(LeftHanded, MirroredFingersAndKeysPlayWhatTheRightHandedOnesPlay) {
    // Manual Fret: a held fret plucked, slid up (hammer-on) and bent, a strum
    // over the pickup, MUTE; then the pluck keys.
    const std::initializer_list<Step> manual = {
        {'h', 1, {139, 200}}, {'h', 2, {139, 440}}, {'l', 2, {139, 440}}, {'m', 1, {139, 300}},
        {'m', 1, {185, 300}}, {'h', 3, {27, 420}},  {'m', 3, {83, 420}},  {'m', 3, {194, 420}},
        {'l', 3, {194, 420}}, {'l', 1, {185, 300}}, {'h', 4, {194, 30}},  {'l', 4, {194, 30}}};
    const std::initializer_list<KeyEvent> plucks = {key(Key::A), key(Key::H), key(Key::Space)};
    const Log right = heard<ManualFretAndPluckGuitarView>(false, manual, plucks);
    EXPECT_GE(right.size(), 10u);
    EXPECT_EQ(heard<ManualFretAndPluckGuitarView>(true, manual, plucks), right);
    // Hammer-On: a press, a hammer-on above it, a pull-off, a bend; then the
    // fret keys of both key maps.
    const std::initializer_list<Step> hammer = {
        {'h', 1, {83, 150}},  {'h', 2, {83, 350}}, {'l', 2, {83, 350}}, {'m', 1, {130, 150}},
        {'l', 1, {130, 150}}, {'h', 3, {248, 70}}, {'l', 3, {248, 70}}};
    const std::initializer_list<KeyEvent> keys = {key(Key::Z), key(Key::S), key(Key::Num4),
                                                  key(Key::Q, true)};
    const Log rightHammer = heard<HammerOnGuitarView>(false, hammer, keys);
    EXPECT_GE(rightHammer.size(), 10u);
    EXPECT_EQ(heard<HammerOnGuitarView>(true, hammer, keys), rightHammer);
}
