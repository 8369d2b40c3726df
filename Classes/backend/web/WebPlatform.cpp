#include "backend/web/WebPlatform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <utility>

namespace {

WebPlatform::Hooks gHooks;
bool gRunning = false;
bool gMarkedReady = false;
// A page can be closed or reloaded at any moment, and what it writes while
// it goes away may never reach the browser's storage; so the working state
// is also saved every few seconds while anything moves on screen (a player
// who changes something is always answered by a frame).
constexpr double kSaveEveryMs = 5000;
double gLastSaveMs = 0;
long gFramesAtLastSave = 0;

EM_JS(void, markPageReady, (), {
    if (Module.strumwellMarkReady)
        Module.strumwellMarkReady();
});

void oneTurn() {
    if (!gRunning)
        return;
    if (!gHooks.turn()) {
        gRunning = false;
        emscripten_cancel_main_loop();
        if (gHooks.finish)
            gHooks.finish();
        return;
    }
    const long frames = gHooks.framesDrawn ? gHooks.framesDrawn() : 0;
    if (!gMarkedReady && frames > 0) {
        gMarkedReady = true;
        markPageReady();
        gLastSaveMs = emscripten_get_now();
        gFramesAtLastSave = frames;
    }
    const double now = emscripten_get_now();
    if (gMarkedReady && now - gLastSaveMs >= kSaveEveryMs) {
        gLastSaveMs = now;
        if (frames != gFramesAtLastSave && gHooks.saveWork)
            gHooks.saveWork();
        gFramesAtLastSave = frames;
    }
}

EM_BOOL onDeviceMotion(int, const EmscriptenDeviceMotionEvent* e, void*) {
    if (!gHooks.deviceMotion)
        return EM_FALSE;
    // Only the readings that include gravity say how the device is held.
    // Emscripten 3.1.6 works out supportedFields but never stores it, so the
    // flag cannot tell; a reading the browser did not give arrives as NaN.
    const double g[3] = {e->accelerationIncludingGravityX, e->accelerationIncludingGravityY,
                         e->accelerationIncludingGravityZ};
    if (!std::isfinite(g[0]) || !std::isfinite(g[1]) || !std::isfinite(g[2]))
        return EM_FALSE;
    const float reading[3] = {static_cast<float>(g[0]), static_cast<float>(g[1]), static_cast<float>(g[2])};
    gHooks.deviceMotion(reading);
    return EM_TRUE;
}

} // namespace

void WebPlatform::run(Hooks hooks) {
    gHooks = std::move(hooks);
    gRunning = true;
    emscripten_set_devicemotion_callback(nullptr, EM_FALSE, onDeviceMotion);
    // 0 frames a second: one turn per animation frame. Not simulating an
    // endless loop, so the caller returns and main() ends with the runtime
    // kept alive.
    emscripten_set_main_loop(oneTurn, 0, 0);
}

bool WebPlatform::patchSamplesReady(const char* prefix) {
    // The page's sample fetcher lives on the main thread only.
    return MAIN_THREAD_EM_ASM_INT(
               {
                   if (!Module.strumwellSamples)
                       return 1; // a page with every sample preloaded
                   return Module.strumwellSamples.request(UTF8ToString($0)) ? 1 : 0;
               },
               prefix) != 0;
}

extern "C" {

// The page's hooks: its sample fetcher and its tests call these.
EMSCRIPTEN_KEEPALIVE void strumwell_web_samples_arrived() {
    if (gHooks.samplesArrived)
        gHooks.samplesArrived();
}

EMSCRIPTEN_KEEPALIVE void strumwell_web_page_hidden() {
    if (gHooks.saveWork)
        gHooks.saveWork();
}

EMSCRIPTEN_KEEPALIVE int strumwell_web_playing_voices() {
    return gHooks.playingVoices ? gHooks.playingVoices() : 0;
}

EMSCRIPTEN_KEEPALIVE long strumwell_web_frames() {
    return gHooks.framesDrawn ? gHooks.framesDrawn() : 0;
}

EMSCRIPTEN_KEEPALIVE int strumwell_web_screen() {
    return gHooks.shownScreen ? gHooks.shownScreen() : -1;
}

} // extern "C"
