#include "PatchBuilder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "KWeighting.h"
#include "LevelMatcher.h"
#include "MidiFile.h"
#include "NoteShaper.h"
#include "WavFile.h"

namespace {
constexpr double kRate = 44100.0;
constexpr double kLead = 0.2;    // before the first note
constexpr double kSpacing = 6.5; // from one note-on to the next
constexpr double kNoteOff = 6.2; // after the note-on; past the longest cut
constexpr double kSilence = 6.3; // all sound off: nothing leaks into the next note
constexpr int kVelocity = 100;
constexpr double kMeasureSeconds = 0.4;

double noteStart(int k) {
    return kLead + (k - 1) * kSpacing;
}

double dbfs(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -200.0;
}

double loudnessOf(const std::vector<float>& x) {
    const size_t n = std::min(x.size(), static_cast<size_t>(kMeasureSeconds * kRate));
    return KWeighting::loudness(x.data(), n, kRate);
}

double peakOf(const std::vector<float>& x) {
    double p = 0;
    for (float v : x)
        p = std::max(p, static_cast<double>(std::fabs(v)));
    return p;
}
} // namespace

const std::vector<PatchBuilder::Patch>& PatchBuilder::patches() {
    static const std::vector<Patch> table = {
        {"A1-", 24, "nylon acoustic"},      {"A2-", 25, "steel acoustic"}, {"E3-", 29, "overdriven electric"},
        {"E2-", 30, "distortion electric"}, {"CE-", 27, "clean electric"},
    };
    return table;
}

const PatchBuilder::Patch* PatchBuilder::find(const std::string& prefix) {
    for (const Patch& p : patches())
        if (p.prefix == prefix || p.prefix == prefix + "-")
            return &p;
    return nullptr;
}

PatchBuilder::PatchBuilder(const FluidRenderer& renderer, std::string workDir)
    : renderer_(renderer), workDir_(std::move(workDir)) {}

bool PatchBuilder::build(const Patch& patch, const std::string& outDir, Report& report,
                         std::string* error) const {
    const std::string stem = workDir_ + "/" + patch.prefix.substr(0, patch.prefix.size() - 1);
    MidiFile midi;
    midi.programChange(0, 0, patch.program);
    midi.controlChange(0, 0, 91, 0); // no reverb send
    midi.controlChange(0, 0, 93, 0); // no chorus send
    for (int k = 1; k <= kNotes; ++k) {
        const double t = noteStart(k);
        const int note = kFirstNote + k - 1;
        midi.noteOn(t, 0, note, kVelocity);
        midi.noteOff(t + kNoteOff, 0, note);
        midi.allSoundOff(t + kSilence, 0);
    }
    if (!midi.write(stem + ".mid")) {
        if (error)
            *error = "cannot write " + stem + ".mid";
        return false;
    }
    std::vector<float> rendered;
    if (!renderer_.render(stem + ".mid", stem + ".f32", rendered, error))
        return false;

    NoteShaper::Options shape;
    shape.minSeconds = 4.0;
    shape.maxSeconds = 6.0;
    shape.tailFloorDb = -50.0;
    shape.fadeOutSeconds = 1.0;

    std::vector<std::vector<float>> notes(kNotes);
    std::vector<double> loudness(kNotes), peaks(kNotes);
    for (int k = 1; k <= kNotes; ++k) {
        const size_t from = static_cast<size_t>(std::lround(noteStart(k) * kRate));
        const size_t to =
            std::min(rendered.size(), static_cast<size_t>(std::lround((noteStart(k) + kSpacing) * kRate)));
        if (from >= to) {
            if (error)
                *error = "the rendering ends before note " + std::to_string(k);
            return false;
        }
        notes[k - 1] = NoteShaper::shape(rendered.data() + from, to - from, shape);
        if (notes[k - 1].empty()) {
            if (error)
                *error = "note " + std::to_string(k) + " is silent";
            return false;
        }
        loudness[k - 1] = loudnessOf(notes[k - 1]);
        peaks[k - 1] = peakOf(notes[k - 1]);
    }
    rendered = {};

    const LevelMatcher::Result level =
        LevelMatcher::match(loudness, peaks, kTargetLufs, std::pow(10.0, kPeakCeilingDbfs / 20.0));

    std::vector<double> finalLoudness(kNotes);
    double finalPeak = 0;
    double minLen = 1e9, maxLen = 0;
    for (int k = 1; k <= kNotes; ++k) {
        std::vector<float>& x = notes[k - 1];
        const float g = static_cast<float>(level.gains[k - 1]);
        for (float& v : x)
            v *= g;
        const std::vector<int16_t> pcm = WavFile::toInt16(x);
        // Measure what is really in the file.
        std::vector<float> back(pcm.size());
        int peak16 = 0;
        for (size_t i = 0; i < pcm.size(); ++i) {
            back[i] = static_cast<float>(pcm[i] / 32768.0);
            peak16 = std::max(peak16, std::abs(static_cast<int>(pcm[i])));
        }
        finalLoudness[k - 1] = loudnessOf(back);
        report.notePeakDbfs.push_back(dbfs(peak16 / 32768.0));
        finalPeak = std::max(finalPeak, peak16 / 32768.0);
        const double seconds = static_cast<double>(pcm.size()) / kRate;
        minLen = std::min(minLen, seconds);
        maxLen = std::max(maxLen, seconds);
        const std::string path = outDir + "/" + patch.prefix + std::to_string(k) + ".wav";
        if (!WavFile::writeMono16(path, pcm, error)) {
            if (error)
                *error = path + ": " + *error;
            return false;
        }
    }
    report.prefix = patch.prefix;
    report.noteLoudness = finalLoudness;
    report.rawLoudness = loudness;
    report.rawSpreadLu = LevelMatcher::spread(loudness);
    report.rawMaxStepLu = LevelMatcher::maxStep(loudness);
    report.spreadLu = LevelMatcher::spread(finalLoudness);
    report.maxStepLu = LevelMatcher::maxStep(finalLoudness);
    report.loudnessLufs = std::accumulate(finalLoudness.begin(), finalLoudness.end(), 0.0) / kNotes;
    report.peakDbfs = dbfs(finalPeak);
    report.minSeconds = minLen;
    report.maxSeconds = maxLen;
    report.patchLufs = level.patchLoudness;
    report.heldBack = level.heldBack;
    return true;
}
