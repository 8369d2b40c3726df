#pragma once
#include <string>

#include "platform/ImageView.h"
#include "ui/HostedScreen.h"

class ScreenHost;

// What the menu screens share: a full-screen background picture whose buttons
// are fixed rectangles, the touch dispatch (only a finger coming down acts),
// and the two corner buttons, back and help, of every menu but the main one.
//
// Rectangles are open (strict comparisons) and tested in a fixed order, the
// first match winning. Each menu works out what a touch means with a pure
// function of the point (its `choiceForPoint`), so the tables can be checked
// without a window; fingerDown then carries the choice out.
//
// Threads: UI thread only.
class MenuScreenView : public ImageView, public HostedScreen {
public:
    // What a touch on a menu asks for.
    struct Choice {
        enum Kind { None, Back, Go };
        Kind kind = None;
        int screen = -1; // Go: the screen number to go to
        int guitar = -1; // Go: the guitar to make current first, -1 to leave it

        static Choice none() { return {}; }
        static Choice back() { return {Back, -1, -1}; }
        static Choice go(int screen, int guitar = -1) { return {Go, screen, guitar}; }
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    // The corner buttons: x > 276 and y < 41 is back, x > 276 and y > 438
    // opens the manual (remembering the way back); None elsewhere.
    static Choice cornerChoice(Point p);

    // parent may be null (the view then has the default 320 x 480 frame and
    // its touches change nothing), which tests use.
    MenuScreenView(ScreenHost* parent, const std::string& backgroundImage);
    ~MenuScreenView() override;

    ScreenHost* parent() const { return parent_; }

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;

    // Sends each touch by its phase: began to fingerDown, moved to fingerMove
    // (new and previous location), ended or cancelled to fingerUp; stationary
    // touches are ignored.
    void processTouches(const TouchSet& touches);

    // Carries out the menu's choice for the point.
    virtual void fingerDown(Point p);
    // Menus only react to a finger coming down.
    virtual void fingerMove(Point p, Point oldPoint);
    virtual void fingerUp(Point p);

    // The choice for a point on this particular menu.
    virtual Choice choiceAt(Point p) const = 0;

protected:
    // Asks the application delegate for what the choice names (nothing
    // without a parent).
    virtual void perform(const Choice& choice);

private:
    ScreenHost* parent_;
};
