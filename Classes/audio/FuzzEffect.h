#pragma once
#include <array>
#include <atomic>

#include "audio/EffectDescriptor.h"
#include "audio/EffectUnit.h"
#include "audio/SettingsField.h"

// The fuzz: clips both sides at a level set by the threshold knob.
class FuzzEffect final : public EffectUnit {
public:
    // threshold is the clipping level, 1000 (hardest) ... 19000, as saved.
    struct Params {
        bool on = false;
        int32_t threshold = 0;
    };
    static constexpr std::array<SettingsField<Params>, 2> kSavedFields{
        {{"fuzzOn", FieldType::Bool8, &Params::on}, {"fuzzThreshold", FieldType::Int16, &Params::threshold}}};
    static constexpr int kSavedSince = 0;
    static constexpr Params kDefaults[kGuitars] = {{false, 5000}, {false, 5000}};

    // Any thread.
    Params params() const { return {on(), thresholdLevel()}; }
    bool on() const override { return on_.load(std::memory_order_relaxed); }
    int16_t thresholdLevel() const { return threshold_.load(std::memory_order_relaxed); }
    // The knob's reading of the level, 0 ... 1 (1 clips hardest).
    float threshold() const;
    // Control thread. The level is kept as loaded (as a 16-bit value).
    void apply(const Params& p);
    void setOn(bool on) override { on_.store(on, std::memory_order_relaxed); }
    // Control thread. threshold 0 ... 1; values outside are held at the ends.
    void setThreshold(float threshold);

    // The fuzz pedal (screen 12): foot switch and the threshold knob, read
    // out 0.0 ... 10.0 as the dial's scale shows it.
    static constexpr PedalArea kAreas[] = {
        {PedalControl::NextPedal, 86, -kPedalOpen, 220, 64}, // the arrows before the foot switch
        {PedalControl::PreviousPedal, 86, 413, 220, kPedalOpen},
        {PedalControl::FootSwitch, 0, 62, 93, 420},
        {PedalControl::Knob0, 106, 134, 260, 342},
    };
    static constexpr EffectSwitch<FuzzEffect> kSwitches[] = {{PedalControl::FootSwitch,
                                                              "fuzzOn",
                                                              &FuzzEffect::on,
                                                              &FuzzEffect::setOn,
                                                              "EffectPowerLightOn.png",
                                                              {297, 237}}};
    static constexpr EffectKnob<FuzzEffect> kKnobs[] = {{"fuzzThreshold",
                                                         &FuzzEffect::threshold,
                                                         &FuzzEffect::setThreshold,
                                                         "FuzzDialPointer.png",
                                                         {181, 239},
                                                         {{241.5f, 350}, true, 10, 1}}};
    static constexpr EffectDescriptor<FuzzEffect> kDescriptor{
        "FUZZ",
        12,
        "fuzz pedal",
        "Fuzz Effect Setup",
        "EffectFuzzSetupBack.jpg",
        kAreas,
        kSwitches,
        kKnobs,
        {{{258, 258}, 165, 211, 320, 305}, {{104, 276.5f}, 0, 228, 165, 325}},
        -1};

    // Render thread.
    void beginBuffer() override;
    void process(int16_t* stereo, int frames) override;

private:
    std::atomic<bool> on_{false};
    std::atomic<int16_t> threshold_{5000};
    // Render thread only.
    bool active_ = false;
    int32_t level_ = 0;
};
