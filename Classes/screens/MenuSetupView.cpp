#include "screens/MenuSetupView.h"

#include "ui/ScreenHost.h"

MenuSetupView::MenuSetupView(ScreenHost* parent) : MenuScreenView(parent, "MenuSetupBack.jpg") {}

MenuScreenView::Choice MenuSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (x > 144 && x < 289 && y > 55 && y < 236) {
        return Choice::go(ScreenHost::kEffectsSetupMenu);
    }
    if (x > 144 && x < 289 && y > 236 && y < 413) {
        return Choice::go(ScreenHost::kGuitarPatchMenu);
    }
    if (x > 26 && x < 144 && y > 176 && y < 334) {
        return Choice::go(ScreenHost::kAppSetup);
    }
    return Choice::none();
}
