#include "screens/ChooseGuitarView.h"

#include "ui/ScreenHost.h"

ChooseGuitarView::ChooseGuitarView(ScreenHost* parent) : MenuScreenView(parent, "MenuChooseGuitarBack.jpg") {}

MenuScreenView::Choice ChooseGuitarView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (x > 169 && x < 320 && y > 54 && y < 229) {
        return Choice::go(ScreenHost::kManualFretGuitar);
    }
    if (x > 160 && x < 320 && y > 246 && y < 425) {
        return Choice::go(ScreenHost::kHammerOnGuitar);
    }
    if (x > 44 && x < 168 && y > 76 && y < 236) {
        return Choice::go(ScreenHost::kTabGuitar);
    }
    if (x > 26 && x < 154 && y > 250 && y < 437) {
        return Choice::go(ScreenHost::kScaleGuitar);
    }
    return Choice::none();
}
