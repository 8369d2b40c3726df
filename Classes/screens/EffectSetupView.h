#pragma once
#include <memory>
#include <string>

#include "platform/ImageView.h"
#include "ui/HostedScreen.h"

class Label;
class SoundEngine;
class ScreenHost;

// What the three effect pedal screens share: a full-screen pedal picture
// whose controls are fixed open rectangles (strict comparisons, tested in a
// fixed order, the first match winning), the touch dispatch, the corner back
// and help buttons, the test note button, the arrows to the neighbouring
// pedals, the power light and the index of the knob being turned.
//
// Each pedal works out what a touch means with a pure function of the point
// (its `controlForPoint`), so the rectangles can be checked without a window.
// Every pedal sets the effect of its current guitar, handed over by the
// application with willAppear on every arrival.
//
// Threads: UI thread only (the engine settings written here are read by the
// render thread).
class EffectSetupView : public ImageView, public HostedScreen {
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

    // The corner buttons: x > 276 and y < 41 is back, x > 276 and y > 438 is
    // help; None elsewhere.
    static Control cornerControl(Point p);
    // x < 64 and y > 425.
    static bool inTestButton(Point p);

    // parent may be null (tests): the view is then 320 x 480 and the corner
    // buttons and arrows go nowhere. soundEngine is not owned.
    EffectSetupView(ScreenHost* parent, SoundEngine* soundEngine, const std::string& backgroundImage,
                    Point powerLightCenter);
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

    // Sets the knobs, lights and labels from the engine's settings for the
    // current guitar.
    virtual void redraw() = 0;
    // What a finger coming down at p means on this pedal.
    virtual Control controlAt(Point p) const = 0;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;
    // Began goes to fingerDown, moved to fingerMove (new and previous point),
    // ended and cancelled to fingerUp; stationary touches are ignored.
    void processTouches(const TouchSet& touches);

    // Carries out the control under p.
    void fingerDown(Point p);
    // Turns the knob being turned; with none, sliding out of the test button
    // stops the test note.
    void fingerMove(Point p, Point oldPoint);
    // Lifting inside the test button stops the test note; turning ends.
    void fingerUp(Point p);

protected:
    // A pedal's own controls (foot switch, knobs, ...). The shared ones
    // (corners, test note, arrows, starting a knob) are handled before.
    virtual void act(Control control) = 0;
    // Turns knob `index` by a finger's move and passes its value on.
    virtual void turnKnob(int index, Point p, Point oldPoint);
    // How many knobs the pedal has.
    virtual int knobCount() const { return 0; }

    // Asks the delegate for the way back, the manual or another pedal (tests
    // override these to see what was asked).
    virtual void goBack();
    virtual void goToScreen(int screenNo, bool rememberBack);

    void startTestNote();
    void stopTestNote();
    void setPowerLight(bool on);

private:
    ScreenHost* parent_;
    SoundEngine* soundEngine_;
    int currentGuitar_ = 0;
    int testTonePlaylistNo_ = -1;
    int draggingKnob_ = -1;
    std::unique_ptr<ImageView> powerOnLight_;
    std::unique_ptr<Label> guitarLabel_;
};
