#pragma once
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "audio/EffectDescriptor.h"
#include "audio/SoundEngine.h"
#include "toolkit/BackKeys.h"
#include "toolkit/FingerView.h"
#include "toolkit/ImageView.h"
#include "toolkit/PressShade.h"
#include "ui/HostedScreen.h"

class Knob;
class Label;
class Performer;
class ScreenHost;

// What the effect pedal screens share: a full-screen pedal picture whose
// controls are fixed open rectangles (strict comparisons, tested in a fixed
// order, the first match winning), the touch dispatch, the corner back and
// help buttons, the test note button, the arrows to the neighbouring pedals
// of the chain, the switches with their lights, the knobs with their
// readouts and the index of the knob being turned.
//
// A pedal is built from its unit's descriptor (audio/EffectDescriptor.h):
// its picture, hit areas (a pure function of the point, `controlIn`, so they
// can be checked without a window), switches and knobs, each bound to the
// unit of the current guitar. Switching, turning and showing the settings
// are done here from those tables; a pedal adds only anything of its own
// (the delay's tap tempo, the wah's treadle marker). Every pedal sets the
// effect of its current guitar, handed over by the application with
// willAppear on every arrival.
//
// Threads: UI thread only (the engine settings written here are read by the
// render thread).
class EffectSetupView : public FingerView, public HostedScreen {
public:
    using Control = PedalControl;
    using Area = PedalArea;
    static constexpr float kOpen = kPedalOpen;

    // The sample the test button plays, relative to the guitar.
    static constexpr int kTestSampleNo = 14;

    // The corner buttons, then the test button, then the pedal's areas in
    // order, the first match winning; None elsewhere.
    static Control controlIn(std::span<const Area> areas, Point p);

    // A knob value limited to 0 ... 1 (NaN gives 0).
    static float limitedToUnit(float v);

    // The corner buttons: x > 276 and y < 41 is back, x > 276 and y > 438 is
    // help; None elsewhere.
    static Control cornerControl(Point p);
    // x < 64 and y > 425.
    static bool inTestButton(Point p);

    // A pedal's controls as the screen uses them: the descriptor's switches
    // and knobs bound to the unit of a guitar of the engine.
    struct Switch {
        Control control;
        std::function<bool(const SoundEngine&, int)> get;
        std::function<void(SoundEngine&, int, bool)> set;
        const char* light;
        Point lightCentre;
    };
    struct KnobControl {
        std::function<float(const SoundEngine&, int)> read;
        std::function<void(SoundEngine&, int, float)> write;
        // The readout's text for a guitar, given the knob's own value.
        std::function<std::string(const SoundEngine&, int, float)> readout;
        const char* pointer;
        Point centre;
        Point readoutCentre;
    };
    struct Pedal {
        int screen;
        const char* picture;
        std::span<const Area> areas;
        std::vector<Switch> switches;
        std::vector<KnobControl> knobs;
    };
    template <class U> static Pedal pedalOf(const EffectDescriptor<U>& d);
    // The screen of the pedal `step` places along the chain from the pedal
    // on screen `screen` (1 next, -1 previous); ScreenHost::kNoScreen beyond
    // the ends.
    static int neighbourScreen(int screen, int step);

    // parent may be null (tests): the view is then 320 x 480 and the corner
    // buttons and arrows go nowhere. performer (its engine holds the
    // settings the pedal sets) is not owned.
    template <class U>
    EffectSetupView(ScreenHost* parent, Performer* performer, const EffectDescriptor<U>& descriptor)
        : EffectSetupView(parent, performer, pedalOf(descriptor)) {}
    EffectSetupView(ScreenHost* parent, Performer* performer, Pedal pedal);
    ~EffectSetupView() override;

    ScreenHost* parent() const { return parent_; }
    SoundEngine* soundEngine() const { return soundEngine_; }
    Performer* performer() const { return performer_; }
    int currentGuitar() const { return currentGuitar_; }
    // Stores the guitar whose effect the pedal sets (0 or 1; anything else is
    // ignored) and redraws.
    void setCurrentGuitar(int guitar);
    // Shows the current guitar's settings.
    void willAppear(int previousScreen, int currentGuitar) override;
    // The test note's voice, -1 when none plays.
    int testTonePlaylistNo() const { return testTonePlaylistNo_; }
    // The knob being turned, -1 when none.
    int draggingKnob() const { return draggingKnob_; }
    // Switch i's light (0: the power light).
    ImageView* switchLight(int index) const { return lights_[static_cast<std::size_t>(index)].get(); }
    ImageView* powerOnLight() const { return switchLight(0); }
    // "GUITAR 1" or "GUITAR 2": whose effect the pedal sets.
    const Label& guitarLabel() const { return *guitarLabel_; }
    // The arrows' captions, in the order of the pedal's areas: each names
    // the pedal its arrow leads to.
    const std::vector<std::unique_ptr<Label>>& arrowCaptions() const { return captions_; }

