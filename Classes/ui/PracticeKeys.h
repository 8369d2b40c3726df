#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "toolkit/KeyListener.h"
#include "toolkit/KeyListenerRegistration.h"
#include "toolkit/Label.h"

class FingerView;
class Practice;
class ScreenHost;

// The desktop keys for practising with song playback, the same on every
// screen that plays the song (the playing screens, the recorder, the
// Practice screen). The function keys are free on every fretboard, whose
// letters, digits and punctuation play strings:
//   F5  A: the loop starts at the play position
//   F6  B: the loop ends at the play position
//   F7  the loop on or off
//   F8  slower, F9 faster (one speed step; they repeat while held)
// Each press is answered on the screen: a line at the top that goes after
// a moment, or what the screen makes of it (the Practice screen's readouts).
// The keys act only while their screen is shown, takes touches and has no
// layer open, and only when the host has song playback.
//
// Threads: UI thread only.
class PracticeKeys : public KeyListener {
public:
    enum class Command { SetA, SetB, Loop, Slower, Faster };
    // The keys in words, for the manual: a sentence fragment.
    static constexpr const char* kKeysText = "F5 sets A and F6 sets B at the play position, F7 switches the "
                                             "loop on and off, F8 plays slower and F9 faster";
    static constexpr double kAnswerSeconds = 1.5;

    static std::optional<Command> commandFor(Key key);
    // Carries the command out and returns the line that answers it: "A 0:05.0",
    // "B 0:12.5", "Loop On", "Speed 75 %".
    static std::string perform(Practice& practice, Command command);
    // A song time as "m:ss.s".
    static std::string timeText(double seconds);
    // The loop's start (setA) or end (setB) moved to `at`, the other end
    // kept where it still makes a loop: else B goes to the song's end (or
    // just past A) and A to the song's start.
    static void setA(Practice& practice, double at);
    static void setB(Practice& practice, double at);

    // Hands the metronome's switch and volume kept with the app's settings
    // to the host's song playback (nothing without one). The settings file
    // cannot reach playback, so every screen with these keys does it as it
    // is made: the first one the player can record from has it.
    static void applyMetronomeSettings(ScreenHost* host);

    // `screen` shows the answers and must outlive this; host may be null
    // (nothing acts). With `answer` given the screen shows the answer itself.
    PracticeKeys(FingerView& screen, ScreenHost* host, std::function<void(const std::string&)> answer = {});
    ~PracticeKeys() override;
    PracticeKeys(const PracticeKeys&) = delete;
    PracticeKeys& operator=(const PracticeKeys&) = delete;

    bool keyDown(const KeyEvent& event) override;
    // The line at the top of the screen, while it shows.
    const Label& answerLine() const { return line_; }

private:
    void showLine(const std::string& text);

    FingerView& screen_;
    ScreenHost* host_;
    std::function<void(const std::string&)> answer_;
    Label line_;
    std::uint64_t hideToken_ = 0;
    KeyListenerRegistration registration_{this};
};
