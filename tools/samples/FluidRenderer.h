#pragma once
#include <string>
#include <vector>

// Renders a MIDI file to mono float samples at 44100 Hz with the FluidSynth
// command-line program, as fast as it can go (no audio device), reverb and
// chorus off. The stereo output is mixed to mono as (left + right) / 2.
class FluidRenderer {
public:
    FluidRenderer(std::string fluidsynth, std::string soundFont);

    // rawPath: where FluidSynth writes its float output; removed afterwards.
    // False, with a reason, when the program fails or writes nothing.
    bool render(const std::string& midiPath, const std::string& rawPath, std::vector<float>& mono,
                std::string* error) const;

    // Interleaved stereo float file to mono.
    static bool readStereoFloat(const std::string& path, std::vector<float>& mono, std::string* error);

private:
    std::string fluidsynth_;
    std::string soundFont_;
};
