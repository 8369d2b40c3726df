#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "audio/EffectsChain.h"
#include "audio/Metronome.h"
#include "core/GuitarId.h"

class PatchChangeListener;
class MainThreadQueue;
class AudioOutput;

// The plain records the engine shares with its render callback. Fields that
// one thread writes while another reads them are atomic (relaxed unless a
// comment says otherwise); fields marked "render thread only" are touched by
// nobody else once the engine runs.

constexpr int kNumSampleSlots = 200;
constexpr int kNumVoices = 40;
constexpr int kDelayRingValues = DelayEffect::kRingValues;

// One entry of the sample bank.
struct SampleSlot {
    // The sample values (native-order int16) and their count. Replaced only
    // while the audio output excludes the callback; the old block is freed
    // after the swap.
    std::atomic<int16_t*> rawData{nullptr};
    std::atomic<int32_t> rawDataSize{0};
    // A voice on this slot is never stolen.
    std::atomic<bool> cannotBeCulledOnTooManyNotes{false};
};

// What the render thread keeps of a voice: its progress through the sample
// and its envelope. Render thread only.
struct RenderVoice {
    uint32_t generation = 0; // the start these fields belong to
    int32_t sampleNo = 0;
    GuitarId guitar = kNoGuitar; // whose mix it joins, as PlaylistVoice::guitar
    double requiredVolume = 0.0;
    double releaseDelta = 0.0;
    float playPosition = 0.0f;
    double ADSRVolume = 1.0;
    double ADSRVolumeDelta = 1.0;
    int32_t phase = 0;
    bool atLeastOneBufferFilled = false;
    float pitch = 1.0f;

    // Per-buffer mixing state, carried from chunk to chunk within one buffer.
    bool prepared = false;  // taken into the buffer being rendered
    bool mixing = false;    // still adding to this buffer
    int32_t framesLeft = 0; // the buffer's frame limit n, less what was mixed
    int32_t delay = 0;      // frames still to pass over before the first one mixed
    int32_t vol = 0;        // 16.16
    int32_t delta = 0;      // 16.16
    int32_t target = 0;     // 16.16
    float speed = 1.0f;     // whammy + pitch (bend mixer)
    bool bent = false;      // mixed by the bend mixer this buffer
    const int16_t* data = nullptr;
    int32_t size = 0;
};

// One voice of the playlist. A starting thread fills the start fields, then
// publishes the start by writing `state` with release ordering; the render
// thread reads `state` with acquire ordering and (re)initialises its
// RenderVoice when the generation changed.
struct PlaylistVoice {
    // (generation << 1) | playing. Starts bump the generation; the render
    // thread clears the playing bit only with a compare-exchange, so a start
    // racing with the end of a release is never lost.
    std::atomic<uint32_t> state{0};

    // Start fields: written before `state` is published.
    std::atomic<int32_t> noteID{-1};
    std::atomic<int32_t> sampleNo{0};
    // The guitar whose mix, bends and pedals the voice joins; kNoGuitar: the
    // generic stereo mix beside both guitars.
    std::atomic<GuitarId> guitar{kNoGuitar};
    std::atomic<double> requiredVolume{0.0};
    std::atomic<double> releaseDelta{0.0};
    std::atomic<double> created{0.0};
    // Frames of silence before the voice's first frame in the first buffer
    // that mixes it: a MIDI note keeps its place within the period it came in.
    std::atomic<int32_t> startFrame{0};

    // Live requests from the UI and playback threads.
    std::atomic<float> requiredPitch{1.0f};
    // The state word of the start a stop was asked for (0: none pending).
    std::atomic<uint32_t> stopRequest{0};
    // The state word of the start whose pitch must jump back to 1.0 (0: none).
    std::atomic<uint32_t> pitchResetRequest{0};
    // Written by the render thread after each buffer: the state word of this
    // start when it can add nothing more (its sample has run out, or it is
    // held at a speed of 0 or less), else 0. Such a voice stays playing, as
    // the mixer keeps it until it is stolen or cleared, but it does not sound.
    std::atomic<uint32_t> silentState{0};

    RenderVoice render; // render thread only
};

// The record handed to the render callback as its user data.
struct CallbackUserData {
    std::atomic<int32_t> numFramesPerBuffer{0};
    // While true the callback renders nothing.
    std::atomic<bool> done{true};
    SampleSlot sampleList[kNumSampleSlots];
    PlaylistVoice playlist[kNumVoices];
    std::atomic<int32_t> numSampleListEntries{0};
    std::atomic<bool> audioQueueStarted{false};
    AudioOutput* output = nullptr;

    // Guitar 2's mix; allocated once, `secondAudioQueueBufferSize` bytes.
    // Longer requests are rendered in pieces of this size.
    int16_t* secondAudioQueueBuffer = nullptr;
    int32_t secondAudioQueueBufferSize = 0;
    // One guitar's mix before it is spread to stereo (left equals right
    // until the effects); as many frames as the scratch buffer.
    int16_t* monoBuffer = nullptr;

    // Patch of each guitar. patchNames is guarded by the engine's settings mutex.
    std::string patchNames[kGuitars];
    std::atomic<bool> isAcoustic[kGuitars] = {};
    std::atomic<int32_t> patchNo[kGuitars] = {-1, -1};

    // The screen to tell when the first buffer after a patch change is done.
    std::atomic<PatchChangeListener*> callerWhoChangedPatch{nullptr};
    MainThreadQueue* mainThreadQueue = nullptr;

    std::atomic<float> guitarVolume[kGuitars] = {0.5f, 0.5f};
    std::atomic<double> guitarReleaseDelta[kGuitars] = {};
    int32_t guitarSampleStartNo[kGuitars] = {0, 48};
    std::atomic<float> whammy[kGuitars] = {};
    std::atomic<bool> whammyBarAttached[kGuitars] = {};
    std::atomic<bool> pitchBendOn[kGuitars] = {};
    // Each guitar's pedals, in the order of the sound.
    EffectsChain effects[kGuitars];
    // The practice click, added after the effects (silent unless on and running).
    Metronome metronome;

    // Render-thread scratch for the vectorised bend mixer: one voice's
    // interpolated values for a run of at most 256 frames.
    static constexpr int kBendPiece = 256;
    int16_t bendValues[kBendPiece] = {};

    // Mix with the vectorised inner loops where the processor has them.
    // Tests switch it off to compare with the plain per-frame path.
    std::atomic<bool> fastPath{true};
};
