#include "MKeyCodes.h"

#include <iterator>

namespace
{
struct KeyEntry
{
    int qtKey;
    unsigned vk;
};

// Keys whose code is the same on and off the keypad. Where two Qt keys give
// one code, the key without Shift comes first: the reverse look-up takes it.
constexpr KeyEntry kKeys[] = {
    {Qt::Key_Backspace, MVK_BACK},
    {Qt::Key_Tab, MVK_TAB},
    {Qt::Key_Backtab, MVK_TAB}, // Shift+Tab
    {Qt::Key_Clear, MVK_CLEAR},
    {Qt::Key_Return, MVK_RETURN},
    {Qt::Key_Enter, MVK_RETURN},
    {Qt::Key_Shift, MVK_SHIFT},
    {Qt::Key_Control, MVK_CONTROL},
    {Qt::Key_Alt, MVK_MENU},
    {Qt::Key_Pause, MVK_PAUSE},
    {Qt::Key_CapsLock, MVK_CAPITAL},
    {Qt::Key_Escape, MVK_ESCAPE},
    {Qt::Key_Space, MVK_SPACE},
    {Qt::Key_PageUp, MVK_PRIOR},
    {Qt::Key_PageDown, MVK_NEXT},
    {Qt::Key_End, MVK_END},
    {Qt::Key_Home, MVK_HOME},
    {Qt::Key_Left, MVK_LEFT},
    {Qt::Key_Up, MVK_UP},
    {Qt::Key_Right, MVK_RIGHT},
    {Qt::Key_Down, MVK_DOWN},
    {Qt::Key_Print, MVK_SNAPSHOT},
    {Qt::Key_Insert, MVK_INSERT},
    {Qt::Key_Delete, MVK_DELETE},
    {Qt::Key_Menu, MVK_APPS},
    {Qt::Key_NumLock, MVK_NUMLOCK},
    {Qt::Key_ScrollLock, MVK_SCROLL},
    // Punctuation keys and, behind each, the symbol Shift gives on them.
    {Qt::Key_Semicolon, MVK_OEM_1},
    {Qt::Key_Colon, MVK_OEM_1},
    {Qt::Key_Equal, MVK_OEM_PLUS},
    {Qt::Key_Plus, MVK_OEM_PLUS},
    {Qt::Key_Comma, MVK_OEM_COMMA},
    {Qt::Key_Less, MVK_OEM_COMMA},
    {Qt::Key_Minus, MVK_OEM_MINUS},
    {Qt::Key_Underscore, MVK_OEM_MINUS},
    {Qt::Key_Period, MVK_OEM_PERIOD},
    {Qt::Key_Greater, MVK_OEM_PERIOD},
    {Qt::Key_Slash, MVK_OEM_2},
    {Qt::Key_Question, MVK_OEM_2},
    {Qt::Key_QuoteLeft, MVK_OEM_3},
    {Qt::Key_AsciiTilde, MVK_OEM_3},
    {Qt::Key_BracketLeft, MVK_OEM_4},
    {Qt::Key_BraceLeft, MVK_OEM_4},
    {Qt::Key_Backslash, MVK_OEM_5},
    {Qt::Key_Bar, MVK_OEM_5},
    {Qt::Key_BracketRight, MVK_OEM_6},
    {Qt::Key_BraceRight, MVK_OEM_6},
    {Qt::Key_Apostrophe, MVK_OEM_7},
    {Qt::Key_QuoteDbl, MVK_OEM_7},
    // The symbols Shift gives on the digit keys.
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
};

// Keys that give another code when they come from the keypad (the digits
// are handled apart). A keypad decimal key gives ',' in some locales.
constexpr KeyEntry kKeypadKeys[] = {
    {Qt::Key_Asterisk, MVK_MULTIPLY}, {Qt::Key_Plus, MVK_ADD},      {Qt::Key_Minus, MVK_SUBTRACT},
    {Qt::Key_Period, MVK_DECIMAL},    {Qt::Key_Comma, MVK_DECIMAL}, {Qt::Key_Slash, MVK_DIVIDE},
};

unsigned Lookup(const KeyEntry* begin, const KeyEntry* end, int qtKey)
{
    for (const KeyEntry* e = begin; e != end; ++e)
        if (e->qtKey == qtKey)
            return e->vk;
    return 0;
}
} // namespace

unsigned MVirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers mods)
{
    if (mods & Qt::KeypadModifier)
    {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return MVK_NUMPAD0 + unsigned(qtKey - Qt::Key_0);
        if (unsigned vk = Lookup(std::begin(kKeypadKeys), std::end(kKeypadKeys), qtKey))
            return vk;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return unsigned(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return MVK_F1 + unsigned(qtKey - Qt::Key_F1);
    return Lookup(std::begin(kKeys), std::end(kKeys), qtKey);
}

int MQtKeyFromVirtualKey(unsigned vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return int(vk);
    if (vk >= MVK_F1 && vk <= MVK_F24)
        return Qt::Key_F1 + int(vk - MVK_F1);
    if (vk >= MVK_NUMPAD0 && vk < MVK_NUMPAD0 + 10)
        return (Qt::Key_0 + int(vk - MVK_NUMPAD0)) | int(Qt::KeypadModifier);
    for (const KeyEntry& e : kKeypadKeys)
        if (e.vk == vk)
            return e.qtKey | int(Qt::KeypadModifier);
    for (const KeyEntry& e : kKeys)
        if (e.vk == vk)
            return e.qtKey;
    return 0;
}
