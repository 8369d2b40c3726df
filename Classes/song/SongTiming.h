#pragma once

// The song's beat, which the metronome and the count-in follow: a tempo in
// beats per minute and the beats in a bar (the first is accented). A song
// from a file made before songs kept a beat has no tempo (kNoTempo), and the
// metronome stays silent for it until the player sets one.
//
// Threads: any (a plain value).
struct SongTiming {
    static constexpr int kNoTempo = 0;
    static constexpr int kMinTempo = 30;
    static constexpr int kMaxTempo = 300;
    static constexpr int kDefaultTempo = 120;
    static constexpr int kMaxBeatsPerBar = 12;

    int tempo = kDefaultTempo;
    int beatsPerBar = 4;

    bool hasTempo() const { return tempo >= kMinTempo && tempo <= kMaxTempo; }
    // Seconds between beats at `speed` (1 = the song's own pace); 0 without a tempo.
    double beatSeconds(double speed = 1.0) const {
        return hasTempo() && speed > 0 ? 60.0 / (tempo * speed) : 0.0;
    }

    bool operator==(const SongTiming&) const = default;
};
