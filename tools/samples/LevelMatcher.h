#pragma once
#include <vector>

// Per-note gains for an even instrument. Every note is brought to the patch
// loudness (K-weighted, first 400 ms) unless that would push its peak over
// the ceiling; such a note is brought only as far as the ceiling allows. The
// patch loudness is lowered if needed so that this gives no more than
// `spreadBudget` LU between the loudest and the quietest note, and notes are
// lowered (never raised) until no two neighbours differ by more than
// `stepLimit` LU. Peaky notes (the high acoustic ones) therefore end a little
// quieter, as on a real guitar, while the loudest peak reaches the ceiling.
class LevelMatcher {
public:
    struct Result {
        std::vector<double> gains;    // linear, one per note
        std::vector<double> loudness; // LUFS each note has after its gain
        double patchLoudness = 0;     // LUFS of the notes the ceiling does not hold back
        double peak = 0;              // largest peak after the gains (linear)
        int heldBack = 0;             // notes below patchLoudness
    };

    // loudness: LUFS per note at unity gain; peaks: linear peak per note at
    // unity gain; targetLufs: the loudness wanted; ceiling: the largest peak
    // allowed (linear). Notes with no sound (peak 0) get gain 0 and are left
    // out of the spread.
    static Result match(const std::vector<double>& loudness, const std::vector<double>& peaks,
                        double targetLufs, double ceiling, double spreadBudget = 3.5, double stepLimit = 1.0);

    // Spread (largest - smallest) and largest step between neighbours, in LU.
    static double spread(const std::vector<double>& loudness);
    static double maxStep(const std::vector<double>& loudness);
};
