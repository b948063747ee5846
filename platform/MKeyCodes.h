#pragma once

#include <QtCore/qnamespace.h>

// Virtual-key codes: the numbers the key file stores for keys. Letters and
// digits are their upper-case characters (65-90, 48-57), F1-F24 are 112-135,
// the keypad digits 96-105 and the keypad operators 106-111; the punctuation
// keys carry the numbers of their places on a US keyboard (186-192, 219-222).
enum : unsigned
{
    MVK_BACK = 8,
    MVK_TAB = 9,
    MVK_CLEAR = 12,
    MVK_RETURN = 13,
    MVK_SHIFT = 16,
    MVK_CONTROL = 17,
    MVK_MENU = 18,
    MVK_PAUSE = 19,
    MVK_CAPITAL = 20,
    MVK_ESCAPE = 27,
    MVK_SPACE = 32,
    MVK_PRIOR = 33,
    MVK_NEXT = 34,
    MVK_END = 35,
    MVK_HOME = 36,
    MVK_LEFT = 37,
    MVK_UP = 38,
    MVK_RIGHT = 39,
    MVK_DOWN = 40,
    MVK_SNAPSHOT = 44,
    MVK_INSERT = 45,
    MVK_DELETE = 46,
    MVK_APPS = 93,
    MVK_NUMPAD0 = 96,
    MVK_MULTIPLY = 106,
    MVK_ADD = 107,
    MVK_SEPARATOR = 108,
    MVK_SUBTRACT = 109,
    MVK_DECIMAL = 110,
    MVK_DIVIDE = 111,
    MVK_F1 = 112,
    MVK_F24 = 135,
    MVK_NUMLOCK = 144,
    MVK_SCROLL = 145,
    MVK_OEM_1 = 186,      // ;
    MVK_OEM_PLUS = 187,   // =
    MVK_OEM_COMMA = 188,  // ,
    MVK_OEM_MINUS = 189,  // -
    MVK_OEM_PERIOD = 190, // .
    MVK_OEM_2 = 191,      // /
    MVK_OEM_3 = 192,      // `
    MVK_OEM_4 = 219,      // [
    MVK_OEM_5 = 220,      // backslash
    MVK_OEM_6 = 221,      // ]
    MVK_OEM_7 = 222,      // '
};

// The virtual-key code of a Qt key, 0 when the key has none. With
// Qt::KeypadModifier the digits and operators give the keypad codes.
//
// A key pressed with Shift arrives as its shifted symbol (Shift+; as ':'), so
// the shifted symbols of the US layout map back to the key that produces them
// (':' to 186, '!' to 49, '{' to 219, ...), as the virtual-key code of a
// key does not change with Shift. The one symbol that two keys produce on
// that layout, '*' and '+' (the main keys and the keypad), is told apart by
// the keypad modifier.
unsigned MVirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers mods);

// The Qt key of a virtual-key code as a combined key value (key plus
// Qt::KeypadModifier for the keypad codes); 0 when the code has none. The
// unshifted key is given for codes that stand for a key with two symbols.
int MQtKeyFromVirtualKey(unsigned vk);
