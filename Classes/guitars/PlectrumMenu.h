#pragma once
#include "toolkit/FingerView.h"
#include "toolkit/ImageView.h"

// The Plectrum menu of the playing screens and the tab editor: the plectrum
// icon in the corner, the grey veil, and a panel holding the Top Menu Bar and
// the screen's own items that slides in over 0.2 s ("MENU"). While open it is
// the screen's top modal layer and takes every finger: the plectrum closes
// it, the Top Menu Bar leads to another screen, the rest is the screen's.
//
// Threads: UI thread only.
class PlectrumMenu : public FingerView::FingerTarget {
public:
    // What the screen under the menu does with it.
    class Owner {
    public:
        virtual ~Owner() = default;
        // Before the panel moves (opening or closing).
        virtual void menuWillMove() {}
        // Inside the slide's animation block: move what slides with the panel.
        virtual void menuMoving(bool shown) { (void)shown; }
        // A finger coming down on the open menu, off the plectrum and the Top
        // Menu Bar.
        virtual void menuItemDown(Point p) = 0;
        // Before the menu closes to leave for another screen.
        virtual void menuWillLeave() {}
        // Moves to another screen, remembering the way back.
        virtual void goToScreen(int screen) = 0;
        // What also sees every finger the open menu takes, before the menu
        // acts on it (a screen that keeps count of its fingers), or null.
        virtual FingerView::FingerTarget* menuFingerWatcher() { return nullptr; }
    };

    // Where the panel stands closed and open (its centre), and its frame.
    struct Slide {
        Rect panelFrame;
        Point hiddenCentre;
        Point shownCentre;
        // Whether the panel takes touches itself (passing them on to the
        // screen) or lets them through.
        bool panelTakesTouches = true;
    };

    // The shortcut of the Top Menu Bar at height y.
    static int topMenuScreenForY(float y);
    static bool onPlectrum(Point p) { return p.x < 52 && p.y < 45; }

    PlectrumMenu(FingerView& screen, Owner& owner, Slide slide);
    ~PlectrumMenu() override;

    // The veil goes on top of the views added so far; the panel (with the
    // Top Menu Bar) and the plectrum on top of everything added after.
    void addVeil();
    void addPanelAndPlectrum();
    // The panel, for the screen's own items.
    View& panel() { return panel_; }
    const View& panel() const { return panel_; }
    const View& veil() const { return veil_; }

    bool isOpen() const { return open_; }
    void open(bool animated);
    void close(bool animated);
    // Closes at once and goes to the screen.
    void leaveFor(int screen);

    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;

private:
    void slide(bool animated);

    FingerView& screen_;
    Owner& owner_;
    Slide slide_;
    bool open_ = false;
    View veil_;
    View panel_;
    ImageView topMenuBar_;
    ImageView plectrum_;
};
