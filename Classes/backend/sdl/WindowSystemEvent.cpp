#include "backend/sdl/WindowSystemEvent.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#endif

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

bool WindowSystemEvent::hasWindowManager(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return true;
    // SDL loads Xlib itself; so do we, rather than link it.
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib)
        return true;
    using InternAtomFn = Atom (*)(Display*, const char*, Bool);
    using GetPropertyFn = int (*)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                                  unsigned long*, unsigned char**);
    using FreeFn = int (*)(void*);
    auto internAtom = reinterpret_cast<InternAtomFn>(SDL_LoadFunction(xlib, "XInternAtom"));
    auto getProperty = reinterpret_cast<GetPropertyFn>(SDL_LoadFunction(xlib, "XGetWindowProperty"));
    auto xfree = reinterpret_cast<FreeFn>(SDL_LoadFunction(xlib, "XFree"));
    bool found = true;
    if (internAtom && getProperty && xfree) {
        Display* d = info.info.x11.display;
        Atom check = internAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
        found = false;
        if (check != 0) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (getProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                            &after, &data) == Success &&
                data) {
                found = items > 0;
                xfree(data);
            }
        }
    }
    SDL_UnloadObject(xlib);
    return found;
#else
    (void)window;
    return true;
#endif
}
