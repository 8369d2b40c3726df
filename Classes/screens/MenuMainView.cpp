#include "screens/MenuMainView.h"

#include "app/Strumwell.h"

MenuMainView::MenuMainView(Strumwell* parent) : MenuScreenView(parent, "MenuMainBack.jpg") {}

MenuScreenView::Choice MenuMainView::choiceForPoint(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x > 166 && x < 317 && y > 151 && y < 347) {
        return Choice::go(Strumwell::kChooseGuitar);
    }
    if (x > 40 && x < 165 && y > 53 && y < 231) {
        return Choice::go(Strumwell::kSetupMenu);
    }
    if (x > 29 && x < 175 && y > 260 && y < 439) {
        return Choice::go(Strumwell::kRecorder);
    }
    if (x > 276 && y > 438) {
        return Choice::go(Strumwell::kManual);
    }
    return Choice::none();
}
