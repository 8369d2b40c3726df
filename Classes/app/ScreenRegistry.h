#pragma once
#include <memory>

class View;
class HostedScreen;
class Strumwell;

// Every screen the application can show, one entry per screen number: how
// to create it and how it arrives and leaves. Adding a screen means a number
// in ScreenHost, a class, and one entry in ScreenRegistry.cpp.
//
// Threads: UI thread only.
struct ScreenEntry {
    // A new screen: the view to show and the same object as a HostedScreen.
    struct Made {
        std::unique_ptr<View> view;
        HostedScreen* screen = nullptr;
    };

    int number;
    Made (*create)(Strumwell& app);
    // A screen that must exist before this one is created (and is shown its
    // arrival too), or kNoScreen.
    int createFirst;
    // Slides in from the left when shown and is revealed away to the right
    // when left by going back (the manual); otherwise screens fade.
    bool slides;
    // The manual page that opens when the manual is called from this screen,
    // or kKeepManualPage to open it where the reader left it.
    int manualPage;
    // How the screen joins the back stack: screens that share a group other
    // than kNoBackGroup are siblings (the three pedals), and moving between
    // siblings replaces the screen instead of stacking it, so going back
    // leaves the group at once.
    int backGroup;

    static constexpr int kKeepManualPage = -1;
    static constexpr int kNoBackGroup = 0;
    static constexpr int kPedals = 1;
};

// The entry for a screen number, or null when the number names no screen.
const ScreenEntry* findScreenEntry(int screenNo);
