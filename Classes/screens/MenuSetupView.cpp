#include "screens/MenuSetupView.h"

#include "app/Strumwell.h"

MenuSetupView::MenuSetupView(Strumwell* parent) : MenuScreenView(parent, "MenuSetupBack.jpg") {}

MenuScreenView::Choice MenuSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (x > 144 && x < 289 && y > 55 && y < 236) {
        return Choice::go(Strumwell::kEffectsSetupMenu);
    }
    if (x > 144 && x < 289 && y > 236 && y < 413) {
        return Choice::go(Strumwell::kGuitarPatchMenu);
    }
    if (x > 26 && x < 144 && y > 176 && y < 334) {
        return Choice::go(Strumwell::kAppSetup);
    }
    return Choice::none();
}
