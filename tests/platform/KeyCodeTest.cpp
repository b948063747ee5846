#include "MKeyCodes.h"
#include "MKeyState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace
{
unsigned Vk(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    return MVirtualKeyFromQt(key, mods);
}
} // namespace

TEST(KeyCodes, LettersDigitsAndFunctionKeys)
{
    EXPECT_EQ(Vk(Qt::Key_A), 65u);
    EXPECT_EQ(Vk(Qt::Key_Z), 90u);
    EXPECT_EQ(Vk(Qt::Key_0), 48u);
    EXPECT_EQ(Vk(Qt::Key_9), 57u);
    EXPECT_EQ(Vk(Qt::Key_F1), 112u);
    EXPECT_EQ(Vk(Qt::Key_F10), 121u);
    EXPECT_EQ(Vk(Qt::Key_F24), 135u);
    EXPECT_EQ(Vk(Qt::Key_F25), 0u);
    // Shift, Ctrl and Alt do not change the code.
    EXPECT_EQ(Vk(Qt::Key_Q, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 81u);
}

TEST(KeyCodes, NamedKeys)
{
    const struct
    {
        int key;
        unsigned vk;
    } named[] = {
        {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},
        {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},       {Qt::Key_CapsLock, 20},
        {Qt::Key_Escape, 27},       {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34},     {Qt::Key_End, 35},         {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},         {Qt::Key_Up, 38},          {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},         {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46},
        {Qt::Key_NumLock, 144},     {Qt::Key_ScrollLock, 145}, {Qt::Key_Semicolon, 186},
        {Qt::Key_Equal, 187},       {Qt::Key_Comma, 188},      {Qt::Key_Minus, 189},
        {Qt::Key_Period, 190},      {Qt::Key_Slash, 191},      {Qt::Key_QuoteLeft, 192},
        {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},  {Qt::Key_BracketRight, 221},
        {Qt::Key_Apostrophe, 222},
    };
    for (const auto& n : named)
        EXPECT_EQ(Vk(n.key), n.vk) << std::hex << n.key;
}

TEST(KeyCodes, KeypadKeysGiveTheirOwnCodes)
{
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Vk(Qt::Key_0 + i, Qt::KeypadModifier), 96u + unsigned(i));
    EXPECT_EQ(Vk(Qt::Key_Asterisk, Qt::KeypadModifier), 106u);
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::KeypadModifier), 107u);
    EXPECT_EQ(Vk(Qt::Key_Minus, Qt::KeypadModifier), 109u);
    EXPECT_EQ(Vk(Qt::Key_Period, Qt::KeypadModifier), 110u);
    EXPECT_EQ(Vk(Qt::Key_Comma, Qt::KeypadModifier), 110u);
    EXPECT_EQ(Vk(Qt::Key_Slash, Qt::KeypadModifier | Qt::ShiftModifier), 111u);
    // Keys the keypad shares with the main block keep their codes.
    EXPECT_EQ(Vk(Qt::Key_Enter, Qt::KeypadModifier), 13u);
    EXPECT_EQ(Vk(Qt::Key_Home, Qt::KeypadModifier), 36u);
    EXPECT_EQ(Vk(Qt::Key_Delete, Qt::KeypadModifier), 46u);
}

TEST(KeyCodes, ShiftedSymbolsGiveTheKeyThatMakesThem)
{
    EXPECT_EQ(Vk(Qt::Key_Colon, Qt::ShiftModifier), 186u);
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::ShiftModifier), 187u);
    EXPECT_EQ(Vk(Qt::Key_Asterisk, Qt::ShiftModifier), 56u);
    EXPECT_EQ(Vk(Qt::Key_Underscore), 189u);
    EXPECT_EQ(Vk(Qt::Key_Question), 191u);
    EXPECT_EQ(Vk(Qt::Key_AsciiTilde), 192u);
    EXPECT_EQ(Vk(Qt::Key_BraceLeft), 219u);
    EXPECT_EQ(Vk(Qt::Key_Bar), 220u);
    EXPECT_EQ(Vk(Qt::Key_QuoteDbl), 222u);
    EXPECT_EQ(Vk(Qt::Key_Exclam), 49u);
    EXPECT_EQ(Vk(Qt::Key_ParenRight), 48u);
}

