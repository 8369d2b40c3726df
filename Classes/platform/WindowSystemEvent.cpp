#include "platform/WindowSystemEvent.h"

#include <SDL.h>
#include <SDL_syswm.h>

bool WindowSystemEvent::inputPressTime(const SDL_Event& event, std::uint32_t* milliseconds) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type == KeyPress) {
        *milliseconds = static_cast<std::uint32_t>(x.xkey.time);
        return true;
    }
    if (x.type == ButtonPress) {
        *milliseconds = static_cast<std::uint32_t>(x.xbutton.time);
        return true;
    }
#else
    (void)event;
    (void)milliseconds;
#endif
    return false;
}
