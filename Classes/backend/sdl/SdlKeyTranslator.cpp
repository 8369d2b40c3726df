#include "backend/sdl/SdlKeyTranslator.h"

namespace {

struct KeyMapping {
    Key key;
    SDL_Scancode scancode;
};

const KeyMapping kKeys[] = {
    {Key::A, SDL_SCANCODE_A},
    {Key::B, SDL_SCANCODE_B},
    {Key::C, SDL_SCANCODE_C},
    {Key::D, SDL_SCANCODE_D},
    {Key::E, SDL_SCANCODE_E},
    {Key::F, SDL_SCANCODE_F},
    {Key::G, SDL_SCANCODE_G},
    {Key::H, SDL_SCANCODE_H},
    {Key::I, SDL_SCANCODE_I},
    {Key::J, SDL_SCANCODE_J},
    {Key::K, SDL_SCANCODE_K},
    {Key::L, SDL_SCANCODE_L},
    {Key::M, SDL_SCANCODE_M},
    {Key::N, SDL_SCANCODE_N},
    {Key::O, SDL_SCANCODE_O},
    {Key::P, SDL_SCANCODE_P},
    {Key::Q, SDL_SCANCODE_Q},
    {Key::R, SDL_SCANCODE_R},
    {Key::S, SDL_SCANCODE_S},
    {Key::T, SDL_SCANCODE_T},
    {Key::U, SDL_SCANCODE_U},
    {Key::V, SDL_SCANCODE_V},
    {Key::W, SDL_SCANCODE_W},
    {Key::X, SDL_SCANCODE_X},
    {Key::Y, SDL_SCANCODE_Y},
    {Key::Z, SDL_SCANCODE_Z},
    {Key::Num0, SDL_SCANCODE_0},
    {Key::Num1, SDL_SCANCODE_1},
    {Key::Num2, SDL_SCANCODE_2},
    {Key::Num3, SDL_SCANCODE_3},
    {Key::Num4, SDL_SCANCODE_4},
    {Key::Num5, SDL_SCANCODE_5},
    {Key::Num6, SDL_SCANCODE_6},
    {Key::Num7, SDL_SCANCODE_7},
    {Key::Num8, SDL_SCANCODE_8},
    {Key::Num9, SDL_SCANCODE_9},
    {Key::Keypad0, SDL_SCANCODE_KP_0},
    {Key::Keypad1, SDL_SCANCODE_KP_1},
    {Key::Keypad2, SDL_SCANCODE_KP_2},
    {Key::Keypad3, SDL_SCANCODE_KP_3},
    {Key::Keypad4, SDL_SCANCODE_KP_4},
    {Key::Keypad5, SDL_SCANCODE_KP_5},
    {Key::Keypad6, SDL_SCANCODE_KP_6},
    {Key::Keypad7, SDL_SCANCODE_KP_7},
    {Key::Keypad8, SDL_SCANCODE_KP_8},
    {Key::Keypad9, SDL_SCANCODE_KP_9},
    {Key::KeypadPlus, SDL_SCANCODE_KP_PLUS},
    {Key::KeypadMinus, SDL_SCANCODE_KP_MINUS},
    {Key::KeypadMultiply, SDL_SCANCODE_KP_MULTIPLY},
    {Key::KeypadDivide, SDL_SCANCODE_KP_DIVIDE},
    {Key::KeypadEnter, SDL_SCANCODE_KP_ENTER},
    {Key::KeypadPeriod, SDL_SCANCODE_KP_PERIOD},
    {Key::Left, SDL_SCANCODE_LEFT},
    {Key::Right, SDL_SCANCODE_RIGHT},
    {Key::Up, SDL_SCANCODE_UP},
    {Key::Down, SDL_SCANCODE_DOWN},
    {Key::Space, SDL_SCANCODE_SPACE},
    {Key::Return, SDL_SCANCODE_RETURN},
    {Key::Escape, SDL_SCANCODE_ESCAPE},
    {Key::Backspace, SDL_SCANCODE_BACKSPACE},
    {Key::Tab, SDL_SCANCODE_TAB},
    {Key::Delete, SDL_SCANCODE_DELETE},
    {Key::Insert, SDL_SCANCODE_INSERT},
    {Key::Home, SDL_SCANCODE_HOME},
    {Key::End, SDL_SCANCODE_END},
    {Key::PageUp, SDL_SCANCODE_PAGEUP},
    {Key::PageDown, SDL_SCANCODE_PAGEDOWN},
    {Key::Minus, SDL_SCANCODE_MINUS},
    {Key::Equals, SDL_SCANCODE_EQUALS},
    {Key::LeftBracket, SDL_SCANCODE_LEFTBRACKET},
    {Key::RightBracket, SDL_SCANCODE_RIGHTBRACKET},
    {Key::Backslash, SDL_SCANCODE_BACKSLASH},
    {Key::Semicolon, SDL_SCANCODE_SEMICOLON},
    {Key::Apostrophe, SDL_SCANCODE_APOSTROPHE},
    {Key::Grave, SDL_SCANCODE_GRAVE},
    {Key::Comma, SDL_SCANCODE_COMMA},
    {Key::Period, SDL_SCANCODE_PERIOD},
    {Key::Slash, SDL_SCANCODE_SLASH},
    {Key::F1, SDL_SCANCODE_F1},
    {Key::F2, SDL_SCANCODE_F2},
    {Key::F3, SDL_SCANCODE_F3},
    {Key::F4, SDL_SCANCODE_F4},
    {Key::F5, SDL_SCANCODE_F5},
    {Key::F6, SDL_SCANCODE_F6},
    {Key::F7, SDL_SCANCODE_F7},
    {Key::F8, SDL_SCANCODE_F8},
    {Key::F9, SDL_SCANCODE_F9},
    {Key::F10, SDL_SCANCODE_F10},
    {Key::F11, SDL_SCANCODE_F11},
    {Key::F12, SDL_SCANCODE_F12},
    {Key::LeftShift, SDL_SCANCODE_LSHIFT},
    {Key::RightShift, SDL_SCANCODE_RSHIFT},
    {Key::LeftCtrl, SDL_SCANCODE_LCTRL},
    {Key::RightCtrl, SDL_SCANCODE_RCTRL},
    {Key::LeftAlt, SDL_SCANCODE_LALT},
    {Key::RightAlt, SDL_SCANCODE_RALT},
};

Key keyFromScancode(SDL_Scancode sc) {
    for (const auto& m : kKeys)
        if (m.scancode == sc)
            return m.key;
    return Key::Unknown;
}

SDL_Scancode scancodeFromKey(Key key) {
    for (const auto& m : kKeys)
        if (m.key == key)
            return m.scancode;
    return SDL_SCANCODE_UNKNOWN;
}

} // namespace

KeyEvent SdlKeyTranslator::keyEvent(const SDL_KeyboardEvent& k) {
    KeyEvent e;
    e.key = keyFromScancode(k.keysym.scancode);
    e.name = SDL_GetKeyName(k.keysym.sym);
    e.repeat = k.repeat != 0;
    e.shift = (k.keysym.mod & KMOD_SHIFT) != 0;
    e.ctrl = (k.keysym.mod & KMOD_CTRL) != 0;
    e.alt = (k.keysym.mod & KMOD_ALT) != 0;
    return e;
}

SDL_Event SdlKeyTranslator::sdlEvent(const KeyEvent& event, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = event.repeat ? 1 : 0;
    e.key.keysym.scancode = scancodeFromKey(event.key);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    Uint16 mod = 0;
    if (event.shift)
        mod |= KMOD_LSHIFT;
    if (event.ctrl)
        mod |= KMOD_LCTRL;
    if (event.alt)
        mod |= KMOD_LALT;
    e.key.keysym.mod = mod;
    return e;
}
