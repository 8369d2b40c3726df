#pragma once
#include <memory>
#include <span>
#include <string>

#include "toolkit/BackKeys.h"
#include "toolkit/FingerView.h"
#include "toolkit/HitTable.h"
#include "toolkit/ImageView.h" // for the menus that add pictures
#include "toolkit/Label.h"
#include "ui/HostedScreen.h"

class ScreenHost;

// What the menu screens share: a full-screen background picture whose buttons
// are fixed rectangles (only a finger coming down acts), and the two corner
// buttons, back and help, of every menu but the main one.
//
// Each menu's buttons are a table of open areas (an edge belongs to neither
// side), so the tables can be checked without a window; fingerDown carries
// out the choice of the area under the finger.
//
// Threads: UI thread only.
class MenuScreenView : public FingerView, public HostedScreen {
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

    // The corner buttons: back at the top, the manual (remembering the way
    // back) at the bottom; None elsewhere.
    static std::span<const HitArea<Choice>> cornerAreas();
    static Choice cornerChoice(Point p);
    // The choice of the first area under p, or None.
    static Choice choiceIn(std::span<const HitArea<Choice>> areas, Point p);

    // parent may be null (the view then has the default 320 x 480 frame and
    // its touches change nothing), which tests use.
    MenuScreenView(ScreenHost* parent, const std::string& backgroundImage);
    ~MenuScreenView() override;

    ScreenHost* parent() const { return parent_; }

    // The choice for a point on this particular menu.
    virtual Choice choiceAt(Point p) const = 0;
    // Whether it has the back button (Escape and Backspace then do the same).
    virtual bool hasBackButton() const { return true; }

    // A label read by a user holding the phone sideways, black on clear:
    // `along` is its length along the view's y axis, `across` its height
    // along x.
    static std::unique_ptr<Label> sidewaysLabel(Point centre, float along, float across, float fontSize,
                                                TextAlignment alignment = TextAlignment::Center);

protected:
    // For the screens whose buttons do more than lead elsewhere: the corner
    // buttons' back and help, else the action of the first area under p.
    template <typename Action>
    static Action actionIn(std::span<const HitArea<Action>> areas, Point p, Action back, Action help,
                           Action none) {
        const Choice corner = cornerChoice(p);
        if (corner.kind != Choice::None)
            return corner.kind == Choice::Back ? back : help;
        return hitActionInside(areas, p).value_or(none);
    }

    // Carries out the menu's choice for the point; menus only react to a
    // finger coming down.
    void fingerDown(const Touch& touch) override;
    // Asks the application delegate for what the choice names (nothing
    // without a parent).
    virtual void perform(const Choice& choice);

private:
    ScreenHost* parent_;
    BackKeys backKeys_{*this, [this] {
                           if (!hasBackButton())
                               return false;
                           perform(Choice::back());
                           return true;
                       }};
};
