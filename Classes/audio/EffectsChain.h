#pragma once
#include <cstdint>
#include <tuple>

#include "audio/DelayEffect.h"
#include "audio/EffectUnit.h"
#include "audio/FuzzEffect.h"
#include "audio/WahEffect.h"

// The effects of one guitar, in the order the sound passes through them.
// The order is also the order of the pedals: the arrows between pedal
// screens and the effects menu follow it. A new pedal is one more unit in
// this list (and, if it is saved in songs, one more part at the end of the
// engine section's layout, EngineSettings.h, with a new song version).
using EffectUnits = std::tuple<WahEffect, FuzzEffect, DelayEffect>;

// Calls f(U::kDescriptor, index) for every unit type U of EffectUnits, in
// the order of the sound: the order of the pedals on the screens and menu.
// Any thread.
template <class F> constexpr void forEachEffectDescriptor(F&& f) {
    [&]<class... U>(std::tuple<U...>*) {
        int index = 0;
        (f(U::kDescriptor, index++), ...);
    }(static_cast<EffectUnits*>(nullptr));
}

// One guitar's chain, run on an interleaved stereo buffer after the guitar's
// voices are mixed. The units are made with the chain and never change, so
// the render thread walks a fixed list and allocates nothing.
//
// Threads: beginBuffer, process and endBuffer on the render thread only; the
// units' own functions as each unit says.
class EffectsChain {
public:
    static constexpr int kNumUnits = static_cast<int>(std::tuple_size_v<EffectUnits>);

    // Control thread.
    EffectsChain();
    EffectsChain(const EffectsChain&) = delete;
    EffectsChain& operator=(const EffectsChain&) = delete;

    // Any thread. The unit of type U.
    template <class U> U& unit() { return std::get<U>(units_); }
    template <class U> const U& unit() const { return std::get<U>(units_); }
    // Any thread. Unit `index` in the order of the sound.
    EffectUnit& at(int index) { return *order_[index]; }

    // Calls f(unit) for every unit, in the order of the sound. The thread is
    // whichever the unit functions that f calls allow (control thread to
    // apply settings, any thread to read them).
    template <class F> void forEach(F&& f) {
        std::apply([&](auto&... u) { (f(u), ...); }, units_);
    }
    template <class F> void forEach(F&& f) const {
        std::apply([&](const auto&... u) { (f(u), ...); }, units_);
    }

    // Render thread. Reads every unit's parameters for the buffer about to be
    // rendered; the buffer may then be processed in pieces.
    void beginBuffer();
    void process(int16_t* stereo, int frames);
    void endBuffer();

private:
    EffectUnits units_;
    EffectUnit* order_[kNumUnits];
};
