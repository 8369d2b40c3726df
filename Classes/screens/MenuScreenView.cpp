#include "screens/MenuScreenView.h"

#include "ui/ScreenHost.h"

MenuScreenView::Choice MenuScreenView::cornerChoice(Point p) {
    if (p.x > 276 && p.y < 41) {
        return Choice::back();
    }
    if (p.x > 276 && p.y > 438) {
        return Choice::go(ScreenHost::kManual);
    }
    return Choice::none();
}

MenuScreenView::MenuScreenView(ScreenHost* parent, const std::string& backgroundImage)
    : ImageView(backgroundImage), parent_(parent) {
    // The picture may be missing from the bundle: the screen still covers the
    // whole view and takes its touches.
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
}

MenuScreenView::~MenuScreenView() = default;

void MenuScreenView::touchesBegan(const TouchSet& touches) {
    processTouches(touches);
}
void MenuScreenView::touchesMoved(const TouchSet& touches) {
    processTouches(touches);
}
void MenuScreenView::touchesEnded(const TouchSet& touches) {
    processTouches(touches);
}
void MenuScreenView::touchesCancelled(const TouchSet& touches) {
    processTouches(touches);
}

void MenuScreenView::processTouches(const TouchSet& touches) {
    for (const Touch& touch : touches) {
        switch (touch.phase) {
        case TouchPhase::Began:
            fingerDown(touch.location);
            break;
        case TouchPhase::Moved:
            fingerMove(touch.location, touch.previousLocation);
            break;
        case TouchPhase::Ended:
        case TouchPhase::Cancelled:
            fingerUp(touch.location);
            break;
        case TouchPhase::Stationary:
            break;
        }
    }
}

void MenuScreenView::fingerDown(Point p) {
    perform(choiceAt(p));
}

void MenuScreenView::fingerMove(Point, Point) {}

void MenuScreenView::fingerUp(Point) {}

void MenuScreenView::perform(const Choice& choice) {
    if (!parent_) {
        return;
    }
    switch (choice.kind) {
    case Choice::None:
        break;
    case Choice::Back:
        parent_->transitionBack(this);
        break;
    case Choice::Go:
        if (choice.guitar >= 0) {
            parent_->setCurrentGuitar(choice.guitar);
        }
        parent_->transitionToView(choice.screen, this, true);
        break;
    }
}