    // Sets the lights, knobs and readouts from the engine's settings for the
    // current guitar. The knob under the finger keeps its own value rather
    // than the engine's setting read back (which may be rounded or scaled).
    void redraw();
    // What a finger coming down at p means on this pedal.
    Control controlAt(Point p) const { return controlIn(pedal_.areas, p); }

    // Carries out the control under p.
    void fingerDown(Point p);
    // Turns the knob being turned; with none, sliding out of the test button
    // stops the test note.
    void fingerMove(Point p, Point oldPoint);
    // Lifting inside the test button stops the test note; turning ends.
    void fingerUp(Point p);

    // Whether a button held down (back, test, tap) is drawn pressed.
    bool showsPressed() const { return !pressed_.isHidden(); }

    // How many knobs the pedal has, and knob `index`.
    int knobCount() const { return static_cast<int>(knobs_.size()); }
    Knob& knob(int index) const { return *knobs_[static_cast<std::size_t>(index)]; }
    // Knob i's readout.
    Label& readout(int index) const { return *readouts_[static_cast<std::size_t>(index)]; }

protected:
    // The finger view's fingers, handed to the point-based handlers above.
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    // A control that is neither shared, a switch nor a knob (the tap).
    virtual void act(Control) {}
    // Turns knob `index` by a finger's move and passes its value on.
    void turnKnob(int index, Point p, Point oldPoint);

    // Asks the delegate for the way back, the manual or another pedal (tests
    // override these to see what was asked).
    virtual void goBack();
    virtual void goToScreen(int screenNo, bool rememberBack);

    void startTestNote();
    void stopTestNote();

private:
    ScreenHost* parent_;
    Pedal pedal_;
    Performer* performer_;
    SoundEngine* soundEngine_; // the performer's engine
    int currentGuitar_ = 0;
    int testTonePlaylistNo_ = -1;
    int draggingKnob_ = -1;
    // Darkens the back, test or tap button while a finger holds it: they are
    // part of the pedal's picture and would otherwise not answer the touch.
    PressShade pressed_;
    std::vector<std::unique_ptr<ImageView>> lights_;
    std::unique_ptr<Label> guitarLabel_;
    // Under each arrow, the name of the pedal it leads to.
    std::vector<std::unique_ptr<Label>> captions_;
    std::vector<std::unique_ptr<Knob>> knobs_;
    std::vector<std::unique_ptr<Label>> readouts_;
    BackKeys backKeys_{*this, [this] {
                           goBack();
                           return true;
                       }};
};

namespace effect_setup_detail {
// The readout of a knob bound to field `name` of U's saved fields (see
// KnobReadout).
template <class U>
std::string readoutText(const U& unit, const KnobReadout& r, const char* name, float knob) {
    char text[24] = "";
    if (r.ofKnob) {
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(knob) * r.multiplier);
        return text;
    }
    using P = typename U::Params;
    const P params = unit.params();
    long long shown = 0;
    for (const auto& field : U::kSavedFields) {
        if (std::string_view(field.name) != name)
            continue;
        if (const auto* share = std::get_if<float P::*>(&field.member)) {
            const float v = params.**share * static_cast<float>(r.multiplier) / static_cast<float>(r.divisor);
            shown = v >= -1e9f && v <= 1e9f ? static_cast<long long>(v) : 0;
        } else if (const auto* whole = std::get_if<int32_t P::*>(&field.member)) {
            shown = static_cast<long long>(params.**whole) * r.multiplier / r.divisor;
        }
    }
    std::snprintf(text, sizeof text, "%lld", shown);
    return text;
}
} // namespace effect_setup_detail

template <class U> EffectSetupView::Pedal EffectSetupView::pedalOf(const EffectDescriptor<U>& d) {
    Pedal pedal{d.screen, d.picture, d.areas, {}, {}};
    for (const EffectSwitch<U>& s : d.switches)
        pedal.switches.push_back(
            {s.control, [get = s.get](const SoundEngine& e, int g) { return (e.effect<U>(g).*get)(); },
             [set = s.set](SoundEngine& e, int g, bool on) { (e.effect<U>(g).*set)(on); }, s.light,
             s.lightCentre});
    for (const EffectKnob<U>& k : d.knobs)
        pedal.knobs.push_back(
            {[read = k.read](const SoundEngine& e, int g) { return (e.effect<U>(g).*read)(); },
             [write = k.write](SoundEngine& e, int g, float v) { (e.effect<U>(g).*write)(limitedToUnit(v)); },
             [r = k.readout, name = k.field](const SoundEngine& e, int g, float knob) {
                 return effect_setup_detail::readoutText(e.effect<U>(g), r, name, knob);
             },
             k.pointer, k.centre, k.readout.centre});
    return pedal;
}
