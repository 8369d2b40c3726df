#include "song/GuitarTuning.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::array<GuitarTuning::Preset, GuitarTuning::kNumPresets> kPresets = {{
    {"Standard", {0, 0, 0, 0, 0, 0}},
    {"Drop D", {-2, 0, 0, 0, 0, 0}},
    {"Double drop D", {-2, 0, 0, 0, 0, -2}},
    {"DADGAD", {-2, 0, 0, 0, -2, -2}},
    {"Open G", {-2, -2, 0, 0, 0, -2}},
    {"Open D", {-2, 0, 0, -1, -2, -2}},
    {"Open E", {0, 2, 2, 1, 0, 0}},
    {"Half-step down", {-1, -1, -1, -1, -1, -1}},
    {"Whole-step down", {-2, -2, -2, -2, -2, -2}},
}};

constexpr const char* kStringNames[GuitarTuning::kNumStrings] = {"low E", "A", "D", "G", "B", "high E"};

bool inPatch(int sample) {
    return sample >= 0 && sample < GuitarTuning::kNumSamples;
}

} // namespace

int GuitarTuning::sampleAtFret(int string, int fret) const {
    if (string < 0 || string >= kNumStrings || fret < 0)
        return -1;
    const int sample = openSample[static_cast<std::size_t>(string)] + std::max(fret, capo);
    return inPatch(sample) ? sample : -1;
}

int GuitarTuning::sampleForTab(int string, int tabFret) const {
    if (tabFret < 0)
        return -1;
    return sampleAtFret(string, capo + tabFret);
}

int GuitarTuning::tabFretFor(int string, int sample) const {
    if (string < 0 || string >= kNumStrings || !inPatch(sample))
        return -1;
    const int fromNut = sample - openSample[static_cast<std::size_t>(string)];
    if (fromNut < capo || fromNut > kHighestFret)
        return -1;
    return fromNut - capo;
}

std::array<int, GuitarTuning::kNumStrings> GuitarTuning::offsets() const {
    std::array<int, kNumStrings> o{};
    for (std::size_t s = 0; s < o.size(); ++s)
        o[s] = openSample[s] - kStandard[s];
    return o;
}

std::string GuitarTuning::problem() const {
    if (capo < 0 || capo > kMaxCapo)
        return "A capo goes on frets 0 to " + std::to_string(kMaxCapo) + ".";
    for (int s = 0; s < kNumStrings; ++s) {
        const int open = openSample[static_cast<std::size_t>(s)];
        // Strings are numbered as guitarists do: 1 is the high E.
        const std::string which = "String " + std::to_string(kNumStrings - s) + " (" + kStringNames[s] +
                                  ") tuned to " + pitchName(kFirstPitch + open);
        if (open < 0)
            return which + " is below the patch's lowest note, " + pitchName(kFirstPitch) + ".";
        if (open + kHighestFret >= kNumSamples)
            return which + " would need " + pitchName(kFirstPitch + open + kHighestFret) + " at fret " +
                   std::to_string(kHighestFret) + ", above the patch's highest note, " +
                   pitchName(kFirstPitch + kNumSamples - 1) + ".";
    }
    return std::string();
}

std::string GuitarTuning::name() const {
    for (const Preset& p : kPresets)
        if (offsets() == p.offsets)
            return p.name;
    return "Custom";
}

std::string GuitarTuning::pitchName(int midiNote) {
    static constexpr const char* kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                               "F#", "G",  "G#", "A",  "A#", "B"};
    const int octave = (midiNote >= 0 ? midiNote / 12 : (midiNote - 11) / 12) - 1;
    const int pc = ((midiNote % 12) + 12) % 12;
    return std::string(kNames[pc]) + std::to_string(octave);
}

std::string GuitarTuning::noteNames() const {
    std::string text;
    for (int s = 0; s < kNumStrings; ++s) {
        std::string n = pitchName(openPitch(s));
        while (!n.empty() && (std::isdigit(static_cast<unsigned char>(n.back())) || n.back() == '-'))
            n.pop_back();
        text += (s ? " " : "") + n;
    }
    if (capo > 0)
        text += " capo " + std::to_string(capo);
    return text;
}

const std::array<GuitarTuning::Preset, GuitarTuning::kNumPresets>& GuitarTuning::presets() {
    return kPresets;
}

GuitarTuning GuitarTuning::fromOffsets(const std::array<int, kNumStrings>& offsets, int capo) {
    GuitarTuning t;
    for (std::size_t s = 0; s < offsets.size(); ++s)
        t.openSample[s] = kStandard[s] + offsets[s];
    t.capo = capo;
    return t;
}

GuitarTuning GuitarTuning::fromPreset(int index, int capo) {
    const auto i = static_cast<std::size_t>(std::clamp(index, 0, kNumPresets - 1));
    return fromOffsets(kPresets[i].offsets, capo);
}
