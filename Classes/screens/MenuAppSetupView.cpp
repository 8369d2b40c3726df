#include "screens/MenuAppSetupView.h"
#include "screens/CardBar.h"

#include "audio/SoundEngine.h"
#include "midi/MidiLink.h"
#include "toolkit/Graphics.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

using Action = MenuAppSetupView::Action;

// The page button sits beside the title on both pages.
constexpr Rect kPageButton{219, 346, 26, 60};

constexpr HitArea<Action> kAreas[] = {
    {{105, 87, 41, 316}, Action::StepStringBends},
    {{146, 87, 41, 316}, Action::StepWhammyBar},
    {kPageButton, Action::TurnPage},
    {{64, 87, 38, 316}, Action::ToggleLeftHanded},
};

// The MIDI page's bars, across x (the user reads them sideways, top bar at
// the largest x): the channel mode, the two guitars side by side, song
// playback, then the reconnect button under the status line.
constexpr HitArea<Action> kMidiAreas[] = {
    {{180, 76, 28, 328}, Action::StepMidiChannels}, {{146, 76, 28, 160}, Action::SendGuitar1},
    {{146, 244, 28, 160}, Action::SendGuitar2},     {{112, 76, 28, 328}, Action::SendSongPlayback},
    {{52, 76, 26, 170}, Action::ReconnectSound},    {kPageButton, Action::TurnPage},
};
constexpr const char* kMidiCaptions[] = {"MIDI Channels", "Send Guitar 1", "Send Guitar 2",
                                         "Send Song Playback"};

// Inside the card's rim, under the title.
constexpr Rect kMidiCard{50, 70, 162, 340};
// The card's paper, to lay the MIDI page over the picture's bars.
constexpr Color kCardColor{226, 214, 187, 255};

std::unique_ptr<Label> labelWithText(Point centre, float along, float across, float fontSize,
                                     TextAlignment alignment, const std::string& text = "") {
    auto label = MenuScreenView::sidewaysLabel(centre, along, across, fontSize, alignment);
    label->setText(text);
    return label;
}

std::string onOff(bool on) {
    return on ? "On" : "Off";
}

} // namespace

MenuAppSetupView::Action MenuAppSetupView::actionForPoint(Point p) {
    return actionIn(areas(), p, Action::Back, Action::Help, Action::None);
}

std::span<const HitArea<Action>> MenuAppSetupView::areas() {
    return kAreas;
}

MenuAppSetupView::Action MenuAppSetupView::midiActionForPoint(Point p) {
    return actionIn(midiAreas(), p, Action::Back, Action::Help, Action::None);
}

std::span<const HitArea<Action>> MenuAppSetupView::midiAreas() {
    return kMidiAreas;
}

std::string MenuAppSetupView::midiStatusText(const std::string& status, int ignoredNotes) {
    std::string text = status.starts_with("MIDI") ? status : "MIDI: " + status;
    if (ignoredNotes > 0)
        text +=
            "; " + std::to_string(ignoredNotes) + (ignoredNotes == 1 ? " note" : " notes") + " out of range";
    return text;
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
    // Drawn like the picture's bars, under them on the card.
    const Rect leftBar = kAreas[3].rect;
    leftHandedBar_ = std::make_unique<CardBar>(leftBar);
    addSubview(leftHandedBar_.get());
    const float leftMid = leftBar.x + leftBar.width / 2;
    leftHandedCaption_ = labelWithText({leftMid, 175}, 150, 30, 17, TextAlignment::Left, "Left-Handed");
    addSubview(leftHandedCaption_.get());
    leftHandedSettingLabel_ = labelWithText({leftMid, 300}, 110, 30, 17, TextAlignment::Right);
    addSubview(leftHandedSettingLabel_.get());

    midiCard_ = std::make_unique<View>();
    midiCard_->setFrame(kMidiCard);
    midiCard_->setBackgroundColor(kCardColor);
    midiCard_->setUserInteractionEnabled(false);
    addSubview(midiCard_.get());
    const auto add = [this](std::unique_ptr<View> view) {
        midiCard_->addSubview(view.get());
        midiViews_.push_back(std::move(view));
        return midiViews_.back().get();
    };
    const auto local = [](Rect r) { return Rect{r.x - kMidiCard.x, r.y - kMidiCard.y, r.width, r.height}; };
    for (int row = 0; row < kMidiRows; ++row) {
        const Rect r = local(kMidiAreas[row].rect);
        add(std::make_unique<CardBar>(r));
        const float mid = r.x + r.width / 2;
        add(labelWithText({mid, r.y + 10 + (r.height - 20) * 0.35f}, (r.height - 20) * 0.7f, r.width, 14,
                          TextAlignment::Left, kMidiCaptions[row]));
        midiValues_[static_cast<std::size_t>(row)] = static_cast<Label*>(
            add(labelWithText({mid, r.maxY() - 10 - (r.height - 20) * 0.15f}, (r.height - 20) * 0.3f, r.width,
                              14, TextAlignment::Right)));
    }
    midiStatus_ = static_cast<Label*>(
        add(labelWithText({96 - kMidiCard.x, 240 - kMidiCard.y}, 328, 28, 12, TextAlignment::Left)));
    midiStatus_->setNumberOfLines(2);
    const Rect reconnect = local(kMidiAreas[4].rect);
    add(std::make_unique<CardBar>(reconnect));
    add(labelWithText(reconnect.center(), reconnect.height, reconnect.width, 14, TextAlignment::Center,
                      "Reconnect Sound"));
    reconnectAnswer_ = static_cast<Label*>(
        add(labelWithText({65 - kMidiCard.x, 326 - kMidiCard.y}, 152, 26, 11, TextAlignment::Left)));
    reconnectAnswer_->setNumberOfLines(2);
    midiCard_->setHidden(true);

    auto pageButton = std::make_unique<CardBar>(kPageButton);
    addSubview(pageButton.get());
    midiViews_.push_back(std::move(pageButton));
    pageLabel_ =
        labelWithText(kPageButton.center(), kPageButton.height, kPageButton.width, 13, TextAlignment::Center);
    addSubview(pageLabel_.get());
    addSubview(&pressed_);
    showMidiPage(false);
}

