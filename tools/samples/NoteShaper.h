#pragma once
#include <cstddef>
#include <vector>

// Cuts one sound out of a longer rendering and shapes its ends: the start is
// trimmed to just before the attack (the synthesiser starts notes a little
// late and some with a few milliseconds of quiet noise), with a short fade-in
// so the cut does not click; the length follows the sound's decay within
// given bounds, and the tail is faded out.
class NoteShaper {
public:
    struct Options {
        double sampleRate = 44100.0;
        double attackBelowPeakDb = 40.0; // the attack is where |x| first reaches peak - this
        double preAttackSeconds = 0.001; // kept before the attack, faded in
        double minSeconds = 4.0;
        double maxSeconds = 6.0;
        double tailFloorDb = -50.0;  // relative to the peak: below it the sound is over
        double fadeOutSeconds = 1.0; // shortened for short sounds (at most a third of the length)
    };

    // Index of the first sample reaching peak - attackBelowPeakDb; n when the
    // segment is silent.
    static size_t attackIndex(const float* x, size_t n, double attackBelowPeakDb);

    // Seconds from `from` until the sound last has a 10 ms RMS above
    // peak + floorDb (peak of the whole segment).
    static double audibleSeconds(const float* x, size_t n, size_t from, double floorDb, double sampleRate);

    // The shaped sound; empty when the segment is silent. The result is never
    // longer than what the segment holds after the trimmed start.
    static std::vector<float> shape(const float* segment, size_t n, const Options& options);
};
