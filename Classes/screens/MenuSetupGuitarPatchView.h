#pragma once
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "audio/PatchChangeListener.h"
#include "screens/MenuScreenView.h"
#include "system/MainThreadQueue.h"
#include "ui/MessageBoxLayer.h"

class ImageView;
class Knob;
class TuningCard;
class Label;
class Performer;
class SoundEngine;
class VolumeSlider;
class View;

// The patch setup screen (screen 11): each guitar's volume and sustain on
// four knobs, the patch of each guitar stepped forwards or backwards, a test
// note of either guitar, and the app's output volume slider (a gain on what
// goes to the sound device, kept with the app's own settings).
//
// Changing a patch reads 48 sample files on the UI thread. The screen first
// puts up a "please wait" box (drawn before the loading starts, hence the
// short delay), then asks the engine for the new patch with itself as the
// caller. The engine tells it turnTouchscreenBackOn() once a buffer has been
// rendered with the new samples; a tenth of a second later the box goes and
// the screen takes touches again. Until then every touch is ignored.
//
// Threads: UI thread only (the engine's message arrives through the UI
// thread's queue).
class MenuSetupGuitarPatchView : public MenuScreenView, public PatchChangeListener {
public:
    // What a finger coming down asks for, first match in this order.
    enum class Action {
        None,
        Back,
        Help,
        TestNoteGuitar1,
        TestNoteGuitar2,
        TurnGuitar1Volume,
        TurnGuitar1Sustain,
        TurnGuitar2Volume,
        TurnGuitar2Sustain,
        PrevPatchGuitar1,
        NextPatchGuitar1,
        PrevPatchGuitar2,
        NextPatchGuitar2,
        // The "Tuning" page (a card over the panel) and back.
        TurnPage,
    };

    // Knob indices, as kept in draggingKnob.
    enum KnobIndex {
        kNoKnob = -1,
        kGuitar1Volume = 0,
        kGuitar1Sustain = 1,
        kGuitar2Volume = 2,
        kGuitar2Sustain = 3
    };

    // The open sample, relative to the guitar, that the test buttons play:
    // the open low E string.
    static constexpr int kTestSampleNo = 2;
    static constexpr const char* kMessageBoxText = "Please wait.\n\nLoading new\nguitar samples...";
    static constexpr double kDrawBoxDelay = 0.001;
    static constexpr double kRemoveBoxDelay = 0.1;
    static constexpr float kGreyoutAlpha = 0.7f;
    static constexpr const char* kVolumeLabelText = "OUTPUT VOLUME";

    // The corner buttons, then the screen's own areas.
    static Action actionForPoint(Point p);
    static std::span<const HitArea<Action>> areas();
    // Whether p lies inside the test-note button of the guitar (0 or 1).
    static bool insideTestButton(int guitar, Point p);

    // parent may be null (tests): the view then has the default frame and the
    // corner buttons do nothing. engine may be null too (nothing sounds or
    // changes). queue is where the delayed steps of a patch change run; null
    // takes the parent's, and with neither they run at once.
    MenuSetupGuitarPatchView(ScreenHost* parent, Performer* performer, MainThreadQueue* queue = nullptr);
    ~MenuSetupGuitarPatchView() override;

    // Shows the knobs at the engine's volumes and sustains, and both patch
    // names.
    void redraw();
    // Redraws.
    void willAppear(int previousScreen, int currentGuitar) override;

    Choice choiceAt(Point p) const override { return cornerChoice(p); }

    // The engine's patch step for the guitar, with this screen as the caller.
    void nextPatch(int guitar);
    void prevPatch(int guitar);
    // PatchChangeListener: the first buffer with the new patch has been
    // rendered; the box goes a tenth of a second later.
    void turnTouchscreenBackOn() override;
    void stopShowingMessageBox();

    // Shows the knobs' panel or the tuning card (of the current guitar).
    void showTuningPage(bool tuning);
    bool tuningPageShowing() const { return tuningPage_; }
    const TuningCard& tuningCard() const { return *tuningCard_; }
    const Label& pageLabel() const { return *pageLabel_; }

    // Fingers are ignored entirely while the box is up.
    bool messageBoxShowing() const { return box_.isShown(); }
    int draggingKnob() const { return draggingKnob_; }
    int testPatch1PlaylistNo() const { return testPatch1PlaylistNo_; }
    int testPatch2PlaylistNo() const { return testPatch2PlaylistNo_; }
    SoundEngine* soundEngine() const { return soundEngine_; }

    const Knob& knob(int index) const { return *knobs_[static_cast<size_t>(index)]; }
    const Label& guitar1PatchName() const { return *guitar1PatchName_; }
    const Label& guitar2PatchName() const { return *guitar2PatchName_; }
    const ImageView& messageBox() const { return box_.box(); }
    const Label& messageBoxLabel() const { return box_.text(); }
    const View& messageBoxGreyout() const { return box_.veil(); }
    const VolumeSlider& volumeControl() const { return *volumeControl_; }
    const Label& volumeLabel() const { return *volumeLabel_; }
    // Under each knob its name and value on the dial's 0 to 10 scale: "VOLUME 7.5".
    const Label& knobReadout(int index) const { return *knobReadouts_[static_cast<size_t>(index)]; }

protected:
    void fingerDown(const Touch& touch) override;
    // Turns the knob being dragged and sets its value in the engine; a finger
    // sliding out of a test button stops its note.
    void fingerMove(const Touch& touch) override;
    // No knob is turned any more; a finger lifted inside a sounding test
    // button stops its note.
    void fingerUp(const Touch& touch) override;

private:
    void startPatchStep(int guitar, bool forward);
    void stepPatch(int guitar, bool forward);
    void turnKnob(Point p, Point oldPoint);
    void stopTestNote(int guitar);
    // Runs fn after the delay on the queue, or at once without one.
    void later(double delay, std::function<void()> fn);
    MainThreadQueue* queue() const;

    Performer* performer_;
    SoundEngine* soundEngine_; // the performer's engine
    MainThreadQueue* queue_;
    std::unique_ptr<VolumeSlider> volumeControl_;
    std::unique_ptr<Label> volumeLabel_;
    std::array<std::unique_ptr<Knob>, 4> knobs_;
    std::array<std::unique_ptr<Label>, 4> knobReadouts_;
    std::unique_ptr<Label> guitar1PatchName_;
    std::unique_ptr<Label> guitar2PatchName_;
    std::unique_ptr<TuningCard> tuningCard_;
    std::unique_ptr<View> pageButton_;
    std::unique_ptr<Label> pageLabel_;
    bool tuningPage_ = false;
    MessageBoxLayer box_;
    int draggingKnob_ = kNoKnob;
    int testPatch1PlaylistNo_ = -1;
    int testPatch2PlaylistNo_ = -1;
    // Delayed calls not yet run, forgotten when the screen goes.
    MainThreadQueue* pendingQueue_ = nullptr;
    std::vector<MainThreadQueue::Token> pendingTokens_;
};
