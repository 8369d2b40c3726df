#pragma once
#include <cstddef>

#include "Biquad.h"

// Loudness of a mono signal in LUFS: the two-stage K-weighting filter (a
// high-frequency shelf of about +4 dB modelling the head, then a 38 Hz
// high-pass) followed by -0.691 + 10 log10(mean square). The stage
// coefficients are derived for any sample rate from the analogue prototypes,
// so they match the published 48 kHz table at 48 kHz.
//
// One block, no gating: the samples measure the first 400 ms of each note,
// which is exactly one momentary-loudness block.
class KWeighting {
public:
    static Biquad shelfStage(double sampleRate);
    static Biquad highPassStage(double sampleRate);

    // Loudness of data[0..n) in LUFS; -200 for silence or n == 0.
    static double loudness(const float* data, size_t n, double sampleRate);
};
