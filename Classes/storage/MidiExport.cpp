#include "storage/MidiExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <tuple>

#include "audio/EngineSettings.h"
#include "audio/SoundEngine.h"
#include "core/GuitarId.h"
#include "core/StrumwellFailure.h"
#include "storage/MidiFileWriter.h"
#include "storage/SongCodec.h"

namespace {

constexpr int kGuitarSamples = 48;
// Voices on sample numbers up to 96 belong to guitar 2, but slot 96 is never
// loaded: it plays nothing.
constexpr int kLastGuitarSample = 95;
constexpr float kGlideUp = 0.008f;
constexpr float kGlideDown = 0.03f;
// A full bend is a little more than two semitones (12 log2 1.1233333 =
// 2.0126); it still counts as fitting a range of two.
constexpr double kTwoSemitoneRange = 2.02;

// The order of events that share a time: notes end first, then the
// controllers and the wheel move, then new notes start (a note that ends
// where it starts ends right after its start).
enum Order { kNoteOff = 0, kControl = 1, kNoteOn = 2 };

struct OutEvent {
    double time;
    int order;
    size_t seq;
    enum Kind { NoteOn, NoteOff, Control, Bend } kind;
    int a;
    int b;
};

struct Played {
    int guitar;
    int note;
    int velocity;
    double on;
    double off;
    int noteID;
};

// Playback walks each list in its order and issues an event once its time
// has come, so an event never sounds before the one before it, nor before 0.
// False when a time is not a number or absurdly far out.
template <typename T>
bool effectiveTimes(const std::vector<T>& list, std::vector<double>& out, const char* what,
                    std::string& error) {
    out.clear();
    out.reserve(list.size());
    double last = 0.0;
    for (size_t i = 0; i < list.size(); ++i) {
        const double t = list[i].time();
        if (!std::isfinite(t) || t > MidiExport::kMaxSongSeconds) {
            char text[160];
            std::snprintf(text, sizeof text, "%s %zu has the time %g s, which no song can have", what, i + 1,
                          t);
            error = text;
            return false;
        }
        last = std::max(last, t);
        out.push_back(last);
    }
    return true;
}

uint32_t toTick(double seconds) {
    const double ticks = std::round(seconds * 1000.0);
    return ticks >= MidiFileWriter::kMaxTick ? MidiFileWriter::kMaxTick : static_cast<uint32_t>(ticks);
}

const char* patchName(int patchNo) {
    switch (patchNo) {
    case 0:
        return "Acoustic 1";
    case 1:
        return "Acoustic 2";
    case 2:
        return "Electric 1";
    case 3:
        return "Electric 2";
    case 4:
        return "Clean Electric";
    default:
        return "Acoustic Fingerpick";
    }
}

} // namespace

double MidiExport::semitonesOf(float pitch, float whammy) {
    const double speed = std::max(1.0 / 16.0, static_cast<double>(pitch) + static_cast<double>(whammy));
    return 12.0 * std::log2(speed);
}

namespace {

// The pitch of one guitar's channel over time: the whammy offset plus the
// bend of the note bent last, gliding as the engine's bend mixer does.
class PitchTimeline {
public:
    PitchTimeline(bool glide, double songEnd) : glide_(glide), songEnd_(songEnd) {}

    void whammy(double t, float value) {
        advance(t);
        whammy_ = value;
        emit(t);
    }
    void bend(double t, int noteID, double ownerOff, float target) {
        advance(t);
        owner_ = noteID;
        ownerOff_ = ownerOff;
        required_ = target;
        if (!glide_)
            pitch_ = target;
        emit(t);
        nextStep_ = t;
    }
    // A new voice starts unbent: once the bent note has ended, the wheel
    // comes back before the next note of the channel.
    void noteOn(double t, int noteID) {
        advance(t);
        if (owner_ != -1 && owner_ != noteID && ownerOff_ <= t) {
            owner_ = -1;
            pitch_ = required_ = 1.0f;
            emit(t);
        }
    }
    void finish() { advance(songEnd_); }

