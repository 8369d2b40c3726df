#pragma once
#include <array>
#include <atomic>

#include "audio/EffectDescriptor.h"
#include "audio/EffectUnit.h"
#include "audio/SettingsField.h"

// The wah: a resonant two-pole low-pass whose corner follows the pedal (the
// tilt of the phone). Only the switch is saved; the coefficient is played.
class WahEffect final : public EffectUnit {
public:
    struct Params {
        bool on = false;
    };
    static constexpr std::array<SettingsField<Params>, 1> kSavedFields{
        {{"wahOn", FieldType::Bool8, &Params::on}}};
    static constexpr int kSavedSince = 1;
    static constexpr Params kDefaults[kGuitars] = {{false}, {true}};

    // The wah coefficients the pedal makes, 0.05 (closed) ... 0.5 (open). The
    // filter is stable only within them: above it rings on its own, and 1
    // would divide by zero. Anything else can only come from damaged data and
    // is held at the nearest end (NaN at the open end). Any thread.
    static constexpr float kMinCoefficient = 0.05f;
    static constexpr float kMaxCoefficient = 0.5f;
    static float usableCoefficient(float f) {
        if (!(f == f))
            return kMaxCoefficient;
        return f < kMinCoefficient ? kMinCoefficient : (f > kMaxCoefficient ? kMaxCoefficient : f);
    }

    // Any thread.
    Params params() const { return {on()}; }
    bool on() const override { return on_.load(std::memory_order_relaxed); }
    float coefficient() const { return f_.load(std::memory_order_relaxed); }
    // Control thread.
    void apply(const Params& p) { setOn(p.on); }
    void setOn(bool on) override { on_.store(on, std::memory_order_relaxed); }
    // Control and playback threads. Held to the pedal's range.
    void setCoefficient(float f) { f_.store(usableCoefficient(f), std::memory_order_relaxed); }
    // Any thread (tests): stores f as damaged data would, unchecked; the
    // render thread still holds it to the range.
    void storeUncheckedCoefficient(float f) { f_.store(f, std::memory_order_relaxed); }

    // The wah pedal (screen 18): the whole treadle is its switch, the arrow
    // at the top goes on to the fuzz. MIDI controller 74 moves the treadle.
    static constexpr PedalArea kAreas[] = {
        {PedalControl::NextPedal, 86, -kPedalOpen, 220, 64}, // before the treadle it overlaps
        {PedalControl::FootSwitch, 0, 62, 293, 420},
    };
    static constexpr EffectSwitch<WahEffect> kSwitches[] = {{PedalControl::FootSwitch,
                                                             "wahOn",
                                                             &WahEffect::on,
                                                             &WahEffect::setOn,
                                                             "EffectPowerLightOn.png",
                                                             {308.5f, 389.5f}}};
    static constexpr EffectDescriptor<WahEffect> kDescriptor{
        "WAH",
        18,
        "wah pedal",
        "Wah-Wah Effect Setup",
        "EffectWahSetupBack.jpg",
        kAreas,
        kSwitches,
        {},
        {{{193, 344}, 165, 30, 320, 382}, {{39, 366.5f}, 0, 325, 165, 408}},
        74};

    // Render thread.
    void beginBuffer() override;
    void process(int16_t* stereo, int frames) override;

private:
    std::atomic<bool> on_{false};
    std::atomic<float> f_{0.5f};
    // Render thread only.
    bool active_ = false;
    float coefficient_ = 0.5f;
    float q_ = 0.0f;
    int32_t filterBuffer0_ = 0;
    int32_t filterBuffer1_ = 0;
};
