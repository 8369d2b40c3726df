#include "import/MidiFileReader.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <tuple>

namespace {

// More events than this is no song anyone plays: the file is refused before
// its events take more memory than the program should spend on a file.
constexpr size_t kMaxEvents = 2'000'000;
constexpr int kDrumChannel = 9;
constexpr int kWahController = 74;

struct Event {
    uint64_t tick;
    uint32_t track;
    uint32_t seq;
    uint8_t status; // channel message status, or 0xFF for a meta event
    uint8_t d1;     // meta: its type
    uint8_t d2;
    uint32_t tempo = 0; // tempo meta: microseconds a quarter
    std::string text;   // name meta
};

class Cursor {
public:
    Cursor(std::span<const uint8_t> bytes, size_t base) : b_(bytes), base_(base) {}
    size_t left() const { return b_.size() - p_; }
    size_t at() const { return base_ + p_; }
    bool u8(uint8_t& v) {
        if (left() < 1)
            return false;
        v = b_[p_++];
        return true;
    }
    bool varLen(uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t c = 0;
            if (!u8(c))
                return false;
            v = v << 7 | (c & 0x7Fu);
            if (!(c & 0x80))
                return true;
        }
        return false; // a quantity longer than four bytes
    }
    std::span<const uint8_t> take(size_t n) {
        const auto s = b_.subspan(p_, n);
        p_ += n;
        return s;
    }

private:
    std::span<const uint8_t> b_;
    size_t base_;
    size_t p_ = 0;
};