    struct Point {
        double time;
        double semitones;
    };
    const std::vector<Point>& points() const { return points_; }

private:
    void advance(double until) {
        while (pitch_ != required_ && nextStep_ <= until && nextStep_ <= songEnd_) {
            if (pitch_ < required_) {
                pitch_ = static_cast<float>(static_cast<double>(pitch_) + kGlideUp);
                if (pitch_ > required_)
                    pitch_ = required_;
            } else {
                pitch_ = static_cast<float>(static_cast<double>(pitch_) - kGlideDown);
                if (pitch_ < required_)
                    pitch_ = required_;
            }
            emit(nextStep_);
            nextStep_ += MidiExport::kGlideStepSeconds;
        }
    }
    void emit(double t) { points_.push_back({t, MidiExport::semitonesOf(pitch_, whammy_)}); }

    bool glide_;
    double songEnd_;
    float pitch_ = 1.0f;
    float required_ = 1.0f;
    float whammy_ = 0.0f;
    int owner_ = -1;
    double ownerOff_ = 0.0;
    double nextStep_ = 0.0;
    std::vector<Point> points_;
};

struct PitchInput {
    double time;
    int priority; // whammy 0, bend 1, note start 2
    size_t seq;
    float value;
    int noteID;
    double ownerOff;
};

} // namespace

int MidiExport::gmProgramForPatch(int patchNo) {
    switch (patchNo) {
    case 1:
        return 25; // steel-string acoustic
    case 2:
        return 29; // overdriven
    case 3:
        return 30; // distortion
    case 4:
        return 27; // clean electric
    default:
        return 24; // nylon (patch 0, and the fallback that plays its samples)
    }
}

int MidiExport::patchForGmProgram(int program) {
    switch (program) {
    case 24:
        return 0;
    case 25:
        return 1;
    case 26:
    case 27:
    case 28:
        return 4;
    case 29:
        return 2;
    case 30:
    case 31:
        return 3;
    default:
        return -1;
    }
}

int MidiExport::guitarOfSample(int sampleNo) {
    if (sampleNo >= 0 && sampleNo < kGuitarSamples)
        return 0;
    if (sampleNo >= kGuitarSamples && sampleNo <= kLastGuitarSample)
        return 1;
    return -1;
}

int MidiExport::midiNoteForSample(int sampleNo) {
    const int guitar = guitarOfSample(sampleNo);
    return guitar < 0 ? -1 : kFirstSampleNote + sampleNo - guitar * kGuitarSamples;
}

int MidiExport::velocityForVolume(float volume) {
    if (!(volume > 0.0f))
        return 1;
    return static_cast<int>(std::clamp(std::lround(static_cast<double>(volume) * 127.0), 1L, 127L));
}

int MidiExport::wahControllerValue(float f) {
    if (!std::isfinite(f))
        return 127;
    const double v = (static_cast<double>(f) - 0.05) / 0.45 * 127.0;
    return static_cast<int>(std::clamp(std::lround(v), 0L, 127L));
}

int MidiExport::pitchBendValue(double semitones, int rangeSemitones) {
    const double v = 8192.0 + semitones / rangeSemitones * 8192.0;
    return static_cast<int>(std::clamp(std::lround(v), 0L, 16383L));
}

namespace {} // namespace

MidiExport::Song MidiExport::songFrom(const ::Song& file) {
    Song s;
    if (file.events) {
        s.notes = file.events->notes;
        s.pitchBends = file.events->pitchBends;
        s.whammyBarChanges = file.events->whammy;
        s.wahChanges = file.events->wah;
        s.eventsLeftOut = file.events->eventsLeftOut;
    }
    // An engine section the program does not read leaves the defaults.
    if (file.engine)
        for (int g = 0; g < kGuitars; ++g) {
            const size_t i = static_cast<size_t>(g);
            s.patchNo[i] = file.engine->of<GuitarPatch>(g).patchNo;
            s.pitchBendOn[i] = file.engine->of<PitchBend>(g).on;
            s.whammyBarAttached[i] = file.engine->of<WhammyBar>(g).attached;
            s.wahOn[i] = file.engine->of<WahEffect>(g).on;
        }
    return s;
}

