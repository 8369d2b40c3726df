#pragma once
#include <cstdint>

union SDL_Event;

// Reading the window system's own events that SDL passes on as
// SDL_SYSWMEVENT (enabled only while the latency log runs). Kept apart
// because the X11 headers define names (None, Always, ...) that clash with
// the toolkit's.
namespace WindowSystemEvent {

// For an X11 key press or button press: true and the X server's time of the
// event in milliseconds (the server's monotonic clock, modulo 2^32).
bool inputPressTime(const SDL_Event& event, std::uint32_t* milliseconds);

} // namespace WindowSystemEvent

struct SDL_Window;

namespace WindowSystemEvent {

// False only when the window is on an X server that no window manager runs
// on (the root window names no _NET_SUPPORTING_WM_CHECK). Fullscreen through
// SDL asks the window manager, so without one the window is then sized to the
// screen by hand.
bool hasWindowManager(SDL_Window* window);

} // namespace WindowSystemEvent
