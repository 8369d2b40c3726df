#pragma once
#include <span>
#include <string>

#include "screens/MenuScreenView.h"

// The menus that only lead to other screens: a picture and a table of
// buttons. A finger coming down goes where the first area under it says
// (every transition remembers the way back).
//
// Threads: UI thread only.
class PlainMenuView : public MenuScreenView {
public:
    // Its own buttons, under the corner buttons where it has them.
    std::span<const HitArea<Choice>> areas() const { return areas_; }
    bool hasCornerButtons() const { return cornerButtons_; }
    Choice choiceAt(Point p) const override;
    bool hasBackButton() const override { return cornerButtons_; }

protected:
    PlainMenuView(ScreenHost* parent, const std::string& picture, std::span<const HitArea<Choice>> areas,
                  bool cornerButtons);

private:
    std::span<const HitArea<Choice>> areas_;
    bool cornerButtons_;
};

// The main menu (screen 7), where the application starts: play a guitar, the
// setup menu, the recorder, or the manual. It has no back button.
class MenuMainView : public PlainMenuView {
public:
    explicit MenuMainView(ScreenHost* parent);
};

// The guitar chooser (screen 8): one of the playing screens.
class ChooseGuitarView : public PlainMenuView {
public:
    explicit ChooseGuitarView(ScreenHost* parent);
};

// The setup menu (screen 9): the effects menu, patch setup and application
// setup.
class MenuSetupView : public PlainMenuView {
public:
    explicit MenuSetupView(ScreenHost* parent);
};
