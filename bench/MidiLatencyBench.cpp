// MIDI-to-sound latency through JACK: Strumwell's JACK client, engine and
// MIDI link on a jackd of the bench's own (dummy driver, 44100 Hz, so
// nothing is heard), fed note-ons at random frames within their periods by a
// client of the bench's, which records Strumwell:out_1 on the same frame
// clock. For each note: the frame it was sent on to the first frame of its
// sound, in frames. Each sample of the bench's bundle is 64 frames of one
// value, so a note's first frame is its first non-zero one and it has ended
// long before the next note.
//
//   strumwell_midi_latency_bench [--notes N] [--seed N]
//
// Prints p50, p99 and max for periods 64, 128 and 256, and how many notes
// came later than one period, and than one period and 1 ms (44 frames).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "backend/jack/JackAudioOutput.h"
#include "midi/MidiLink.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "support/FakeParent.h"
#include "support/JackProbe.h"
#include "support/JackServer.h"
#include "support/SampleBundle.h"
#include "support/TempFolder.h"

namespace {

struct Figures {
    int p50 = 0, p99 = 0, max = 0, overPeriod = 0, overPeriodAndMs = 0, missing = 0;
};

// Notes `gap` frames apart, each at a random frame of its period.
Figures measure(int period, int notes, unsigned seed, const std::string& bundle) {
    testsupport::JackServer server(period);
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", server.skipReason().c_str());
        std::exit(1);
    }
    FakeParent parent{SystemClock::shared()};
    JackAudioOutput output({.serverName = server.name(), .connectToPlayback = false});
    SoundEngine engine(&parent, &output, bundle);
    engine.resetState();
    Recorder recorder(&parent, &engine);
    Performer performer(engine, recorder, &parent, nullptr);
    MidiLink link(performer, engine, nullptr);
    link.start(&output);
    testsupport::JackProbe probe(server.name());
    if (!probe.ok() || !link.running()) {
        std::fprintf(stderr, "cannot connect to jackd -n %s\n", server.name().c_str());
        std::exit(1);
    }

    const int gap = std::max(3 * period, 384);
    std::mt19937 random(seed);
    std::vector<int> sent;
    std::vector<testsupport::JackProbe::Event> script;
    const uint64_t from = probe.ahead(8);
    for (int i = 0; i < notes; ++i) {
        sent.push_back(i * gap + static_cast<int>(random() % static_cast<unsigned>(period)));
        const int key = 40 + i % 12;
        script.push_back({from + static_cast<uint64_t>(sent.back()), MidiMessage::make(0x90, 0, key, 100)});
        script.push_back(
            {from + static_cast<uint64_t>(sent.back() + 100), MidiMessage::make(0x80, 0, key, 0)});
    }
    if (!probe.run(script, from, notes * gap, notes * gap / 44100.0 + 10.0))
        std::fprintf(stderr, "period %d: the run did not end\n", period);
    const std::vector<float>& heard = probe.heard();

    Figures f;
    std::vector<int> latencies;
    for (int i = 0; i < notes; ++i) {
        int at = sent[static_cast<size_t>(i)];
        const int end = std::min(at + gap - period, static_cast<int>(heard.size()));
        while (at < end && heard[static_cast<size_t>(at)] == 0.0f)
            ++at;
        if (at == end) {
            ++f.missing;
            continue;
        }
        const int latency = at - sent[static_cast<size_t>(i)];
        latencies.push_back(latency);
        f.overPeriod += latency > period;
        f.overPeriodAndMs += latency > period + 44;
    }
    std::ranges::sort(latencies);
    if (!latencies.empty()) {
        const auto rank = [&](double q) {
            return latencies[std::min(latencies.size() - 1,
                                      static_cast<size_t>(q * double(latencies.size())))];
        };
        f.p50 = rank(0.5);
        f.p99 = rank(0.99);
        f.max = latencies.back();
    }
    if (probe.late() > 0)
        std::fprintf(stderr, "period %d: %d messages went out late\n", period, probe.late());
    return f;
}

} // namespace

int main(int argc, char** argv) {
    int notes = 1000;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--notes") == 0)
            notes = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    }
    testsupport::TempFolder folder("strumwell-midi-bench");
    testsupport::writeSampleBundle(folder.str(), [](int, int) { return std::vector<int16_t>(64, 8000); });

    std::printf("MIDI note-on to first frame of sound, frames (%d notes, seed %u, jackd dummy 44100 Hz)\n",
                notes, seed);
    std::printf("%8s %6s %6s %6s %10s %14s %8s\n", "period", "p50", "p99", "max", ">period", ">period+1ms",
                "missing");
    for (int period : {64, 128, 256}) {
        const Figures f = measure(period, notes, seed, folder.str());
        std::printf("%8d %6d %6d %6d %10d %14d %8d\n", period, f.p50, f.p99, f.max, f.overPeriod,
                    f.overPeriodAndMs, f.missing);
        std::fflush(stdout);
    }
    return 0;
}
