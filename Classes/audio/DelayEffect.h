#pragma once
#include <array>
#include <atomic>

#include "audio/EffectDescriptor.h"
#include "audio/EffectUnit.h"
#include "audio/SettingsField.h"

// The delay: a ring of 88400 values (about one second of stereo) with a
// feedback and a mix gain, either plain (each side echoes itself) or
// ping-pong (the right side is read half the delay time later).
class DelayEffect final : public EffectUnit {
public:
    static constexpr int kRingValues = 88400;

    // time in ring values (0 ... kRingValues); feedback and mix are shares of
    // 0 ... 1.
    struct Params {
        bool on = false;
        bool pingPong = false;
        int32_t time = 0;
        float feedback = 0.0f;
        float mix = 0.0f;
    };
    static constexpr std::array<SettingsField<Params>, 5> kSavedFields{
        {{"delayOn", FieldType::Bool8, &Params::on},
         {"pingPong", FieldType::Bool8, &Params::pingPong},
         {"delayTime", FieldType::Int32, &Params::time},
         {"delayFeedback", FieldType::Float32, &Params::feedback, heldTo(0.0, 1.0, 0.4f, 0.4f)},
         {"delayMix", FieldType::Float32, &Params::mix, heldTo(0.0, 1.0, 0.9f, 0.9f)}}};
    static constexpr int kSavedSince = 0;
    // The feedback and mix fallbacks above are these defaults.
    static constexpr Params kDefaults[kGuitars] = {{false, true, 26460, 0.4f, 0.9f},
                                                   {true, true, 26460, 0.4f, 0.9f}};

    // Control thread. Allocates the ring.
    DelayEffect();
    ~DelayEffect() override;
    DelayEffect(const DelayEffect&) = delete;
    DelayEffect& operator=(const DelayEffect&) = delete;

    // Any thread.
    Params params() const;
    bool on() const override { return on_.load(std::memory_order_relaxed); }
    bool pingPong() const { return pingPong_.load(std::memory_order_relaxed); }
    int time() const { return time_.load(std::memory_order_relaxed); }
    float feedback() const { return feedback_.load(std::memory_order_relaxed); }
    float mix() const { return mix_.load(std::memory_order_relaxed); }

    // Control thread. As a load sets them: feedback and mix held to 0 ... 1
    // (NaN at 0), the ring left as it is.
    void apply(const Params& p);
    // Control thread. Switching and a new time empty the ring first, so no
    // old echo sounds at the new time.
    void setOn(bool on) override;
    void setTime(int time);
    void setPingPong(bool pingPong) { pingPong_.store(pingPong, std::memory_order_relaxed); }
    // Held to 0 ... 1, NaN at 0.
    void setFeedback(float feedback);
    void setMix(float mix);
    // The time knob shows the time against this many values but sets it as
    // its value times the whole ring, truncated (NaN and below 0 give 0).
    static constexpr float kKnobTimeScale = 88200.0f;
    static int heldTime(float time);
    // Any thread.
    float timeKnob() const { return static_cast<float>(time()) / kKnobTimeScale; }
    // Control thread.
    void setTimeKnob(float knob);
    // Any thread (tests): how often emptying the ring was asked for.
    uint32_t clearRequests() const { return clearRequests_.load(std::memory_order_relaxed); }

