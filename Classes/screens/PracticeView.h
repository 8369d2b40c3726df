#pragma once
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "screens/MenuScreenView.h"
#include "screens/PracticeTimeLine.h"
#include "system/Clock.h"
#include "toolkit/PressShade.h"
#include "ui/PracticeKeys.h"

class Practice;
class SongOptions;
class Transport;

// The Practice screen (screen 19): practising with the song's playback on
// a drawn card. Top to bottom (read sideways):
//   the time line (the song, the loop region, the play head); a finger
//   drawn along it sets A where it came down and B where it is, and turns
//   the loop on;
//   the loop's ends and the play position in words;
//   Set A and Set B (from the play position), Loop on/off, Play/Stop (the
//   recorder's transport: playback follows the loop and the speed), and a
//   status line (the passes of the loop, the count-in, a key's answer);
//   speed - / + with "Speed 75 %", the speed Trainer on/off and its target
//   - / + ("Target 100 %");
//   the metronome (Click on/off) and its volume, a bar dragged along;
//   the song's tempo - / + ("120 BPM"), Tap (the tempo from the last
//   taps), and the beats in a bar - / +.
// A control whose part of the model the host lacks (no song playback, no
// song options, no transport) shows dimmed and does nothing. Every button
// shows a pressed look while held; the values are drawn again as they
// change, and while the song plays the play head moves (a redraw about 30
// times a second, only then).
//
// The metronome's switch and volume are app settings (MetronomeSettings),
// saved through the host at once; the screen hands them to the song's
// playback when it appears. Tempo and beats go to SongOptions, which are
// saved with the song.
//
// Threads: UI thread only.
class PracticeView : public MenuScreenView {
public:
    enum class Action {
        None,
        Back,
        Help,
        TimeLine,
        SetA,
        SetB,
        Loop,
        Play,
        SpeedDown,
        SpeedUp,
        Trainer,
        TargetDown,
        TargetUp,
        Click,
        ClickVolume,
        TempoDown,
        TempoUp,
        Tap,
        BeatsDown,
        BeatsUp,
        kCount
    };
    // The readouts that are not a button's caption.
    enum class Readout { Times, Status, Speed, Target, Tempo, Beats, kCount };

    // Taps further apart than this start a new count.
    static constexpr double kLongestTapInterval = 2.0;
    // The tap tempo follows the last few intervals.
    static constexpr int kTapIntervals = 4;
    static constexpr double kFollowSeconds = 1.0 / 30;

    static Action actionForPoint(Point p);
    static std::span<const HitArea<Action>> areas();
    // The tempo (BPM, held to SongTiming's range) of taps `intervals`
    // seconds apart; 0 for none.
    static int tempoForTaps(std::span<const double> intervals);

    // parent may be null (tests of the drawing): nothing is then reachable.
    // transport may be null: Play is then dimmed.
    PracticeView(ScreenHost* parent, Transport* transport, const Clock& clock = SystemClock::shared());
    ~PracticeView() override;

    // Draws every value again from the model.
    void redraw();
    // Hands the metronome settings to playback and redraws.
    void willAppear(int previousScreen, int currentGuitar) override;
    Choice choiceAt(Point p) const override { return cornerChoice(p); }
    // One tap of the tempo at `now` seconds.
    void tap(double now);

    const Label& caption(Action action) const { return *captions_[static_cast<std::size_t>(action)]; }
    const Label& readout(Readout r) const { return *readouts_[static_cast<std::size_t>(r)]; }
    const PracticeTimeLine& timeLine() const { return *timeLine_; }
    const PressShade& pressedLook() const { return pressed_; }
    const View& volumeFill() const { return *volumeFill_; }
    bool following() const { return following_; }

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;

private:
    Practice* practice() const;
    SongOptions* songOptions() const;
    bool playing() const;
    bool enabled(Action action) const;
    void act(Action action, Point p);
    void stepTempo(int by);
    void stepBeats(int by);
    void setVolumeAt(float y);
    void answer(const std::string& text);
    // Moves the play head while the song plays, then stops asking.
    void follow();

    Transport* transport_;
    const Clock& clock_;
    std::unique_ptr<View> card_;
    std::unique_ptr<PracticeTimeLine> timeLine_;
    std::vector<std::unique_ptr<View>> views_;
    std::array<Label*, static_cast<std::size_t>(Action::kCount)> captions_{};
    std::array<Label*, static_cast<std::size_t>(Readout::kCount)> readouts_{};
    View* volumeFill_ = nullptr;
    std::unique_ptr<Label> title_;
    PressShade pressed_;
    std::array<View*, static_cast<std::size_t>(Action::kCount)> bars_{};
    // The finger drawing a loop on the time line or moving the volume.
    std::optional<long> dragFinger_;
    Action dragAction_ = Action::None;
    float dragStartY_ = 0;
    bool dragged_ = false;
    std::optional<double> lastTap_;
    std::vector<double> tapIntervals_;
    bool following_ = false;
    std::string status_; // the last answer, shown until the next redraw that has news
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    PracticeKeys keys_;
};
