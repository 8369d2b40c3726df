#pragma once
#include <memory>

class View;
class HostedScreen;
class Strumwell;

// How to create each screen of ui/ScreenCatalog, one factory per screen
// number; everything else about a screen is declared in the catalog.
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
};

// The factory for a screen number, or null when the number names no screen.
const ScreenEntry* findScreenEntry(int screenNo);