MenuAppSetupView::~MenuAppSetupView() = default;

void MenuAppSetupView::showMidiPage(bool midi) {
    midiPage_ = midi;
    midiCard_->setHidden(!midi);
    for (View* view :
         {static_cast<View*>(stringBendsCaption_.get()), static_cast<View*>(whammyBarCaption_.get()),
          static_cast<View*>(stringBendsSettingLabel_.get()),
          static_cast<View*>(whammyBarSettingLabel_.get()), leftHandedBar_.get(),
          static_cast<View*>(leftHandedCaption_.get()), static_cast<View*>(leftHandedSettingLabel_.get())})
        view->setHidden(midi);
    titleLabel_->setText(midi ? "MIDI and Sound" : "Application Setup");
    pageLabel_->setText(midi ? "\u2039 Guitars" : "MIDI \u203a");
    // Until Reconnect Sound is pressed, its answer line tells the latency.
    reconnectAnswer_->setText(midi && parent() ? parent()->soundOutputText() : std::string());
    redraw();
}

void MenuAppSetupView::redraw() {
    MidiLink* link = parent() ? parent()->midi() : nullptr;
    if (link)
        midi_ = link->settings();
    midiValues_[0]->setText(midi_.channelPerString ? "Per String" : "Per Guitar");
    midiValues_[1]->setText(onOff(midi_.sendGuitar[0]));
    midiValues_[2]->setText(onOff(midi_.sendGuitar[1]));
    midiValues_[3]->setText(onOff(midi_.sendSongPlayback));
    midiStatus_->setText(link ? midiStatusText(link->status(), link->in().ignoredNotes())
                              : midiStatusText("off", 0));
    leftHandedSettingLabel_->setText(onOff(parent() && parent()->leftHanded()));
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
    const Action action = midiPage_ ? midiActionForPoint(p) : actionForPoint(p);
    if (action != Action::None && action != Action::Back && action != Action::Help)
        showPressed(p);
    switch (action) {
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
    case Action::TurnPage:
        showMidiPage(!midiPage_);
        return;
    case Action::ToggleLeftHanded:
        if (parent())
            parent()->setLeftHanded(!parent()->leftHanded());
        break;
    case Action::ReconnectSound:
        reconnectAnswer_->setText(parent() ? parent()->reconnectSound() : std::string());
        break;
    default:
        changeMidi(action);
        break;
    }
    redraw();
}

void MenuAppSetupView::changeMidi(Action action) {
    MidiSettings next = midi_;
    switch (action) {
    case Action::StepMidiChannels:
        next.channelPerString = !next.channelPerString;
        break;
    case Action::SendGuitar1:
    case Action::SendGuitar2: {
        bool& send = next.sendGuitar[action == Action::SendGuitar1 ? 0 : 1];
        send = !send;
        break;
    }
    case Action::SendSongPlayback:
        next.sendSongPlayback = !next.sendSongPlayback;
        break;
    default:
        return;
    }
    midi_ = next;
    if (parent())
        parent()->setMidiSettings(next);
}

void MenuAppSetupView::showPressed(Point p) {
    for (const HitArea<Action>& area : midiPage_ ? midiAreas() : areas())
        if (isInsideOpen(area.rect, p)) {
            pressed_.setFrame(area.rect);
            pressed_.setHidden(false);
            bringSubviewToFront(&pressed_);
            return;
        }
}

void MenuAppSetupView::fingerMove(const Touch& touch) {
    if (!pressed_.isHidden() && !isInsideOpen(pressed_.frame(), touch.location))
        pressed_.setHidden(true);
}

void MenuAppSetupView::fingerUp(const Touch&) {
    pressed_.setHidden(true);
}

void MenuAppSetupView::willAppear(int, int) {
    pressed_.setHidden(true);
    showMidiPage(false);
}
