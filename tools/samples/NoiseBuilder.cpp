#include "NoiseBuilder.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Biquad.h"
#include "MidiFile.h"
#include "NoteShaper.h"
#include "WavFile.h"

namespace {
constexpr double kRate = 44100.0;
constexpr double kLead = 0.2;
constexpr double kSpacing = 1.5;
constexpr double kSilence = 1.2; // all sound off after each noise
constexpr int kFretProgram = 120;

double noiseStart(size_t i) {
    return kLead + static_cast<double>(i) * kSpacing;
}
} // namespace

const std::vector<NoiseBuilder::Noise>& NoiseBuilder::noises() {
    // The fret noise program is one short recording: pitch (the note), how
    // long it is held and cut, and the filters make the ten differ.
    // Drum notes: 37 side stick, 60/61 high/low bongo, 75 claves, 76/77 high/
    // low wood block; the second six are softer and muffled.
    static const std::vector<Noise> table = {
        {"fret1.wav", 0, 60, 100, 0.30, 0.35, 0, 0, -9},
        {"fret2.wav", 0, 57, 90, 0.25, 0.30, 6000, 0, -10},
        {"fret3.wav", 0, 64, 110, 0.40, 0.45, 0, 300, -9},
        {"fret4.wav", 0, 55, 80, 0.20, 0.25, 4000, 0, -11},
        {"fret5.wav", 0, 67, 100, 0.35, 0.40, 0, 600, -10},
        {"fret6.wav", 0, 62, 95, 0.50, 0.55, 8000, 150, -9},
        {"fret7.wav", 0, 52, 85, 0.30, 0.35, 3000, 0, -11},
        {"fret8.wav", 0, 70, 105, 0.25, 0.30, 0, 900, -10},
        {"fret9.wav", 0, 59, 100, 0.45, 0.50, 5000, 200, -9},
        {"fret10.wav", 0, 65, 90, 0.18, 0.22, 2500, 0, -12},
        {"tap1.wav", 9, 37, 110, 0.20, 0.30, 0, 0, -6},
        {"tap2.wav", 9, 76, 100, 0.20, 0.25, 0, 0, -6},
        {"tap3.wav", 9, 77, 100, 0.20, 0.25, 0, 0, -6},
        {"tap4.wav", 9, 60, 110, 0.20, 0.35, 0, 0, -6},
        {"tap5.wav", 9, 61, 110, 0.20, 0.40, 0, 0, -6},
        {"tap6.wav", 9, 75, 100, 0.20, 0.25, 0, 0, -6},
        {"tap7.wav", 9, 37, 80, 0.20, 0.25, 3000, 0, -8},
        {"tap8.wav", 9, 76, 80, 0.20, 0.20, 4000, 0, -8},
        {"tap9.wav", 9, 77, 80, 0.20, 0.20, 2500, 0, -8},
        {"tap10.wav", 9, 60, 85, 0.20, 0.30, 3500, 0, -8},
        {"tap11.wav", 9, 61, 85, 0.20, 0.35, 2500, 0, -8},
        {"tap12.wav", 9, 75, 80, 0.20, 0.20, 5000, 0, -8},
    };
    return table;
}

NoiseBuilder::NoiseBuilder(const FluidRenderer& renderer, std::string workDir)
    : renderer_(renderer), workDir_(std::move(workDir)) {}

bool NoiseBuilder::build(const std::string& outDir, std::vector<Report>& reports, std::string* error) const {
    const std::vector<Noise>& table = noises();
    const std::string stem = workDir_ + "/noises";
    MidiFile midi;
    midi.programChange(0, 0, kFretProgram);
    midi.programChange(0, 9, 0); // standard drum kit
    for (int ch : {0, 9}) {
        midi.controlChange(0, ch, 91, 0);
        midi.controlChange(0, ch, 93, 0);
    }
    for (size_t i = 0; i < table.size(); ++i) {
        const Noise& n = table[i];
        const double t = noiseStart(i);
        midi.noteOn(t, n.channel, n.note, n.velocity);
        midi.noteOff(t + n.holdSeconds, n.channel, n.note);
        midi.allSoundOff(t + kSilence, n.channel);
    }
    if (!midi.write(stem + ".mid")) {
        if (error)
            *error = "cannot write " + stem + ".mid";
        return false;
    }
    std::vector<float> rendered;
    if (!renderer_.render(stem + ".mid", stem + ".f32", rendered, error))
        return false;

    reports.clear();
    for (size_t i = 0; i < table.size(); ++i) {
        const Noise& n = table[i];
        const size_t from = static_cast<size_t>(std::lround(noiseStart(i) * kRate));
        const size_t to =
            std::min(rendered.size(), static_cast<size_t>(std::lround((noiseStart(i) + kSpacing) * kRate)));
        if (from >= to) {
            if (error)
                *error = "the rendering ends before " + n.file;
            return false;
        }
        std::vector<float> segment(rendered.begin() + static_cast<std::ptrdiff_t>(from),
                                   rendered.begin() + static_cast<std::ptrdiff_t>(to));
        if (n.lowPassHz > 0)
            Biquad::lowPass(n.lowPassHz, kRate).processInPlace(segment.data(), segment.size());
        if (n.highPassHz > 0)
            Biquad::highPass(n.highPassHz, kRate).processInPlace(segment.data(), segment.size());

        NoteShaper::Options shape;
        shape.minSeconds = 0.05;
        shape.maxSeconds = n.maxSeconds;
        shape.tailFloorDb = -45.0;
        shape.fadeOutSeconds = 0.04;
        std::vector<float> x = NoteShaper::shape(segment.data(), segment.size(), shape);
        if (x.empty()) {
            if (error)
                *error = n.file + " is silent";
            return false;
        }
        float peak = 0;
        for (float v : x)
            peak = std::max(peak, std::fabs(v));
        const float gain = static_cast<float>(std::pow(10.0, n.peakDbfs / 20.0) / peak);
        for (float& v : x)
            v *= gain;
        const std::vector<int16_t> pcm = WavFile::toInt16(x);
        if (!WavFile::writeMono16(outDir + "/" + n.file, pcm, error)) {
            if (error)
                *error = n.file + ": " + *error;
            return false;
        }
        int peak16 = 0;
        for (int16_t s : pcm)
            peak16 = std::max(peak16, std::abs(static_cast<int>(s)));
        reports.push_back({n.file, static_cast<double>(pcm.size()) / kRate,
                           peak16 > 0 ? 20.0 * std::log10(peak16 / 32768.0) : -200.0});
    }
    return true;
}
