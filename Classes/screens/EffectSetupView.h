#pragma once
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "toolkit/BackKeys.h"
#include "toolkit/FingerView.h"
#include "toolkit/ImageView.h"
#include "toolkit/PressShade.h"
#include "ui/HostedScreen.h"

class Knob;
class Label;
class SoundEngine;
class ScreenHost;

// What the effect pedal screens share: a full-screen pedal picture whose
// controls are fixed open rectangles (strict comparisons, tested in a fixed
// order, the first match winning), the touch dispatch, the corner back and
// help buttons, the test note button, the arrows to the neighbouring pedals,
// the power light and the index of the knob being turned.
//
// A pedal is described by tables: its hit areas (a pure function of the
// point, `controlIn`, so they can be checked without a window), its
// switches and its knobs, each bound to the engine's setting of the current
// guitar. Switching, turning and showing the settings are done here from
// those tables; a pedal adds only its readouts and anything of its own (the
// delay's tap tempo). Every pedal sets the effect of its current guitar,
// handed over by the application with willAppear on every arrival.
//
// Threads: UI thread only (the engine settings written here are read by the
// render thread).
class EffectSetupView : public FingerView, public HostedScreen {
public:
    // What a point of a pedal screen stands for.
    enum class Control {
        None,
        Back,       // corner: back the way the user came
        Help,       // corner: the manual, remembering the way back
        TestNote,   // plays a note while held
        ToDelay,    // arrow to the delay pedal, not remembering the way back
        ToFuzz,     // arrow to the fuzz pedal
        ToWah,      // arrow to the wah pedal
        FootSwitch, // turns the effect on or off
        PingPong,   // delay: the ping-pong switch
        Tap,        // delay: the tap tempo button
        Knob0,      // starts turning knob 0 (delay mix, fuzz threshold)
        Knob1,      // delay feedback
        Knob2,      // delay time
    };

    // The sample the test button plays, relative to the guitar.
    static constexpr int kTestSampleNo = 14;

    // An open rectangle of the picture and the control it stands for.
    struct Area {
        Control control;
        float left, top, right, bottom;
        bool contains(Point p) const { return p.x > left && p.x < right && p.y > top && p.y < bottom; }
    };
    // Beyond the picture: areas open on that side.
    static constexpr float kOpen = 1e9f;
    // The corner buttons, then the test button, then the pedal's areas in
    // order, the first match winning; None elsewhere.
    static Control controlIn(std::span<const Area> areas, Point p);

    // A switch toggled by a finger: the engine's getter and setter for a
    // guitar, and the light that shows it.
    struct Switch {
        Control control;
        bool (SoundEngine::*get)(int) const;
        void (SoundEngine::*set)(int, bool);
        ImageView* light;
    };
    // A knob's value 0 ... 1 as read from and written to the engine's setting
    // for a guitar.
    struct KnobBinding {
        float (*read)(const SoundEngine& engine, int guitar);
        void (*write)(SoundEngine& engine, int guitar, float value);
    };
    // A knob value limited to 0 ... 1 (NaN gives 0).
    static float limitedToUnit(float v);

    // The corner buttons: x > 276 and y < 41 is back, x > 276 and y > 438 is
    // help; None elsewhere.
    static Control cornerControl(Point p);
    // x < 64 and y > 425.
    static bool inTestButton(Point p);

    // What makes one pedal: its picture, where its power light sits, its
    // areas and the engine's switch for its effect (the foot switch).
    struct Pedal {
        const char* picture;
        Point powerLight;
        std::span<const Area> areas;
        bool (SoundEngine::*on)(int) const;
        void (SoundEngine::*setOn)(int, bool);
    };
    // parent may be null (tests): the view is then 320 x 480 and the corner
    // buttons and arrows go nowhere. soundEngine is not owned.
    EffectSetupView(ScreenHost* parent, SoundEngine* soundEngine, const Pedal& pedal);
    ~EffectSetupView() override;

    ScreenHost* parent() const { return parent_; }
    SoundEngine* soundEngine() const { return soundEngine_; }
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
    ImageView* powerOnLight() const { return powerOnLight_.get(); }
    // "GUITAR 1" or "GUITAR 2": whose effect the pedal sets.
    const Label& guitarLabel() const { return *guitarLabel_; }

    // Sets the lights, knobs and readouts from the engine's settings for the
    // current guitar. The knob under the finger keeps its own value rather
    // than the engine's setting read back (which may be rounded or scaled).
    void redraw();
    // What a finger coming down at p means on this pedal.
    Control controlAt(Point p) const { return controlIn(areas_, p); }

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

protected:
    // The finger view's fingers, handed to the point-based handlers above.
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    // Adds a switch (its light is shown by redraw).
    void addSwitch(const Switch& s) { switches_.push_back(s); }
    // Adds the next knob, centred at (x, y), drawn on top of the views so far.
    void addKnob(int x, int y, const std::string& picture, KnobBinding binding);
    // The pedal's readouts, after the lights and knobs are set.
    virtual void showReadouts(const SoundEngine&, int /*guitar*/) {}
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
    std::span<const Area> areas_;
    SoundEngine* soundEngine_;
    int currentGuitar_ = 0;
    int testTonePlaylistNo_ = -1;
    int draggingKnob_ = -1;
    // Darkens the back, test or tap button while a finger holds it: they are
    // part of the pedal's picture and would otherwise not answer the touch.
    PressShade pressed_;
    std::unique_ptr<ImageView> powerOnLight_;
    std::unique_ptr<Label> guitarLabel_;
    std::vector<Switch> switches_;
    std::vector<std::unique_ptr<Knob>> knobs_;
    std::vector<KnobBinding> knobBindings_;
    BackKeys backKeys_{*this, [this] {
                           goBack();
                           return true;
                       }};
};
