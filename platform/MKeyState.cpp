#include "MKeyState.h"

#include <QGuiApplication>
#include <QMouseEvent>

namespace
{
uint8_t AltDown()
{
    return (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) ? 1 : 0;
}
} // namespace

void MKeyState::ReadKeyboard()
{
    Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    alt = (m & Qt::AltModifier) ? 1 : 0;
    ctrl = (m & Qt::ControlModifier) ? 1 : 0;
    shift = (m & Qt::ShiftModifier) ? 1 : 0;
}

void MKeyState::ReadMouseFlags(unsigned flags)
{
    ctrl = (flags & MK_FLAG_CONTROL) ? 1 : 0;
    shift = (flags & MK_FLAG_SHIFT) ? 1 : 0;
    left = (flags & MK_FLAG_LBUTTON) ? 1 : 0;
    right = (flags & MK_FLAG_RBUTTON) ? 1 : 0;
    middle = (flags & MK_FLAG_MBUTTON) ? 1 : 0;
    alt = AltDown();
}

void MKeyState::UpdateFromButtonEvent(const QEvent* event)
{
    if (!event)
        return;
    QEvent::Type t = event->type();
    bool down = t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick;
    if (!down && t != QEvent::MouseButtonRelease)
        return;
    auto* me = static_cast<const QMouseEvent*>(event);
    uint8_t v = down ? 1 : 0;
    switch (me->button())
    {
    case Qt::LeftButton:
        left = v;
        break;
    case Qt::RightButton:
        right = v;
        break;
    case Qt::MiddleButton:
        middle = v;
        break;
    default:
        break;
    }
}

unsigned MMouseFlagsFromEvent(const QEvent* event)
{
    if (!event)
        return 0;
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        break;
    default:
        return 0;
    }
    auto* me = static_cast<const QMouseEvent*>(event);
    unsigned flags = 0;
    Qt::MouseButtons b = me->buttons();
    if (b & Qt::LeftButton)
        flags |= MK_FLAG_LBUTTON;
    if (b & Qt::RightButton)
        flags |= MK_FLAG_RBUTTON;
    if (b & Qt::MiddleButton)
        flags |= MK_FLAG_MBUTTON;
    if (me->modifiers() & Qt::ShiftModifier)
        flags |= MK_FLAG_SHIFT;
    if (me->modifiers() & Qt::ControlModifier)
        flags |= MK_FLAG_CONTROL;
    return flags;
}
