#pragma once
#include <string>
#include <vector>

#include "FluidRenderer.h"

// Makes the ten fret noises ("fret1.wav" ... "fret10.wav", General MIDI
// program 120, varied in pitch, length and filtering) and the twelve taps
// ("tap1.wav" ... "tap12.wav", short percussion from the General MIDI drum
// kit), all under 0.6 s, from one synthesiser run.
class NoiseBuilder {
public:
    struct Noise {
        std::string file;
        int channel; // 0: fret noise program; 9: drum kit
        int note;
        int velocity;
        double holdSeconds;
        double maxSeconds;
        double lowPassHz;  // 0: none
        double highPassHz; // 0: none
        double peakDbfs;
    };

    struct Report {
        std::string file;
        double seconds = 0;
        double peakDbfs = 0;
    };

    static const std::vector<Noise>& noises();

    NoiseBuilder(const FluidRenderer& renderer, std::string workDir);

    bool build(const std::string& outDir, std::vector<Report>& reports, std::string* error) const;

private:
    const FluidRenderer& renderer_;
    std::string workDir_;
};
