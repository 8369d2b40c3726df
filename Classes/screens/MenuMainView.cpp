#include "screens/MenuMainView.h"

#include "ui/ScreenHost.h"

MenuMainView::MenuMainView(ScreenHost* parent) : MenuScreenView(parent, "MenuMainBack.jpg") {}

MenuScreenView::Choice MenuMainView::choiceForPoint(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x > 166 && x < 317 && y > 151 && y < 347) {
        return Choice::go(ScreenHost::kChooseGuitar);
    }
    if (x > 40 && x < 165 && y > 53 && y < 231) {
        return Choice::go(ScreenHost::kSetupMenu);
    }
    if (x > 29 && x < 175 && y > 260 && y < 439) {
        return Choice::go(ScreenHost::kRecorder);
    }
    if (x > 276 && y > 438) {
        return Choice::go(ScreenHost::kManual);
    }
    return Choice::none();
}
