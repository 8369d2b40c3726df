#include "screens/ChooseGuitarView.h"

#include "app/Strumwell.h"

ChooseGuitarView::ChooseGuitarView(Strumwell* parent) : MenuScreenView(parent, "MenuChooseGuitarBack.jpg") {}

MenuScreenView::Choice ChooseGuitarView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (x > 169 && x < 320 && y > 54 && y < 229) {
        return Choice::go(Strumwell::kManualFretGuitar);
    }
    if (x > 160 && x < 320 && y > 246 && y < 425) {
        return Choice::go(Strumwell::kHammerOnGuitar);
    }
    if (x > 44 && x < 168 && y > 76 && y < 236) {
        return Choice::go(Strumwell::kTabGuitar);
    }
    if (x > 26 && x < 154 && y > 250 && y < 437) {
        return Choice::go(Strumwell::kScaleGuitar);
    }
    return Choice::none();
}
