#include "MKeyCodes.h"
#include "MKeyState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

// Shift, Ctrl and Alt change no code; keypad keys not shared with the main block have their own;
// shifted symbols give their US key; Latin-1 letters are not taken for other keys.
TEST(KeyCodes, QtKeysGiveTheirVirtualKeyCodesAndBackAndMouseEventsTheirButtons)
{
    using namespace Qt;
    const auto any = ShiftModifier | ControlModifier | AltModifier;
    for (unsigned i = 0; i < 26; ++i)
        EXPECT_EQ(MVirtualKeyFromQt(Key_A + int(i), any), 65 + i);
    for (unsigned i = 0; i < 10; ++i)
    {
        EXPECT_EQ(MVirtualKeyFromQt(Key_0 + int(i), NoModifier), 48 + i);
        EXPECT_EQ(MVirtualKeyFromQt(Key_0 + int(i), KeypadModifier), 96 + i);
    }
    for (unsigned i = 0; i < 24; ++i)
        EXPECT_EQ(MVirtualKeyFromQt(Key_F1 + int(i), NoModifier), 112 + i);
    const int keys[] = {
        Key_F25,          Key_Backspace,  Key_Tab,        Key_Backtab,     Key_Return,
        Key_Enter,        Key_CapsLock,   Key_Escape,     Key_Space,       Key_PageUp,
        Key_PageDown,     Key_End,        Key_Home,       Key_Left,        Key_Up,
        Key_Right,        Key_Down,       Key_Insert,     Key_Delete,      Key_NumLock,
        Key_ScrollLock,   Key_Semicolon,  Key_Equal,      Key_Comma,       Key_Minus,
        Key_Period,       Key_Slash,      Key_QuoteLeft,  Key_BracketLeft, Key_Backslash,
        Key_BracketRight, Key_Apostrophe, Key_Underscore, Key_Question,    Key_AsciiTilde,
        Key_BraceLeft,    Key_Bar,        Key_QuoteDbl,   Key_Exclam,      Key_ParenRight,
        Key_unknown,      Key_Meta,       Key_Eacute,     Key_Adiaeresis,  0};
    const unsigned codes[] = {0,   8,   9,   9,   13,  13,  20,  27,  32,  33,  34,  35,
                              36,  37,  38,  39,  40,  45,  46,  144, 145, 186, 187, 188,
                              189, 190, 191, 192, 219, 220, 221, 222, 189, 191, 192, 219,
                              220, 222, 49,  48,  0,   0,   0,   0,   0};
    static_assert(std::size(keys) == std::size(codes));
    for (size_t i = 0; i < std::size(keys); ++i)
    {
        EXPECT_EQ(MVirtualKeyFromQt(keys[i], NoModifier), codes[i]) << std::hex << keys[i];
        EXPECT_EQ(MVirtualKeyFromQt(keys[i], any), codes[i]) << std::hex << keys[i];
    }
    const std::pair<int, unsigned> keypad[] = {
        {Key_Asterisk, 106}, {Key_Plus, 107}, {Key_Minus, 109}, {Key_Period, 110}, {Key_Comma, 110},
        {Key_Slash, 111},    {Key_Enter, 13}, {Key_Home, 36},   {Key_Delete, 46},  {Key_A, 65}};
    for (const auto& [key, vk] : keypad)
        EXPECT_EQ(MVirtualKeyFromQt(key, KeypadModifier | ShiftModifier), vk) << key;
    for (auto [key, vk] : {std::pair{Key_Colon, 186u}, {Key_Plus, 187u}, {Key_Asterisk, 56u}})
        EXPECT_EQ(MVirtualKeyFromQt(key, ShiftModifier), vk) << key;

    // Every code with a Qt key maps back.
    int mapped = 0;
    for (unsigned vk = 1; vk < 256; ++vk)
    {
        const int combined = MQtKeyFromVirtualKey(vk);
        if (!combined)
            continue;
        ++mapped;
        const int key = combined & ~int(Qt::KeyboardModifierMask);
        const auto mods = Qt::KeyboardModifiers(combined & int(Qt::KeyboardModifierMask));
        EXPECT_EQ(MVirtualKeyFromQt(key, mods), vk) << vk;
    }
    // Letters, digits, F-keys, keypad and the named keys at least.
    EXPECT_GE(mapped, 26 + 10 + 24 + 15 + 30);
    EXPECT_EQ(MQtKeyFromVirtualKey(101), Qt::Key_5 | int(Qt::KeypadModifier));
    EXPECT_EQ(MQtKeyFromVirtualKey(186), int(Qt::Key_Semicolon));
    EXPECT_EQ(MQtKeyFromVirtualKey(13), int(Qt::Key_Return));
    for (unsigned none : {108u, 0u, 0x10000u})
        EXPECT_EQ(MQtKeyFromVirtualKey(none), 0) << none;

    // Mouse flags and button events set and clear their buttons.
    MKeyState s{.right = 1};
    s.ReadMouseFlags(MK_FLAG_LBUTTON | MK_FLAG_SHIFT | MK_FLAG_MBUTTON);
    EXPECT_EQ(s, (MKeyState{.shift = 1, .left = 1, .middle = 1})) << "right is up: cleared";
    s.ReadMouseFlags(MK_FLAG_RBUTTON | MK_FLAG_CONTROL);
    EXPECT_EQ(s, (MKeyState{.ctrl = 1, .right = 1}));
    s.ReadKeyboard();
    EXPECT_EQ(s.right, 1) << "reading the keyboard leaves the buttons alone";

    auto mouse = [](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                    Qt::KeyboardModifiers mods = Qt::NoModifier)
    { return QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), button, buttons, mods); };
    s.Clear();
    for (const QMouseEvent& e :
         {mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton),
          mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton),
          mouse(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::RightButton)})
        s.UpdateFromButtonEvent(&e);
    EXPECT_EQ(s, (MKeyState{.left = 1, .right = 1, .middle = 1}));
    const QMouseEvent leftUp = mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::MiddleButton);
    s.UpdateFromButtonEvent(&leftUp);
    const MKeyState expected{.right = 1, .middle = 1};
    EXPECT_EQ(s, expected);

    // Moves, other buttons and other events change nothing.
    const QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier);
    for (const QMouseEvent& e : {mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton),
                                 mouse(QEvent::MouseButtonRelease, Qt::BackButton, Qt::NoButton)})
        s.UpdateFromButtonEvent(&e);
    s.UpdateFromButtonEvent(&key);
    s.UpdateFromButtonEvent(nullptr);
    EXPECT_EQ(s, expected);
    s.Clear();
    EXPECT_EQ(s, MKeyState());

    const QMouseEvent e = mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::MiddleButton,
                                Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(MMouseFlagsFromEvent(&e),
              unsigned(MK_FLAG_LBUTTON | MK_FLAG_MBUTTON | MK_FLAG_SHIFT | MK_FLAG_CONTROL));
    const QMouseEvent r = mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(MMouseFlagsFromEvent(&r), unsigned(MK_FLAG_RBUTTON));
    EXPECT_EQ(MMouseFlagsFromEvent(&key), 0u);
    EXPECT_EQ(MMouseFlagsFromEvent(nullptr), 0u);
}
