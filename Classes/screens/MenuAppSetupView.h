#pragma once
#include <memory>
#include <string>

#include "screens/MenuScreenView.h"

class Label;
class SoundEngine;

// The application setup screen (screen 17): which guitars may bend strings
// and which follow the whammy bar. Each setting is the pair of the two
// guitars' switches; touching its bar moves it one step around
// "Off" -> "Guitar 1" -> "Guitar 2" -> "Guitar 1 + 2" -> "Off".
//
// Threads: UI thread only.
class MenuAppSetupView : public MenuScreenView {
public:
    // What a finger coming down asks for, first match in this order.
    enum class Action { None, Back, Help, StepStringBends, StepWhammyBar };

    // One setting as the pair of switches of guitar 1 (g = 0) and guitar 2.
    struct GuitarPair {
        bool guitar1 = false;
        bool guitar2 = false;
        friend bool operator==(const GuitarPair&, const GuitarPair&) = default;
    };

    // The corner buttons, then the two bars.
    static Action actionForPoint(Point p);
    static std::span<const HitArea<Action>> areas();
    // The next setting around the cycle.
    static GuitarPair nextSetting(GuitarPair setting);
    // "Off", "Guitar 1", "Guitar 2" or "Guitar 1 + 2".
    static std::string settingText(GuitarPair setting);

    // parent may be null (tests): the view then has the default frame and the
    // corner buttons do nothing. engine may be null (the bars then do
    // nothing).
    MenuAppSetupView(ScreenHost* parent, SoundEngine* engine);
    ~MenuAppSetupView() override;

    // Sets both labels from the engine's switches.
    void redraw();
    // Redraws.
    void willAppear(int previousScreen, int currentGuitar) override;

    Choice choiceAt(Point p) const override { return cornerChoice(p); }

    SoundEngine* soundEngine() const { return soundEngine_; }
    const Label& stringBendsSettingLabel() const { return *stringBendsSettingLabel_; }
    const Label& whammyBarSettingLabel() const { return *whammyBarSettingLabel_; }
    const Label& titleLabel() const { return *titleLabel_; }
    const Label& stringBendsCaption() const { return *stringBendsCaption_; }
    const Label& whammyBarCaption() const { return *whammyBarCaption_; }

protected:
    void fingerDown(const Touch& touch) override;

private:
    SoundEngine* soundEngine_;
    std::unique_ptr<Label> titleLabel_;
    std::unique_ptr<Label> stringBendsCaption_;
    std::unique_ptr<Label> whammyBarCaption_;
    std::unique_ptr<Label> stringBendsSettingLabel_;
    std::unique_ptr<Label> whammyBarSettingLabel_;
};
