#pragma once
#include <cstdint>

// One effect of a guitar's chain: a pedal with its own parameters, its
// defaults, its processing and its part of the saved engine section.
//
// Besides this interface, which the chain uses to run the pedals in order,
// every unit U declares what the settings codec and the pedal screens need:
//   U::Params          the saved parameters, plain values;
//   U::kSavedFields    those parameters as they are saved (see SettingsField);
//   U::kSavedSince     the first section version that holds them;
//   U::kDefaults[g]    guitar g's parameters after a reset;
//   params() / apply() a snapshot of the parameters / setting them as a load
//                      does (held to their ranges, nothing else changed);
//   U::kDescriptor     its pedal: name, pictures, controls bound to its saved
//                      fields, place on the effects menu, MIDI controller
//                      (see EffectDescriptor).
//
// A buffer is rendered as beginBuffer (the parameters are read once), process
// over any number of pieces (the result equals one whole piece), endBuffer.
//
// Threads: beginBuffer, process and endBuffer on the render thread only; on()
// on any thread; setOn on the control (UI) thread.
class EffectUnit {
public:
    virtual ~EffectUnit() = default;

    // Render thread.
    virtual void beginBuffer() = 0;
    virtual void process(int16_t* stereo, int frames) = 0;
    virtual void endBuffer() {}

    // Any thread.
    virtual bool on() const = 0;
    // Control thread.
    virtual void setOn(bool on) = 0;
};
