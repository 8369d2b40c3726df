#include "screens/MenuAppSetupView.h"

#include "audio/SoundEngine.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

using Action = MenuAppSetupView::Action;

constexpr HitArea<Action> kAreas[] = {
    {{105, 87, 41, 316}, Action::StepStringBends},
    {{146, 87, 41, 316}, Action::StepWhammyBar},
};

std::unique_ptr<Label> labelWithText(Point centre, float along, float across, float fontSize,
                                     TextAlignment alignment, const std::string& text = "") {
    auto label = MenuScreenView::sidewaysLabel(centre, along, across, fontSize, alignment);
    label->setText(text);
    return label;
}

} // namespace

MenuAppSetupView::Action MenuAppSetupView::actionForPoint(Point p) {
    return actionIn(areas(), p, Action::Back, Action::Help, Action::None);
}

std::span<const HitArea<Action>> MenuAppSetupView::areas() {
    return kAreas;
}

MenuAppSetupView::GuitarPair MenuAppSetupView::nextSetting(GuitarPair setting) {
    // Off -> guitar 1 only -> guitar 2 only -> both -> off.
    if (!setting.guitar1 && !setting.guitar2) {
        return {true, false};
    }
    if (setting.guitar1 && !setting.guitar2) {
        return {false, true};
    }
    if (!setting.guitar1 && setting.guitar2) {
        return {true, true};
    }
    return {false, false};
}

std::string MenuAppSetupView::settingText(GuitarPair setting) {
    if (setting.guitar1 && setting.guitar2) {
        return "Guitar 1 + 2";
    }
    if (setting.guitar1) {
        return "Guitar 1";
    }
    if (setting.guitar2) {
        return "Guitar 2";
    }
    return "Off";
}

MenuAppSetupView::MenuAppSetupView(ScreenHost* parent, SoundEngine* engine)
    : MenuScreenView(parent, "MenuApplicationBack.jpg"), soundEngine_(engine) {
    // The title above the card's two bars; each bar carries its caption on
    // the left and its setting on the right.
    titleLabel_ = labelWithText({232, 240}, 340, 36, 24, TextAlignment::Center, "Application Setup");
    addSubview(titleLabel_.get());
    whammyBarCaption_ = labelWithText({166.5f, 175}, 150, 30, 17, TextAlignment::Left, "Whammy Bar");
    addSubview(whammyBarCaption_.get());
    whammyBarSettingLabel_ = labelWithText({166.5f, 300}, 110, 30, 17, TextAlignment::Right);
    addSubview(whammyBarSettingLabel_.get());
    stringBendsCaption_ = labelWithText({125.5f, 175}, 150, 30, 17, TextAlignment::Left, "String Bends");
    addSubview(stringBendsCaption_.get());
    stringBendsSettingLabel_ = labelWithText({125.5f, 300}, 110, 30, 17, TextAlignment::Right);
    addSubview(stringBendsSettingLabel_.get());
    redraw();
}

MenuAppSetupView::~MenuAppSetupView() = default;

void MenuAppSetupView::redraw() {
    if (!soundEngine_) {
        return;
    }
    stringBendsSettingLabel_->setText(
        settingText({soundEngine_->pitchBendOn(0), soundEngine_->pitchBendOn(1)}));
    whammyBarSettingLabel_->setText(
        settingText({soundEngine_->whammyBarAttached(0), soundEngine_->whammyBarAttached(1)}));
}

void MenuAppSetupView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    switch (actionForPoint(p)) {
    case Action::None:
        return;
    case Action::Back:
    case Action::Help:
        perform(cornerChoice(p));
        return;
    case Action::StepStringBends:
        if (soundEngine_) {
            const GuitarPair next = nextSetting({soundEngine_->pitchBendOn(0), soundEngine_->pitchBendOn(1)});
            soundEngine_->setPitchBendOn(0, next.guitar1);
            soundEngine_->setPitchBendOn(1, next.guitar2);
        }
        break;
    case Action::StepWhammyBar:
        if (soundEngine_) {
            const GuitarPair next =
                nextSetting({soundEngine_->whammyBarAttached(0), soundEngine_->whammyBarAttached(1)});
            soundEngine_->setWhammyBarAttached(0, next.guitar1);
            soundEngine_->setWhammyBarAttached(1, next.guitar2);
        }
        break;
    }
    redraw();
}

void MenuAppSetupView::willAppear(int, int) {
    redraw();
}
