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
};

// The entry for a screen number, or null when the number names no screen.
const ScreenEntry* findScreenEntry(int screenNo);
