#include "import/ScoreSong.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "audio/EngineSettings.h"
#include "recorder/Recorder.h"
#include "storage/MidiExport.h"

namespace {

constexpr int kSamplesPerGuitar = 48;
constexpr int kLowestNote = MidiExport::kFirstSampleNote;
constexpr int kHighestNote = kLowestNote + kSamplesPerGuitar - 1;
// Recorded notes belong to the first overdub.
constexpr int kOverdub = 1;
// A full bend reaches a little more than a whole step: beyond it the whammy
// bar carries the pitch.
constexpr double kBendReach = 2.02;

struct Edge {
    double time;
    int order; // 0 the end of a note that started earlier, 1 a start, 2 the end of a zero-length note
    size_t seq;
    Note note;
};

struct Played {
    double on, off;
    int id, channel;
};

// The settings a new song starts with (those of a reset engine).
EngineSettings resetSettings() {
    EngineSettings s;
    const float sustain[kGuitars] = {0.95f, 0.7f};
    for (int g = 0; g < kGuitars; ++g) {
        s.of<GuitarPatch>(g) = {0.5f, releaseForSustain(sustain[g]), g == 0 ? 1 : 3};
        s.of<DelayEffect>(g) = DelayEffect::kDefaults[g];
        s.of<FuzzEffect>(g) = FuzzEffect::kDefaults[g];
        s.of<WahEffect>(g) = WahEffect::kDefaults[g];
        s.of<WhammyBar>(g).attached = g == 1;
        s.of<PitchBend>(g).on = g == 1;
    }
    s.of<FretsShown>().count = 5;
    return s;
}

} // namespace

ScoreSong::Result ScoreSong::build(const std::vector<const ScoreTrack*>& tracks) {
    Result r;
    EngineSettings settings = resetSettings();
    SongEvents events;
    std::vector<Edge> edges;
    int nextID = 0;
    for (size_t g = 0; g < tracks.size() && g < kGuitars; ++g) {
        const ScoreTrack& track = *tracks[g];
        const int guitar = static_cast<int>(g);
        const double release = settings.of<GuitarPatch>(guitar).releaseDelta;
        std::vector<Played> played;
        const int bendsBefore = r.bends;
        for (const ScoreNote& n : track.notes) {
            if (n.tied || !std::isfinite(n.seconds) || n.pitch < 0 || n.pitch > 127)
                continue;
            int pitch = n.pitch;
            while (pitch < kLowestNote)
                pitch += 12;
            while (pitch > kHighestNote)
                pitch -= 12;
            r.movedByOctave += pitch != n.pitch;
            const double on = std::max(0.0, n.seconds);
            const double off = std::max(on, on + (std::isfinite(n.duration) ? n.duration : 0.0));
            const float volume = static_cast<float>(std::clamp(n.velocity, 1, 127)) / 127.0f;
            const int id = nextID++;
            edges.push_back({on, 1, edges.size(),
                             Note(pitch - kLowestNote + guitar * kSamplesPerGuitar, volume, on, kOverdub, id,
                                  release, 0.0)});
            edges.push_back({off, off > on ? 0 : 2, edges.size(), Note(off, id, 0.0)});
            played.push_back({on, off, id, n.channel});
            ++r.notes;
        }

        // The channel's wheel: within a whole step it bends the sounding
        // notes; beyond, the whammy bar takes the pitch and the bends rest.
        std::array<double, 16> wheel{};
        std::array<bool, 16> onWhammy{}, bent{};
        const auto bendSounding = [&](double t, int channel, float factor) {
            for (const Played& p : played)
                if (p.channel == channel && p.on <= t && t < p.off) {
                    events.pitchBends.emplace_back(t, p.id, factor, kOverdub);
                    ++r.bends;
                }
        };
        for (const ScoreControl& c : track.controls) {
            const size_t ch = static_cast<size_t>(std::clamp(c.channel, 0, 15));
            if (!std::isfinite(c.value) || !std::isfinite(c.seconds))
                continue;
            const double t = std::max(0.0, c.seconds);
            if (c.kind == ScoreControl::Kind::Program) {
                if (r.patch[g] < 0 && MidiExport::patchForGmProgram(static_cast<int>(c.value)) >= 0)
                    r.patch[g] = MidiExport::patchForGmProgram(static_cast<int>(c.value));
            } else if (c.kind == ScoreControl::Kind::Wah) {
                const double v = std::clamp(c.value, 0.0, 127.0);
                events.wah[g].emplace_back(t, static_cast<float>(0.05 + v / 127.0 * 0.45), kOverdub);
                ++r.wahChanges;
            } else if (c.value != wheel[ch]) {
                const double semitones = std::clamp(c.value, -24.0, 24.0);
                wheel[ch] = c.value;
                if (std::fabs(semitones) > kBendReach) {
                    if (bent[ch])
                        bendSounding(t, static_cast<int>(ch), 1.0f);
                    bent[ch] = false;
                    onWhammy[ch] = true;
                    const double offset = std::clamp(std::exp2(semitones / 12.0) - 1.0, -1.0, 1.0);
                    events.whammy[g].emplace_back(t, static_cast<float>(offset), kOverdub);
                    ++r.whammyChanges;
                } else {
                    if (onWhammy[ch]) {
                        events.whammy[g].emplace_back(t, 0.0f, kOverdub);
                        ++r.whammyChanges;
                    }
                    onWhammy[ch] = false;
                    bent[ch] = semitones != 0.0;
                    bendSounding(t, static_cast<int>(ch), static_cast<float>(std::exp2(semitones / 12.0)));
                }
            }
        }
        GuitarPatch::Params& patch = settings.of<GuitarPatch>(guitar);
        if (r.patch[g] >= 0)
            patch.patchNo = r.patch[g];
        settings.of<PitchBend>(guitar).on |= r.bends > bendsBefore;
        settings.of<WhammyBar>(guitar).attached |= !events.whammy[g].empty();
        settings.of<WahEffect>(guitar).on |= !events.wah[g].empty();
    }

    std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return std::tie(a.time, a.order, a.seq) < std::tie(b.time, b.order, b.seq);
    });
    for (const Edge& e : edges)
        events.notes.push_back(e.note);
    std::stable_sort(events.pitchBends.begin(), events.pitchBends.end(),
                     [](const PitchChange& a, const PitchChange& b) { return a.time() < b.time(); });
    events.currentNoteID = nextID;
    events.keepFirstNoteEvents(static_cast<size_t>(Recorder::kMaxEvents));
    r.eventsLeftOut = events.eventsLeftOut;
    r.notes = static_cast<int>(
        std::count_if(events.notes.begin(), events.notes.end(), [](const Note& n) { return n.keyDown(); }));
    events.eventsLeftOut = 0;
    r.song.events = std::move(events);
    r.song.engine = settings;
    return r;
}
