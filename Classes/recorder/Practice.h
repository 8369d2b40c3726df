#pragma once

// What the practice controls (the recorder screen, the playing screens'
// menu, the keys) need of song playback: a loop between two song times A and
// B, a playback speed, the speed trainer, and the metronome with its
// count-in. Song time is the time of the song's own events; at a speed of
// 50 % a second of song time takes two seconds to play, and what is recorded
// meanwhile lands at the song time it was played over.
//
// The metronome clicks on the song's beat (SongOptions::timing) while the
// song plays or records; it is never recorded into the song. With it on,
// record() first counts in one bar.
//
// Threads: the setters on the UI thread; the getters on any thread.
class Practice {
public:
    static constexpr int kMinSpeed = 25;  // percent
    static constexpr int kMaxSpeed = 200; // percent
    static constexpr int kSpeedStep = 5;  // percent

    virtual ~Practice() = default;

    // The song time now under the play head: while playing or recording, where
    // playback is (inside the loop when it is on); else where it last stopped.
    virtual double songPosition() const = 0;
    // The song's length: the time of its last event (0 for an empty song).
    virtual double songLength() const = 0;

    // The loop's ends in song time. setLoop orders them and holds them to 0 or
    // more; a loop shorter than kMinLoop is widened to it.
    static constexpr double kMinLoop = 0.05;
    virtual void setLoop(double a, double b) = 0;
    virtual double loopStart() const = 0;
    virtual double loopEnd() const = 0;
    virtual void setLoopOn(bool on) = 0;
    virtual bool loopOn() const = 0;
    // Passes of the loop finished since playback started.
    virtual int loopPasses() const = 0;

    // Held to kMinSpeed ... kMaxSpeed and rounded to a kSpeedStep.
    virtual void setSpeedPercent(int percent) = 0;
    virtual int speedPercent() const = 0;
    // The trainer raises the speed by kSpeedStep after each pass of the loop
    // until it reaches `targetPercent` (held like a speed).
    virtual void setTrainer(bool on, int targetPercent) = 0;
    virtual bool trainerOn() const = 0;
    virtual int trainerTarget() const = 0;

    // The metronome: on or off, and its volume (0 ... 1). Kept with the app's
    // settings by the caller.
    virtual void setClickOn(bool on) = 0;
    virtual bool clickOn() const = 0;
    virtual void setClickVolume(float volume) = 0;
    virtual float clickVolume() const = 0;
    // Beats of the count-in still to come before recording starts (0 when not
    // counting in).
    virtual int countInBeatsLeft() const = 0;
};
