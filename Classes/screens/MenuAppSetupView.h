#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiSettings.h"
#include "screens/MenuScreenView.h"
#include "toolkit/PressShade.h"

class Label;
class SoundEngine;

// The application setup screen (screen 17), in two pages.
//
// The guitars page: which guitars may bend strings and which follow the
// whammy bar. Each setting is the pair of the two guitars' switches;
// touching its bar moves it one step around
// "Off" -> "Guitar 1" -> "Guitar 2" -> "Guitar 1 + 2" -> "Off". A third bar
// under them switches the fretboards left-handed ("On" / "Off"), kept with
// the app's settings through the host.
//
// The MIDI page (the MIDI button beside the title; the same button, then
// "Guitars", leads back): the channel mode, which guitars' notes and
// whether song playback go out, a status line (the ports, or why MIDI is
// off, and the notes that fell outside the samples) and a button that
// brings the sound output back now. Every change is applied and saved at
// once through the host.
//
// Every bar shows a pressed look while a finger holds it.
//
// Threads: UI thread only.
class MenuAppSetupView : public MenuScreenView {
public:
    // What a finger coming down asks for, first match in this order.
    enum class Action {
        None,
        Back,
        Help,
        StepStringBends,
        StepWhammyBar,
        TurnPage,
        StepMidiChannels,
        SendGuitar1,
        SendGuitar2,
        SendSongPlayback,
        ReconnectSound,
        ToggleLeftHanded,
    };

    // One setting as the pair of switches of guitar 1 (g = 0) and guitar 2.
    struct GuitarPair {
        bool guitar1 = false;
        bool guitar2 = false;
        friend bool operator==(const GuitarPair&, const GuitarPair&) = default;
    };

    // The corner buttons, then the page's own areas: the guitars page, and
    // the MIDI page.
    static Action actionForPoint(Point p);
    static std::span<const HitArea<Action>> areas();
    static Action midiActionForPoint(Point p);
    static std::span<const HitArea<Action>> midiAreas();
    // The next setting around the cycle.
    static GuitarPair nextSetting(GuitarPair setting);
    // "Off", "Guitar 1", "Guitar 2" or "Guitar 1 + 2".
    static std::string settingText(GuitarPair setting);
    // The MIDI status line: the link's status and, when some came, how many
    // notes fell outside the samples.
    static std::string midiStatusText(const std::string& status, int ignoredNotes);

    // parent may be null (tests): the view then has the default frame and the
    // corner buttons do nothing. engine may be null (the bars then do
    // nothing).
    MenuAppSetupView(ScreenHost* parent, SoundEngine* engine);
    ~MenuAppSetupView() override;

    // Sets every label from the engine's switches and the MIDI settings.
    void redraw();
    // Shows the guitars page (the page the screen opens on) or the MIDI page.
    void showMidiPage(bool midi);
    bool midiPageShowing() const { return midiPage_; }
    // Redraws.
    void willAppear(int previousScreen, int currentGuitar) override;

    Choice choiceAt(Point p) const override { return cornerChoice(p); }

    SoundEngine* soundEngine() const { return soundEngine_; }
    const Label& stringBendsSettingLabel() const { return *stringBendsSettingLabel_; }
    const Label& whammyBarSettingLabel() const { return *whammyBarSettingLabel_; }
    const Label& titleLabel() const { return *titleLabel_; }
    const Label& stringBendsCaption() const { return *stringBendsCaption_; }
    const Label& whammyBarCaption() const { return *whammyBarCaption_; }
    // The MIDI page's values, in the order of Action::StepMidiChannels ...
    // SendSongPlayback, its status line and the answer to the reconnect.
    const Label& midiValue(int row) const { return *midiValues_[static_cast<std::size_t>(row)]; }
    const Label& midiStatusLabel() const { return *midiStatus_; }
    const Label& reconnectAnswer() const { return *reconnectAnswer_; }
    const PressShade& pressedLook() const { return pressed_; }
    const Label& leftHandedSettingLabel() const { return *leftHandedSettingLabel_; }

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;

private:
    static constexpr int kMidiRows = 4;
    void changeMidi(Action action);
    void showPressed(Point p);

    SoundEngine* soundEngine_;
    bool midiPage_ = false;
    MidiSettings midi_; // as last shown (the link's when there is one)
    std::unique_ptr<Label> titleLabel_;
    std::unique_ptr<Label> stringBendsCaption_;
    std::unique_ptr<Label> whammyBarCaption_;
    std::unique_ptr<Label> stringBendsSettingLabel_;
    std::unique_ptr<Label> whammyBarSettingLabel_;
    std::unique_ptr<Label> pageLabel_;
    std::unique_ptr<View> leftHandedBar_;
    std::unique_ptr<Label> leftHandedCaption_;
    std::unique_ptr<Label> leftHandedSettingLabel_;
    // The MIDI page: a card over the guitars page's bars, with its own.
    std::unique_ptr<View> midiCard_;
    std::vector<std::unique_ptr<View>> midiViews_;
    std::array<Label*, kMidiRows> midiValues_{};
    Label* midiStatus_ = nullptr;
    Label* reconnectAnswer_ = nullptr;
    PressShade pressed_;
};