bool MidiExport::readSongFile(const uint8_t* bytes, size_t size, MidiExport::Song& song, std::string& error) {
    if (size == 0) {
        error = "Empty file";
        return false;
    }
    try {
        // The tab is not exported, but a damaged one fails the load.
        song = songFrom(SongCodec::readSong(bytes, size));
    } catch (const StrumwellFailure& failure) {
        error = failure.name();
        return false;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

MidiExport::Result MidiExport::build(const Song& song, const Options& options) {
    Result result;
    std::vector<double> noteTimes, bendTimes;
    std::array<std::vector<double>, kGuitars> whammyTimes, wahTimes;
    if (!effectiveTimes(song.notes, noteTimes, "note event", result.error) ||
        !effectiveTimes(song.pitchBends, bendTimes, "pitch change", result.error))
        return result;
    for (size_t g = 0; g < kGuitars; ++g)
        if (!effectiveTimes(song.whammyBarChanges[g], whammyTimes[g], "whammy change", result.error) ||
            !effectiveTimes(song.wahChanges[g], wahTimes[g], "wah change", result.error))
            return result;

    // The song ends with its last note event: playback stops there, every
    // voice is released, and later changes are never issued.
    const double songEnd = noteTimes.empty() ? 0.0 : noteTimes.back();
    result.songSeconds = songEnd;

    // What the song's settings let be heard (the playback thread issues the
    // changes when either guitar has the switch on; a guitar's own voices
    // only follow them when it is mixed with the bend mixer).
    std::array<bool, kGuitars> bendHeard{}, whammyHeard{}, wahHeard{};
    const bool bendsIssued = song.pitchBendOn[0] || song.pitchBendOn[1];
    const bool whammyIssued = song.whammyBarAttached[0] || song.whammyBarAttached[1];
    for (size_t g = 0; g < kGuitars; ++g) {
        const bool bendMixer = song.pitchBendOn[g] || song.whammyBarAttached[g];
        bendHeard[g] = options.allEffects || (bendsIssued && bendMixer);
        whammyHeard[g] = options.allEffects || (whammyIssued && bendMixer);
        wahHeard[g] = options.allEffects || song.wahOn[g];
    }

    // Notes: each note-down sounds until the next event with its identifier
    // when that is a note-up, otherwise until the song's end.
    std::map<int, std::vector<size_t>> eventsOfID;
    for (size_t i = 0; i < song.notes.size(); ++i)
        eventsOfID[song.notes[i].noteID()].push_back(i);
    std::vector<Played> played;
    std::map<int, std::vector<size_t>> playedOfID;
    for (size_t i = 0; i < song.notes.size(); ++i) {
        const Note& n = song.notes[i];
        if (!n.keyDown())
            continue;
        const int guitar = guitarOfSample(n.sampleNo());
        if (guitar < 0) {
            if (n.sampleNo() >= SoundEngine::kFirstFretNoiseSlot)
                ++result.noiseNotes;
            else
                ++result.unplayableNotes;
            continue;
        }
        double off = songEnd;
        const std::vector<size_t>& same = eventsOfID[n.noteID()];
        const auto next = std::upper_bound(same.begin(), same.end(), i);
        if (next != same.end() && !song.notes[*next].keyDown())
            off = noteTimes[*next];
        playedOfID[n.noteID()].push_back(played.size());
        played.push_back({guitar, midiNoteForSample(n.sampleNo()), velocityForVolume(n.volume()),
                          noteTimes[i], off, n.noteID()});
    }

    MidiFileWriter midi(kTicksPerQuarter);
    const int conductor = midi.addTrack();
    midi.trackName(conductor, 0, "Strumwell song");
    midi.tempo(conductor, 0, kMicrosecondsPerQuarter);
    midi.timeSignature(conductor, 0, 4, 2);
    midi.setTrackEnd(conductor, toTick(songEnd));

    for (int g = 0; g < kGuitars; ++g) {
        const size_t gi = static_cast<size_t>(g);
        std::vector<size_t> mine;
        for (size_t p = 0; p < played.size(); ++p)
            if (played[p].guitar == g)
                mine.push_back(p);
        if (mine.empty())
            continue;

        GuitarSummary summary;
        summary.guitar = g;
        summary.channel = g;
        summary.track = midi.addTrack();
        summary.program = gmProgramForPatch(song.patchNo[gi]);
        summary.notes = static_cast<int>(mine.size());

        std::vector<OutEvent> out;
        size_t seq = 0;
        auto push = [&](double t, int order, OutEvent::Kind kind, int a, int b) {
            out.push_back({t, order, seq++, kind, a, b});
        };

        // Pitch: whammy changes, bends of this guitar's sounding notes and
        // note starts (which bring the wheel back after a bent note).
        std::vector<PitchInput> inputs;
        size_t inputSeq = 0;
        for (size_t k = 0; k < song.whammyBarChanges[gi].size(); ++k) {
            const double t = whammyTimes[gi][k];
            const float v = song.whammyBarChanges[gi][k].pitch();
            if (t > songEnd || !std::isfinite(v))
                continue;
            if (!whammyHeard[gi]) {
                ++summary.silentWhammy;
                continue;
            }
            ++summary.whammyChanges;
            inputs.push_back({t, 0, inputSeq++, std::clamp(v, -1.0f, 1.0f), -1, 0.0});
        }
        for (size_t k = 0; k < song.pitchBends.size(); ++k) {
            const double t = bendTimes[k];
            const PitchChange& c = song.pitchBends[k];
            if (t > songEnd || !std::isfinite(c.pitch()))
                continue;
            const auto found = playedOfID.find(c.noteID());
            if (found == playedOfID.end())
                continue;
            const Played* target = nullptr;
            for (size_t p : found->second)
                if (played[p].on <= t && t < played[p].off)
                    target = &played[p];
            if (target == nullptr || target->guitar != g)
                continue;
            if (!bendHeard[gi]) {
                ++summary.silentBends;
                continue;
            }
            ++summary.bends;
            inputs.push_back({t, 1, inputSeq++, std::clamp(c.pitch(), 0.25f, 4.0f), c.noteID(), target->off});
        }
        if (!inputs.empty())
            for (size_t p : mine)
                inputs.push_back({played[p].on, 2, inputSeq++, 0.0f, played[p].noteID, 0.0});
        std::sort(inputs.begin(), inputs.end(), [](const PitchInput& a, const PitchInput& b) {
            return std::tie(a.time, a.priority, a.seq) < std::tie(b.time, b.priority, b.seq);
        });
        PitchTimeline timeline(options.glide, songEnd);
        for (const PitchInput& in : inputs) {
            if (in.priority == 0)
                timeline.whammy(in.time, in.value);
            else if (in.priority == 1)
                timeline.bend(in.time, in.noteID, in.ownerOff, in.value);
            else
                timeline.noteOn(in.time, in.noteID);
        }
        timeline.finish();
        double highest = 0.0, lowest = 0.0;
        for (const PitchTimeline::Point& pt : timeline.points()) {
            highest = std::max(highest, pt.semitones);
            lowest = std::min(lowest, pt.semitones);
        }
        const double reach = std::max(highest, -lowest);
        summary.bendRangeSemitones = reach <= kTwoSemitoneRange ? 2 : reach <= 12.0001 ? 12 : 24;
        summary.highestSemitones = highest;
        summary.lowestSemitones = lowest;
        int lastBend = 8192;
        for (const PitchTimeline::Point& pt : timeline.points()) {
            const int v = pitchBendValue(pt.semitones, summary.bendRangeSemitones);
            if (v == lastBend)
                continue;
            lastBend = v;
            push(pt.time, kControl, OutEvent::Bend, v, 0);
            ++summary.pitchBendMessages;
        }

        // Wah: the pedal at rest is open; then each change as it is issued.
        if (wahHeard[gi]) {
            int lastWah = wahControllerValue(0.5f);
            push(0.0, kControl, OutEvent::Control, kWahController, lastWah);
            for (size_t k = 0; k < song.wahChanges[gi].size(); ++k) {
                const double t = wahTimes[gi][k];
                if (t > songEnd)
                    continue;
                ++summary.wahChanges;
                const int v = wahControllerValue(song.wahChanges[gi][k].pitch());
                if (v != lastWah)
                    push(t, kControl, OutEvent::Control, kWahController, v);
                lastWah = v;
            }
        } else {
            for (size_t k = 0; k < song.wahChanges[gi].size(); ++k)
                if (wahTimes[gi][k] <= songEnd)
                    ++summary.silentWah;
        }

        // Notes. The same pitch struck again while it still sounds ends the
        // earlier note there: one MIDI channel cannot hold a key down twice.
        // A note that ends where it starts ends right after its own start:
        // ordered with the note-offs, before it, it would leave its key down
        // and take a same-pitch note's end for its own.
        struct NoteEdge {
            double time;
            int order;
            size_t index;
            bool off;
        };
        std::vector<NoteEdge> edges;
        for (size_t p : mine) {
            edges.push_back({played[p].on, kNoteOn, p, false});
            edges.push_back({played[p].off, played[p].off == played[p].on ? kNoteOn : kNoteOff, p, true});
        }
        std::sort(edges.begin(), edges.end(), [](const NoteEdge& a, const NoteEdge& b) {
            return std::tie(a.time, a.order, a.index, a.off) < std::tie(b.time, b.order, b.index, b.off);
        });
        std::map<int, size_t> sounding; // MIDI note -> played index
        std::vector<bool> endedEarly(played.size(), false);
        for (const NoteEdge& e : edges) {
            const Played& n = played[e.index];
            if (!e.off) {
                const auto held = sounding.find(n.note);
                if (held != sounding.end()) {
                    push(e.time, kNoteOn, OutEvent::NoteOff, n.note, 0);
                    endedEarly[held->second] = true;
                    ++summary.shortenedNotes;
                }
                sounding[n.note] = e.index;
                push(e.time, kNoteOn, OutEvent::NoteOn, n.note, n.velocity);
            } else if (!endedEarly[e.index]) {
                sounding.erase(n.note);
                push(e.time, e.order, OutEvent::NoteOff, n.note, 0);
            }
        }

        std::sort(out.begin(), out.end(), [](const OutEvent& a, const OutEvent& b) {
            return std::tie(a.time, a.order, a.seq) < std::tie(b.time, b.order, b.seq);
        });

        const int track = summary.track;
        char name[64];
        std::snprintf(name, sizeof name, "Guitar %d: %s", g + 1, patchName(song.patchNo[gi]));
        midi.trackName(track, 0, name);
        midi.programChange(track, 0, g, summary.program);
        midi.pitchBendRange(track, 0, g, summary.bendRangeSemitones, 0);
        midi.pitchBend(track, 0, g, 8192);
        for (const OutEvent& e : out) {
            const uint32_t tick = toTick(e.time);
            switch (e.kind) {
            case OutEvent::NoteOn:
                midi.noteOn(track, tick, g, e.a, e.b);
                break;
            case OutEvent::NoteOff:
                midi.noteOff(track, tick, g, e.a);
                break;
            case OutEvent::Control:
                midi.controlChange(track, tick, g, e.a, e.b);
                break;
            case OutEvent::Bend:
                midi.pitchBend(track, tick, g, e.a);
                break;
            }
        }
        midi.setTrackEnd(track, toTick(songEnd));
        result.guitars.push_back(summary);
    }

    result.bytes = midi.bytes();
    result.ok = true;
    return result;
}
