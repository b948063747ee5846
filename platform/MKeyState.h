#pragma once

#include <cstdint>

class QEvent;

// Mouse-message key flags, numbered as the key file era numbered them.
enum : unsigned
{
    MK_FLAG_LBUTTON = 0x01,
    MK_FLAG_RBUTTON = 0x02,
    MK_FLAG_SHIFT = 0x04,
    MK_FLAG_CONTROL = 0x08,
    MK_FLAG_MBUTTON = 0x10,
};

// Six one-byte flags: Shift, Ctrl, Alt, left, right and middle button. Key
// dispatch, mouse controls, views and tools compare such records.
struct MKeyState
{
    uint8_t shift = 0;
    uint8_t ctrl = 0;
    uint8_t alt = 0;
    uint8_t left = 0;
    uint8_t right = 0;
    uint8_t middle = 0;

    bool operator==(const MKeyState&) const = default;

    void Clear() { *this = MKeyState(); }
    // Shift, Ctrl and Alt from the keyboard as it is now; buttons untouched.
    void ReadKeyboard();
    // Ctrl, Shift and the buttons from mouse-message key flags; Alt from the
    // keyboard.
    void ReadMouseFlags(unsigned flags);
    // A button press or release sets or clears that button; other events
    // change nothing.
    void UpdateFromButtonEvent(const QEvent* event);
};

// Mouse-message key flags from the buttons and modifiers of a Qt mouse event.
unsigned MMouseFlagsFromEvent(const QEvent* event);
