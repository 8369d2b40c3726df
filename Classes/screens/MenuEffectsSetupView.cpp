#include "screens/MenuEffectsSetupView.h"

#include "app/Strumwell.h"

MenuEffectsSetupView::MenuEffectsSetupView(Strumwell* parent)
    : MenuScreenView(parent, "MenuSetupEffectsBack.jpg") {}

MenuScreenView::Choice MenuEffectsSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    // Guitar 1's pedals. The wah takes whatever of its column the delay and
    // fuzz leave, including the border at y = 111 and y = 211.
    if (x > 165 && x < 320) {
        if (y > 111 && y < 211) {
            return Choice::go(Strumwell::kDelayEffectSetup, 0);
        }
        if (y > 211 && y < 305) {
            return Choice::go(Strumwell::kFuzzEffectSetup, 0);
        }
        if (y > 30 && y < 382) {
            return Choice::go(Strumwell::kWahEffectSetup, 0);
        }
    }
    // Guitar 2's pedals.
    if (x > 0 && x < 165) {
        if (y > 128 && y < 228) {
            return Choice::go(Strumwell::kDelayEffectSetup, 1);
        }
        if (y > 228 && y < 325) {
            return Choice::go(Strumwell::kFuzzEffectSetup, 1);
        }
        if (y > 325 && y < 408) {
            return Choice::go(Strumwell::kWahEffectSetup, 1);
        }
    }
    return Choice::none();
}