TEST(KeyCodes, KeysWithoutCodeGiveZero)
{
    EXPECT_EQ(Vk(Qt::Key_unknown), 0u);
    EXPECT_EQ(Vk(0), 0u);
    EXPECT_EQ(Vk(Qt::Key_Meta), 0u);
    // Latin-1 letters must not pass through as codes of other keys.
    EXPECT_EQ(Vk(Qt::Key_Eacute), 0u);
    EXPECT_EQ(Vk(Qt::Key_Adiaeresis), 0u);
    EXPECT_EQ(Vk(Qt::Key_A, Qt::KeypadModifier), 65u);
}

TEST(KeyCodes, EveryCodeWithAQtKeyMapsBack)
{
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
    EXPECT_EQ(MQtKeyFromVirtualKey(108), 0);
    EXPECT_EQ(MQtKeyFromVirtualKey(0), 0);
    EXPECT_EQ(MQtKeyFromVirtualKey(0x10000), 0);
}

namespace
{
QMouseEvent Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    return QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), button, buttons, mods);
}
} // namespace

TEST(KeyState, MouseFlagsSetEveryFlagTheyCarry)
{
    MKeyState s;
    s.right = 1;
    s.ReadMouseFlags(MK_FLAG_LBUTTON | MK_FLAG_SHIFT | MK_FLAG_MBUTTON);
    EXPECT_EQ(s.left, 1);
    EXPECT_EQ(s.shift, 1);
    EXPECT_EQ(s.middle, 1);
    EXPECT_EQ(s.right, 0); // cleared: the flags say it is up
    EXPECT_EQ(s.ctrl, 0);
    s.ReadMouseFlags(MK_FLAG_RBUTTON | MK_FLAG_CONTROL);
    EXPECT_EQ(s.right, 1);
    EXPECT_EQ(s.ctrl, 1);
    EXPECT_EQ(s.left + s.shift + s.middle, 0);

    // Reading the keyboard leaves the buttons alone.
    s.ReadKeyboard();
    EXPECT_EQ(s.right, 1);
}

TEST(KeyState, ButtonEventsSetAndClearTheirButton)
{
    MKeyState s;
    const QMouseEvent leftDown = Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    s.UpdateFromButtonEvent(&leftDown);
    EXPECT_EQ(s.left, 1);
    const QMouseEvent middleDown =
        Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton);
    s.UpdateFromButtonEvent(&middleDown);
    const QMouseEvent rightTwice =
        Mouse(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::RightButton);
    s.UpdateFromButtonEvent(&rightTwice);
    MKeyState expected;
    expected.left = expected.middle = expected.right = 1;
    EXPECT_EQ(s, expected);

    const QMouseEvent leftUp = Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::MiddleButton);
    s.UpdateFromButtonEvent(&leftUp);
    EXPECT_EQ(s.left, 0);
    EXPECT_EQ(s.middle, 1);

    // Moves, other buttons and other events change nothing.
    const MKeyState before = s;
    const QMouseEvent move = Mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    s.UpdateFromButtonEvent(&move);
    const QMouseEvent back = Mouse(QEvent::MouseButtonRelease, Qt::BackButton, Qt::NoButton);
    s.UpdateFromButtonEvent(&back);
    const QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    s.UpdateFromButtonEvent(&key);
    s.UpdateFromButtonEvent(nullptr);
    EXPECT_EQ(s, before);

    s.Clear();
    EXPECT_EQ(s, MKeyState());
}

TEST(KeyState, MouseFlagsFromAnEvent)
{
    const QMouseEvent e = Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::MiddleButton,
                                Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(MMouseFlagsFromEvent(&e),
              unsigned(MK_FLAG_LBUTTON | MK_FLAG_MBUTTON | MK_FLAG_SHIFT | MK_FLAG_CONTROL));
    const QMouseEvent r = Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(MMouseFlagsFromEvent(&r), unsigned(MK_FLAG_RBUTTON));
    const QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(MMouseFlagsFromEvent(&key), 0u);
    EXPECT_EQ(MMouseFlagsFromEvent(nullptr), 0u);
}
