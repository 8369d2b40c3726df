#pragma once

// What the application tells every screen it shows, whatever the screen's
// view class. Each screen class also derives from View (usually ImageView).
//
// Threads: UI thread only.
class HostedScreen {
public:
    // The screen is about to be shown (also right after it was created).
    // previousScreen is the number of the screen it replaces, or kNoScreen;
    // currentGuitar is the guitar the controls should show.
    virtual void willAppear(int previousScreen, int currentGuitar) {
        (void)previousScreen;
        (void)currentGuitar;
    }
    // The recorder finished playing a song.
    virtual void playbackEnded() {}

protected:
    ~HostedScreen() = default;
};
