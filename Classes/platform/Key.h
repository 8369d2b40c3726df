#pragma once
#include <string>

// A key of the keyboard by its position (the US layout's name for that
// place), whatever the user's layout, so key maps stay where the hands are.
enum class Key {
    Unknown,
    A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
    Num0, Num1, Num2, Num3, Num4, Num5, Num6, Num7, Num8, Num9,
    Keypad0, Keypad1, Keypad2, Keypad3, Keypad4, Keypad5, Keypad6, Keypad7, Keypad8, Keypad9,
    KeypadPlus, KeypadMinus, KeypadMultiply, KeypadDivide, KeypadEnter, KeypadPeriod,
    Left, Right, Up, Down,
    Space, Return, Escape, Backspace, Tab, Delete, Insert, Home, End, PageUp, PageDown,
    Minus, Equals, LeftBracket, RightBracket, Backslash, Semicolon, Apostrophe, Grave, Comma, Period, Slash,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    LeftShift, RightShift, LeftCtrl, RightCtrl, LeftAlt, RightAlt,
};

struct KeyEvent {
    Key key = Key::Unknown;
    // The key's name in the user's layout ("A", "Left", "Keypad 8"), for messages.
    std::string name;
    bool repeat = false; // auto-repeat of a held key
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};
