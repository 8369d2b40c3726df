#pragma once
#include <span>

#include "core/GuitarId.h"
#include "system/Geometry.h"

// Everything about one effect unit that is not its sound: its name, its
// pedal screen (picture, lights, hit areas, switches and knobs bound to its
// saved fields, readouts), its place on the effects menu and its MIDI
// controller. Each unit U declares one, U::kDescriptor; the pedal screens
// (their catalog entries and factories too), the effects menu and the arrows
// between pedals, with their captions, are all built from the descriptors of
// EffectUnits (EffectsChain.h), in the order of the chain.
//
// Points and rectangles are in the 320 x 480 screen. A descriptor is plain
// constant data: any thread may read it.

// What a point of a pedal screen stands for. Back, help and the test note
// are the same on every pedal (EffectSetupView); the rest a pedal lays out.
enum class PedalControl {
    None,
    Back,          // corner: back the way the user came
    Help,          // corner: the manual, remembering the way back
    TestNote,      // plays a note while held
    NextPedal,     // arrow to the next pedal of the chain, not remembering the way back
    PreviousPedal, // arrow to the previous pedal
    FootSwitch,    // switch 0: turns the effect on or off
    OptionSwitch,  // switch 1: a pedal's own switch (the delay's ping-pong)
    Tap,           // the delay's tap tempo button, handled by its screen
    Knob0,         // starts turning knob 0
    Knob1,
    Knob2,
    Knob3,
};

// An open rectangle of a pedal screen (strict comparisons) and its control.
struct PedalArea {
    PedalControl control;
    float left, top, right, bottom;
    constexpr bool contains(Point p) const { return p.x > left && p.x < right && p.y > top && p.y < bottom; }
};

// A switch: the saved Bool8 field it toggles, the unit's getter and setter
// for it, and the light that shows it.
template <class U> struct EffectSwitch {
    PedalControl control;
    const char* field;
    bool (U::*get)() const;
    void (U::*set)(bool);
    const char* light;
    Point lightCentre;
};

// A knob's readout window (48 x 17, turned a quarter, Helvetica-Bold 12).
// Shows the knob's own value times `multiplier` with one decimal, or the
// saved field (a float or whole-number one) times multiplier / divisor,
// truncated to a whole number (float fields in float arithmetic).
struct KnobReadout {
    Point centre;
    bool ofKnob;
    int multiplier;
    int divisor;
};

// A knob: the saved field it turns, the unit's reading of that field as the
// knob's value 0 ... 1 and its setting from a knob value (the unit holds it
// to the field's range), its pointer picture and where it turns, its readout.
template <class U> struct EffectKnob {
    const char* field;
    float (U::*read)() const;
    void (U::*write)(float);
    const char* pointer;
    Point centre;
    KnobReadout readout;
};

// A pedal's place on the effects menu: for each guitar (guitar 1's column on
// the right) its light and the rectangle that opens the pedal.
struct MenuPlace {
    Point light;
    float left, top, right, bottom;
};

template <class U> struct EffectDescriptor {
    const char* name;                 // as the menu, the manual and the arrows of its neighbours call it
    int screen;                       // the pedal screen's number, unique among all screens
    const char* screenName;           // what --help and --list-screens call the pedal screen
    const char* manualTopic;          // its manual page's heading (see ui/ScreenCatalog), or null
    const char* picture;              // the pedal screen's background
    std::span<const PedalArea> areas; // tested in order, the first match winning
    std::span<const EffectSwitch<U>> switches; // switch 0 is the foot switch (the `on` field)
    std::span<const EffectKnob<U>> knobs;      // knob i answers PedalControl::Knob0 + i
    MenuPlace menu[kGuitars];
    int midiController; // the controller that moves it, -1 for none
};

// Beyond the picture: an area open on that side.
inline constexpr float kPedalOpen = 1e9f;
