#pragma once
#include "toolkit/View.h"

// The Practice screen's time line: the song from 0 to its end (or the
// loop's end when that is later) along the sideways screen, the loop region
// between A and B (strong while the loop is on, pale while off) and the play
// head. It only draws: the screen turns fingers on it into A and B.
//
// Threads: UI thread only.
class PracticeTimeLine : public View {
public:
    // What it shows, in song seconds.
    struct State {
        double length = 0; // the time the line's far end stands for
        double a = 0, b = 0;
        bool loopOn = false;
        double position = 0;
        friend bool operator==(const State&, const State&) = default;
    };
    // The line's ends, in its own y, kEnds points inside each end.
    static constexpr float kEnds = 8;
    // The shortest length the line shows, so an empty song still has a line.
    static constexpr double kMinLength = 1.0;

    explicit PracticeTimeLine(const Rect& frame);

    // Draws again only when it changed.
    void show(const State& state);
    const State& state() const { return state_; }
    // The song time at y (in the screen's coordinates), held to the line,
    // and the y of a time.
    double timeAt(float screenY) const;
    float yOf(double seconds) const;

    void draw(Graphics& g) override;

private:
    double length() const;

    State state_;
};
