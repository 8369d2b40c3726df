#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/SoundEngineParent.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"

// The application as the recorder and the engine see it.
class FakeParent : public SoundEngineParent {
public:
    explicit FakeParent(const Clock& clock = SystemClock::shared()) : queue_(clock) {}

    int currentGuitar() const override { return guitar.load(); }
    MainThreadQueue& mainThreadQueue() override { return queue_; }
    void showAlert(const std::string&, const std::string&, bool) override { ++alerts; }
    void playbackEnded() override { ++playbackEndedCalls; }

    std::atomic<int> guitar{0};
    std::atomic<int> alerts{0};
    std::atomic<int> playbackEndedCalls{0};

private:
    MainThreadQueue queue_;
};

// A fresh empty folder under the system's temporary folder, removed again.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/strumwell-recorder-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "/tmp";
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Writes recorder save buffers byte by byte, independently of the recorder.
class SongBytes {
public:
    struct NoteRec {
        bool down;
        int sampleNo;
        double time;
        int noteID;
        float volume;
        double releaseDelta;
    };
    struct PitchRec {
        double time;
        int noteID;
        float pitch;
        int overdubNo;
    };
    struct ChangeRec {
        double time;
        float pitch;
        int overdubNo;
    };

    int currentNoteID = 0;
    std::vector<NoteRec> notes;
    std::vector<PitchRec> pitches;
    std::vector<ChangeRec> whammy[2];
    std::vector<ChangeRec> wah[2];

    SongBytes& down(double time, int noteID, int sampleNo = 10, float volume = 0.9f,
                    double releaseDelta = -2e-5) {
        notes.push_back({true, sampleNo, time, noteID, volume, releaseDelta});
        return *this;
    }
    SongBytes& up(double time, int noteID) {
        notes.push_back({false, 0, time, noteID, 0.0f, 0.0});
        return *this;
    }

    std::vector<std::uint8_t> version2() const {
        std::vector<std::uint8_t> b;
        i32(b, currentNoteID);
        i32(b, static_cast<int>(notes.size()));
        i32(b, static_cast<int>(pitches.size()));
        i32(b, static_cast<int>(whammy[0].size()));
        i32(b, static_cast<int>(whammy[1].size()));
        i32(b, static_cast<int>(wah[0].size()));
        i32(b, static_cast<int>(wah[1].size()));
        body(b);
        return b;
    }
    // The version-1 layout is version 2 with its last 8 bytes missing.
    std::vector<std::uint8_t> version1() const {
        std::vector<std::uint8_t> b = version2();
        b.resize(b.size() - 8);
        return b;
    }
    std::vector<std::uint8_t> version0() const {
        std::vector<std::uint8_t> b;
        i32(b, currentNoteID);
        i32(b, static_cast<int>(notes.size()));
        for (const NoteRec& n : notes) {
            note(b, n);
        }
        return b;
    }

    static void i32(std::vector<std::uint8_t>& b, std::int32_t v) {
        for (int i = 0; i < 4; ++i) {
            b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        }
    }
    static void f32(std::vector<std::uint8_t>& b, float v) {
        std::uint32_t u;
        std::memcpy(&u, &v, 4);
        i32(b, static_cast<std::int32_t>(u));
    }
    static void f64(std::vector<std::uint8_t>& b, double v) {
        std::uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int i = 0; i < 8; ++i) {
            b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
        }
    }

private:
    static void note(std::vector<std::uint8_t>& b, const NoteRec& n) {
        b.push_back(n.down ? 1 : 0);
        b.push_back(static_cast<std::uint8_t>(n.sampleNo & 0xFF));
        f64(b, n.time);
        i32(b, n.noteID);
        f32(b, n.volume);
        f64(b, n.releaseDelta);
    }
    void body(std::vector<std::uint8_t>& b) const {
        for (const NoteRec& n : notes) {
            note(b, n);
        }
        for (const PitchRec& p : pitches) {
            f64(b, p.time);
            i32(b, p.noteID);
            f32(b, p.pitch);
            i32(b, p.overdubNo);
        }
        for (const auto* lists : {whammy, wah}) {
            for (int g = 0; g < 2; ++g) {
                for (const ChangeRec& c : lists[g]) {
                    f64(b, c.time);
                    f32(b, c.pitch);
                    i32(b, c.overdubNo);
                }
            }
        }
    }
};

// Everything written to a FILE* by fn, as text.
template <class Fn> std::string captureFile(Fn fn) {
    std::FILE* f = std::tmpfile();
    fn(f);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, got);
    }
    std::fclose(f);
    return text;
}