uint32_t be(std::span<const uint8_t> b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

bool fail(std::string& error, std::string words) {
    error = std::move(words);
    return false;
}

// The bytes a channel message of this status carries after it.
int dataBytes(uint8_t status) {
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool readTrack(std::span<const uint8_t> body, size_t base, uint32_t track, std::vector<Event>& events,
               uint64_t& endTick, std::string& error) {
    Cursor c(body, base);
    uint64_t tick = 0;
    uint8_t running = 0;
    uint32_t seq = 0;
    const std::string where = "track " + std::to_string(track + 1);
    while (c.left() > 0) {
        uint32_t delta = 0;
        if (const size_t deltaAt = c.at(); !c.varLen(delta))
            return fail(error,
                        where + ": a delta time at byte " + std::to_string(deltaAt) + " runs past its end");
        tick += delta;
        endTick = std::max(endTick, tick);
        const size_t eventAt = c.at();
        uint8_t status = 0;
        if (!c.u8(status))
            return fail(error, where + ": an event is missing at byte " + std::to_string(c.at()));
        if (events.size() >= kMaxEvents)
            return fail(error, "more than " + std::to_string(kMaxEvents) + " events");
        if (status == 0xFF || status == 0xF0 || status == 0xF7) {
            running = 0; // meta and system exclusive events end running status
            uint8_t type = 0;
            if (status == 0xFF && !c.u8(type))
                return fail(error,
                            where + ": a meta event at byte " + std::to_string(c.at()) + " is cut off");
            uint32_t length = 0;
            if (!c.varLen(length) || length > c.left())
                return fail(error, where + ": the event at byte " + std::to_string(eventAt) + " says " +
                                       std::to_string(length) + " bytes but " + std::to_string(c.left()) +
                                       " are left");
            const auto data = c.take(length);
            if (status != 0xFF)
                continue;
            if (type == 0x2F)
                return true;
            if (type == 0x51 && length == 3)
                events.push_back({tick, track, seq++, 0xFF, type, 0, be(data, 0, 3), {}});
            else if (type == 0x03)
                events.push_back(
                    {tick, track, seq++, 0xFF, type, 0, 0, std::string(data.begin(), data.end())});
            continue;
        }
        uint8_t d1 = 0, d2 = 0;
        if (status < 0x80) {
            if (running == 0)
                return fail(error, where + ": a data byte at byte " + std::to_string(c.at() - 1) +
                                       " follows no status byte");
            d1 = status;
            status = running;
        } else if (status >= 0xF0) {
            // System common and real-time messages have no place in a file
            // but carry no length: skip what the message takes.
            running = 0;
            const size_t skip = status == 0xF2 ? 2 : status == 0xF1 || status == 0xF3 ? 1 : 0;
            if (skip > c.left())
                return fail(error, where + ": a message at byte " + std::to_string(c.at()) + " is cut off");
            c.take(skip);
            continue;
        } else {
            running = status;
            if (!c.u8(d1))
                return fail(error, where + ": a message at byte " + std::to_string(c.at()) + " is cut off");
        }
        if (dataBytes(status) == 2 && !c.u8(d2))
            return fail(error, where + ": a message at byte " + std::to_string(c.at()) + " is cut off");
        events.push_back({tick,
                          track,
                          seq++,
                          status,
                          static_cast<uint8_t>(d1 & 0x7F),
                          static_cast<uint8_t>(d2 & 0x7F),
                          0,
                          {}});
    }
    return true; // no end-of-track event: the track ends with its bytes
}

// Ticks to seconds through every tempo change of the file.
class TempoMap {
public:
    TempoMap(uint16_t division, const std::vector<Event>& events) {
        if (division & 0x8000) {
            // SMPTE: frames a second (29 stands for 29.97) times ticks a frame.
            const int fps = -static_cast<int8_t>(division >> 8);
            const double rate = fps == 29 ? 29.97 : fps;
            smpteSecondsPerTick_ = 1.0 / (rate * (division & 0xFF));
            return;
        }
        ticksPerQuarter_ = division;
        for (const Event& e : events)
            if (e.status == 0xFF && e.d1 == 0x51) {
                const double at = secondsAt(e.tick);
                points_.push_back({e.tick, at, e.tempo * 1e-6 / ticksPerQuarter_});
            }
    }
    double secondsAt(uint64_t tick) const {
        if (smpteSecondsPerTick_ > 0.0)
            return static_cast<double>(tick) * smpteSecondsPerTick_;
        Point p{0, 0.0, 0.5 / ticksPerQuarter_}; // 120 beats a minute until told otherwise
        const auto after = std::upper_bound(points_.begin(), points_.end(), tick,
                                            [](uint64_t t, const Point& q) { return t < q.tick; });
        if (after != points_.begin())
            p = *(after - 1);
        return p.seconds + static_cast<double>(tick - p.tick) * p.secondsPerTick;
    }

private:
    struct Point {
        uint64_t tick;
        double seconds;
        double secondsPerTick;
    };
    double ticksPerQuarter_ = 480.0;
    double smpteSecondsPerTick_ = 0.0;
    std::vector<Point> points_;
};

const char* instrumentName(int program, int channel) {
    static constexpr std::array<const char*, 8> guitars = {
        "Nylon guitar",          "Steel guitar",      "Jazz guitar",       "Clean electric guitar",
        "Muted electric guitar", "Overdriven guitar", "Distortion guitar", "Guitar harmonics"};
    static constexpr std::array<const char*, 16> families = {"Piano",         "Chromatic percussion",
                                                             "Organ",         "Guitar",
                                                             "Bass",          "Strings",
                                                             "Ensemble",      "Brass",
                                                             "Reed",          "Pipe",
                                                             "Synth lead",    "Synth pad",
                                                             "Synth effects", "Ethnic",
                                                             "Percussive",    "Sound effects"};
    if (channel == kDrumChannel)
        return "Drums";
    if (program < 0)
        return "";
    if (program >= 24 && program <= 31)
        return guitars[static_cast<size_t>(program - 24)];
    return families[static_cast<size_t>(program / 8)];
}

// Per channel: the registered parameter chosen and the bend range it set.
struct ChannelState {
    int rpnMsb = 127, rpnLsb = 127;
    double bendRange = 2.0;
    int rangeSemitones = 2, rangeCents = 0;
};

} // namespace

bool MidiFileReader::read(std::span<const uint8_t> bytes, Score& score, std::string& error) {
    score = Score{};
    if (bytes.size() < 14 || be(bytes, 0, 4) != 0x4D546864)
        return fail(error, "not a Standard MIDI File");
    const uint32_t headerLength = be(bytes, 4, 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8)
        return fail(error, "the file header says " + std::to_string(headerLength) + " bytes but " +
                               std::to_string(bytes.size() - 8) + " are left");
    const uint32_t format = be(bytes, 8, 2), trackCount = be(bytes, 10, 2);
    const uint16_t division = static_cast<uint16_t>(be(bytes, 12, 2));
    if (format > 1)
        return fail(error,
                    "a MIDI file of type " + std::to_string(format) + " (only types 0 and 1 are read)");
    if (division == 0 || ((division & 0x8000) && (division & 0xFF) == 0))
        return fail(error, "the file header gives no time division");
    size_t at = 8 + headerLength;
    if (trackCount > (bytes.size() - at) / 8)
        return fail(error, "the file header says " + std::to_string(trackCount) + " tracks but " +
                               std::to_string(bytes.size() - at) + " bytes are left");

    std::vector<Event> events;
    uint64_t endTick = 0;
    uint32_t tracksRead = 0;
    while (tracksRead < trackCount) {
        if (bytes.size() - at < 8)
            return fail(error, "the file ends after " + std::to_string(tracksRead) + " of its " +
                                   std::to_string(trackCount) + " tracks");
        const uint32_t id = be(bytes, at, 4), length = be(bytes, at + 4, 4);
        if (length > bytes.size() - at - 8)
            return fail(error, "the track header at byte " + std::to_string(at) + " says " +
                                   std::to_string(length) + " bytes but " +
                                   std::to_string(bytes.size() - at - 8) + " are left");
        if (id == 0x4D54726B) { // "MTrk"; other chunks are skipped
            if (!readTrack(bytes.subspan(at + 8, length), at + 8, tracksRead, events, endTick, error))
                return false;
            ++tracksRead;
        }
        at += 8 + size_t{length};
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.tick, a.track, a.seq) < std::tie(b.tick, b.track, b.seq);
    });
    const TempoMap tempo(division, events);
    const double end = tempo.secondsAt(endTick);

    // Type 0 files hold every part in one track: one score track a channel.
    std::map<std::pair<uint32_t, int>, size_t> trackOf; // (file track, channel or -1) -> score track
    std::map<uint32_t, std::string> names;
    std::array<ChannelState, 16> channels{};
    // Open notes per score track, channel and pitch, oldest first.
    std::map<std::tuple<size_t, int, int>, std::deque<size_t>> open;
    const auto scoreTrack = [&](uint32_t track, int channel) -> ScoreTrack& {
        const auto key = std::make_pair(track, format == 0 ? channel : -1);
        auto found = trackOf.find(key);
        if (found == trackOf.end())
            found = trackOf.emplace(key, score.tracks.size()).first, score.tracks.emplace_back();
        return score.tracks[found->second];
    };
    const auto close = [&](size_t t, int channel, int pitch, double seconds) {
        auto found = open.find({t, channel, pitch});
        if (found == open.end() || found->second.empty())
            return;
        ScoreNote& n = score.tracks[t].notes[found->second.front()];
        n.duration = seconds - n.seconds;
        found->second.pop_front();
    };
    for (const Event& e : events) {
        if (e.status == 0xFF) {
            if (e.d1 == 0x03 && !names.count(e.track))
                names[e.track] = e.text;
            continue;
        }
        const double seconds = tempo.secondsAt(e.tick);
        const int channel = e.status & 0x0F, kind = e.status & 0xF0;
        ChannelState& ch = channels[static_cast<size_t>(channel)];
        if (kind == 0xA0 || kind == 0xD0)
            continue;
        ScoreTrack& st = scoreTrack(e.track, channel);
        const size_t t = trackOf[{e.track, format == 0 ? channel : -1}];
        if (kind == 0x90 && e.d2 > 0) {
            open[{t, channel, e.d1}].push_back(st.notes.size());
            ScoreNote n;
            n.seconds = seconds;
            n.pitch = e.d1;
            n.velocity = e.d2;
            n.channel = channel;
            st.notes.push_back(n);
        } else if (kind == 0x80 || kind == 0x90) {
            close(t, channel, e.d1, seconds);
        } else if (kind == 0xE0) {
            const int value = e.d1 | e.d2 << 7;
            st.controls.push_back(
                {seconds, ScoreControl::Kind::PitchBend, (value - 8192) / 8192.0 * ch.bendRange, channel});
        } else if (kind == 0xC0) {
            if (st.program < 0 && channel != kDrumChannel) {
                st.program = e.d1;
                st.guitar = e.d1 >= 24 && e.d1 <= 31;
            }
            st.controls.push_back({seconds, ScoreControl::Kind::Program, double(e.d1), channel});
        } else if (kind == 0xB0) {
            switch (e.d1) {
            case kWahController:
                st.controls.push_back({seconds, ScoreControl::Kind::Wah, double(e.d2), channel});
                break;
            case 101:
                ch.rpnMsb = e.d2;
                break;
            case 100:
                ch.rpnLsb = e.d2;
                break;
            case 99:
            case 98:
                ch.rpnMsb = ch.rpnLsb = 127;
                break; // a non-registered parameter
            case 6:
            case 38:
                if (ch.rpnMsb == 0 && ch.rpnLsb == 0) {
                    (e.d1 == 6 ? ch.rangeSemitones : ch.rangeCents) = e.d2;
                    ch.bendRange = ch.rangeSemitones + ch.rangeCents / 100.0;
                }
                break;
            default:
                break;
            }
        }
    }
    // Notes still sounding at the end of the file end there.
    for (auto& [key, list] : open)
        for (size_t i : list) {
            ScoreNote& n = score.tracks[std::get<0>(key)].notes[i];
            n.duration = end - n.seconds;
        }

    // Names, instruments; tracks with no notes (the tempo track) are left out.
    std::vector<ScoreTrack> kept;
    for (const auto& [key, index] : trackOf) {
        ScoreTrack& st = score.tracks[index];
        if (st.notes.empty())
            continue;
        const int channel = st.notes.front().channel;
        st.name = names.count(key.first) ? names[key.first] : "Track " + std::to_string(key.first + 1);
        if (format == 0 && trackOf.size() > 1)
            st.name += " (channel " + std::to_string(channel + 1) + ")";
        st.instrument = instrumentName(st.program, channel);
        if (st.program < 0 && channel != kDrumChannel)
            st.instrument = "Piano"; // General MIDI starts every channel on program 0
        kept.push_back(std::move(st));
    }
    score.tracks = std::move(kept);
    return true;
}