    // The delay pedal (screen 4): foot switch, ping-pong switch, tap tempo
    // (the screen's own), and the mix, feedback and time knobs, read out in
    // percent, percent and milliseconds. Ping-pong and tap share the border
    // y = 243, the knobs the borders y = 187 and 296.
    static constexpr PedalArea kAreas[] = {
        {PedalControl::PreviousPedal, 86, 413, 220, kPedalOpen}, // before the foot switch it overlaps
        {PedalControl::FootSwitch, 0, 62, 93, 420},
        {PedalControl::OptionSwitch, 109, 145, 170, 243},
        {PedalControl::Tap, 109, 243, 170, 342},
        {PedalControl::Knob0, 185, 74, 296, 187},
        {PedalControl::Knob1, 185, 187, 296, 296},
        {PedalControl::Knob2, 185, 296, 296, 406},
    };
    static constexpr EffectSwitch<DelayEffect> kSwitches[] = {{PedalControl::FootSwitch,
                                                               "delayOn",
                                                               &DelayEffect::on,
                                                               &DelayEffect::setOn,
                                                               "EffectPowerLightOn.png",
                                                               {292, 74}},
                                                              {PedalControl::OptionSwitch,
                                                               "pingPong",
                                                               &DelayEffect::pingPong,
                                                               &DelayEffect::setPingPong,
                                                               "EffectOptionOn.png",
                                                               {140, 163}}};
    static constexpr EffectKnob<DelayEffect> kKnobs[] = {{"delayMix",
                                                          &DelayEffect::mix,
                                                          &DelayEffect::setMix,
                                                          "Knob.png",
                                                          {238, 136},
                                                          {{183.5f, 136}, false, 100, 1}},
                                                         {"delayFeedback",
                                                          &DelayEffect::feedback,
                                                          &DelayEffect::setFeedback,
                                                          "Knob.png",
                                                          {238, 240},
                                                          {{183.5f, 240}, false, 100, 1}},
                                                         {"delayTime",
                                                          &DelayEffect::timeKnob,
                                                          &DelayEffect::setTimeKnob,
                                                          "Knob.png",
                                                          {238, 339},
                                                          {{183.5f, 339}, false, 1000, kRingValues}}};
    static constexpr EffectDescriptor<DelayEffect> kDescriptor{
        "DELAY",
        4,
        "delay pedal",
        "Delay Effect Setup",
        "EffectDelaySetupBack.jpg",
        kAreas,
        kSwitches,
        kKnobs,
        {{{258, 161}, 165, 111, 320, 211}, {{104, 178}, 0, 128, 165, 228}},
        -1};

    // Render thread.
    void beginBuffer() override;
    void process(int16_t* stereo, int frames) override;
    void endBuffer() override;

private:
    void requestClear() { clearRequests_.fetch_add(1, std::memory_order_release); }
    void processPlain(int16_t* values, int count);
    void processPingPong(int16_t* values, int frames);
    // Values processed side by side; reads must lag the writes by at least
    // this many values.
    static constexpr int kBlock = 8;
    // echo() on n values (a multiple of kBlock), none of the three spans
    // wrapping: each value k reads left[k] (ping-pong: right[k - 1] for odd
    // k), writes out[k] and replaces values[k].
    void echoBlocks(int16_t* values, const int16_t* left, const int16_t* right, int16_t* out, int n);
    static int32_t advanced(int32_t index, int count);
    // Writes `count` zeros from the write position on (one ring at most).
    void zeroAhead(int count);
    // Updates quiet_ after `count` values were written up to w_.
    void noteWrites(int count);

    std::atomic<bool> on_{false};
    std::atomic<bool> pingPong_{false};
    std::atomic<int32_t> time_{0};
    std::atomic<float> feedback_{0.0f};
    std::atomic<float> mix_{0.0f};
    // Setters that empty the ring count up here; the render thread empties it
    // before its next buffer (so no other thread writes the ring).
    std::atomic<uint32_t> clearRequests_{0};

    // Render thread only, after construction.
    int16_t* ring_ = nullptr;
    uint32_t clearsDone_ = 0;
    int32_t writeIndex_ = 0; // kept from buffer to buffer
    bool active_ = false;
    bool bufferPingPong_ = false;
    int32_t feedbackGain_ = 0; // 16.16
    int32_t mixGain_ = 0;      // 16.16
    int32_t r_ = 0;            // first read position
    int32_t s_ = 0;            // second read position (ping-pong)
    int32_t w_ = 0;            // write position
    int32_t pingPongLag_ = 0;
    int32_t reach_ = kRingValues; // how far back the reads of this buffer lag the writes
    // How many values were written since the last non-zero one, up to a
    // whole ring (the ring is then all 0).
    int32_t quiet_ = kRingValues;
};
