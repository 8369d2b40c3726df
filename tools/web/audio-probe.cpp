// A browser page that plays a 440 Hz sine through WebAudioOutput alone (no
// engine), for checking the worklet, the ring and the latency by ear or from
// a headless browser. Build (beside web/audio-worklet.js, served with the
// COOP/COEP headers):
//   em++ -std=c++20 -O2 -pthread -sPTHREAD_POOL_SIZE=4 -sALLOW_MEMORY_GROWTH=1
//        -include tools/web/LibcxxCompat.h -IClasses tools/web/audio-probe.cpp
//        Classes/backend/web/WebAudioOutput.cpp Classes/system/LatencyProbe.cpp
//        -o site/audio-probe.js
// From the page's console: Module._probe_underruns(), _probe_blocks(),
// _probe_latency_ms(), _probe_stop(), _probe_start(), _probe_set_target(n), _probe_target().
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>

#include "backend/web/WebAudioOutput.h"

namespace {
WebAudioOutput* gOutput = nullptr;
double gPhase = 0;

int renderSine(void*, int16_t* out, int frames) {
    constexpr double kStep = 2 * M_PI * 440.0 / AudioOutput::kSampleRate;
    for (int i = 0; i < frames; ++i) {
        const auto s = static_cast<int16_t>(std::lround(8192 * std::sin(gPhase)));
        out[2 * i] = s;
        out[2 * i + 1] = s;
        gPhase = std::fmod(gPhase + kStep, 2 * M_PI);
    }
    return 0;
}
} // namespace

extern "C" {
EMSCRIPTEN_KEEPALIVE int probe_start() {
    return gOutput->start() ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE void probe_stop() {
    gOutput->stop();
}
EMSCRIPTEN_KEEPALIVE long probe_underruns() {
    return gOutput->underruns();
}
EMSCRIPTEN_KEEPALIVE long probe_blocks() {
    return gOutput->blocksRendered();
}
EMSCRIPTEN_KEEPALIVE void probe_set_target(int frames) {
    gOutput->setTargetFrames(frames);
}
EMSCRIPTEN_KEEPALIVE int probe_target() {
    return gOutput->targetFrames();
}
EMSCRIPTEN_KEEPALIVE double probe_latency_ms() {
    return 1000 * gOutput->outputLatencySeconds();
}
}

int main() {
    gOutput = new WebAudioOutput();
    gOutput->setRenderCallback(&renderSine, nullptr);
    probe_start();
    emscripten_exit_with_live_runtime();
}
