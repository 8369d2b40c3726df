#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "guitars/KeyFingers.h"
#include "guitars/PlectrumMenu.h"
#include "guitars/TiltGauge.h"
#include "toolkit/FingerView.h"
#include "toolkit/KeyListener.h"
#include "toolkit/Label.h"
#include "ui/HostedScreen.h"
#include "ui/PracticeButton.h"
#include "ui/PracticeKeys.h"

class ScreenHost;
class Performer;
class SoundEngine;
class Transport;

// What the playing screens share: the full-screen picture, the Plectrum
// menu (a modal layer: the grey veil, the Recorder Bar with the guitar INPUT,
// Play and Record buttons, the Top Menu Bar with its shortcuts and, on the
// fretboards, the fewer/more frets buttons) with its 0.2 s slide, the recorder
// buttons, the recording and play lights on the playing surface (so that a
// running recording or playback shows with the menu closed), and the
// keyboard fingers.
//
// The parent may be null (tests): the screen then keeps the current guitar
// itself and goToScreen() does nothing.
//
// Threads: UI thread only.
class GuitarScreenView : public FingerView,
                         public KeyListener,
                         public HostedScreen,
                         protected PlectrumMenu::Owner {
public:
    ~GuitarScreenView() override;

    // Each time the screen is shown.
    virtual void redraw();
    // Recorder playback has ended.
    void playbackEnded() override;
    // Redraws, and has the tilt gauge follow the engine's tilt readings.
    void willAppear(int previousScreen, int currentGuitar) override;
    // Shows the engine's whammy and wah for the current guitar on the tilt
    // gauge (a frame only when that changes).
    void refreshTiltGauge();
    const TiltGauge& tiltGauge() const { return tiltGauge_; }
    // Lights what MIDI holds on the current guitar (bit k: sample k), as the
    // screen can show it; draws only when the samples changed.
    void showMidiSamples(uint64_t samples);
    uint64_t midiSamples() const { return midiSamples_; }

    void recordButtonPressed();
    void playButtonPressed();
    // Before leaving the screen: stops playing or recording.
    void stopRecording();
    void redrawOnRecPlayPresses();
    // Forget every finger and stop the screen's notes (the menu opens).
    virtual void liftAllFingerPresses() = 0;

    // The menu's PRACTICE item (on the screen, with the menu open), in the
    // band above the Recorder Bar that no screen's own items use: it leads
    // to the Practice screen.
    static constexpr Rect kPracticeItem{70, 190, 36, 100};

    bool menuShowing() const { return menu_.isOpen(); }
    int currentGuitar() const;
    ScreenHost* parent() const { return parent_; }
    SoundEngine* soundEngine() const { return soundEngine_; }
    Performer* performer() const { return performer_; }

    // Views, for drawing checks.
    const View& greyout() const { return menu_.veil(); }
    const View& topBar() const { return menu_.panel(); }
    const ImageView& recordMenuBar() const { return recordMenuBar_; }
    const ImageView& recPressed() const { return recPressed_; }
    const ImageView& playPressed() const { return playPressed_; }
    const Label& guitarInputLabel() const { return guitarInputLabel_; }
    // On the playing surface: lit while recording / while playing back.
    const ImageView& recordingLight() const { return recordingLight_; }
    const ImageView& playingLight() const { return playingLight_; }

    // Keyboard fingers (KeyListener). A key acts only while the screen is
    // shown, takes touches and its menu is closed; its release always
    // reaches the screen so that no finger stays down.
    bool keyDown(const KeyEvent& event) override;
    bool keyUp(const KeyEvent& event) override;
    // Lifts every key finger (the screen is left, the window lost focus).
    void releaseKeyFingers();
    const KeyFingers& keyFingers() const { return keyFingers_; }
    // The screen is in a window and takes touches.
    bool isShownAndTakingTouches() const;

protected:
    // topBarHiddenCentre: where the Top Menu Bar's container waits while the
    // menu is closed; fretCountButtons adds the fewer/more frets buttons.
    GuitarScreenView(ScreenHost* parent, Performer* performer, const std::string& background,
                     bool fretCountButtons, Point topBarHiddenCentre);

    // Adds the recording and play lights, the veil, the Recorder Bar, the Top
    // Menu Bar and the plectrum on top of the views added so far.
    void addMenuViews();
    // Where the recording and play lights stand: a spot of the playing
    // surface that no control uses (18 x 52 points, read sideways).
    void placeStatusLights(Point centre);
    // Where the tilt gauge stands (a spot of the playing surface it covers
    // least; it takes no touches).
    void placeTiltGauge(Point centre) { tiltGauge_.setCenter(centre); }

    // The plectrum icon on the playing surface: forget the fingers, open the
    // menu.
    void openMenu();
    // The menu's own items: the Recorder Bar, and the fewer/more frets zone
    // (x > 113) on the screens that have it.
    void menuItemDown(Point p) override;
    // The fewer/more frets zone of the menu; nothing by default.
    virtual void fretCountMenuPress(Point p);
    // The Recorder Bar's INPUT button changed the current guitar.
    virtual void guitarChanged() {}
    void menuMoving(bool shown) override;
    void menuWillLeave() override;
    // Moves to another screen, remembering the way back.
    void goToScreen(int screenNo) override;
    // Where a key's finger goes on this screen, or nothing.
    virtual std::optional<Point> keyFingerPoint(const KeyEvent& event) const = 0;

    void incCurrentGuitar();
    // The samples MIDI holds changed (bit k: sample k of the current guitar).
    virtual void lightMidiSamples(uint64_t samples) { (void)samples; }
    // Asks the host for what MIDI holds now (the screen appears, the guitar
    // changed).
    void refreshMidiSamples();

    ScreenHost* parent_;
    Performer* performer_;     // null in tests of the drawing alone
    SoundEngine* soundEngine_; // the performer's engine
    Transport* transport_;     // the performer's transport
    PlectrumMenu menu_;

    std::unique_ptr<ImageView> lessFretsMenu_;
    std::unique_ptr<ImageView> moreFretsMenu_;
    ImageView recordMenuBar_;
    ImageView recPressed_;
    ImageView playPressed_;
    Label guitarInputLabel_;
    ImageView recordingLight_;
    ImageView playingLight_;
    TiltGauge tiltGauge_;
    // Over the veil, showing while the menu is open.
    PracticeButton practiceItem_{kPracticeItem};

private:
    bool recorderRunning() const;

    int ownGuitar_ = 0; // the current guitar when there is no parent
    uint64_t midiSamples_ = 0;
    KeyFingers keyFingers_;
    bool listening_ = false;
    // What the performer's tilt observer holds: emptied when the screen goes,
    // so that a late reading reaches nothing.
    std::shared_ptr<GuitarScreenView*> self_;
    // F5 ... F9: the loop and the speed, answered by a line at the top.
    PracticeKeys practiceKeys_{*this, parent_};
};
