#pragma once
#include <string>
#include <vector>

#include "FluidRenderer.h"

// Makes one patch: 48 notes of one General MIDI program, file k sounding
// MIDI note 37 + k, rendered in one synthesiser run (the notes spaced apart
// in one MIDI file), then cut apart, trimmed, faded, matched in loudness and
// written as prefix + k + ".wav".
class PatchBuilder {
public:
    static constexpr int kNotes = 48;
    static constexpr int kFirstNote = 38; // file 1

    struct Patch {
        std::string prefix;
        int program;      // General MIDI program, 0-based
        const char* what; // for progress lines
    };

    struct Report {
        std::string prefix;
        double spreadLu = 0;    // loudness spread over the 48 notes
        double maxStepLu = 0;   // largest step between neighbouring notes
        double rawSpreadLu = 0; // the same two before the loudness matching
        double rawMaxStepLu = 0;
        double loudnessLufs = 0; // mean loudness of the notes
        double peakDbfs = 0;     // loudest peak of the patch
        double minSeconds = 0, maxSeconds = 0;
        double patchLufs = 0;             // loudness of the notes the peak ceiling does not hold back
        int heldBack = 0;                 // notes held below it by the ceiling
        std::vector<double> noteLoudness; // per note, as written
        std::vector<double> notePeakDbfs;
        std::vector<double> rawLoudness; // per note, before matching (unity gain)
    };

    // The five patches, in the order the engine numbers them.
    static const std::vector<Patch>& patches();
    static const Patch* find(const std::string& prefix);

    // The loudness every note of every patch is brought to (first 400 ms,
    // K-weighted), as far as the peak ceiling allows (see LevelMatcher).
    static constexpr double kTargetLufs = -15.0;
    static constexpr double kPeakCeilingDbfs = -3.0;

    PatchBuilder(const FluidRenderer& renderer, std::string workDir);

    bool build(const Patch& patch, const std::string& outDir, Report& report, std::string* error) const;

private:
    const FluidRenderer& renderer_;
    std::string workDir_;
};
