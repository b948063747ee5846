#include "CDragScrollDlg.h"

#include <QChildEvent>
#include <QMouseEvent>

CDragScrollDlg::CDragScrollDlg(QWidget* parent) : QWidget(parent)
{
    m_Scroller.SetAllowed(true, true);
}

void CDragScrollDlg::SetScrollAllowed(bool horizontal, bool vertical)
{
    m_Scroller.SetAllowed(horizontal, vertical);
}

QSize CDragScrollDlg::ContentSize() const
{
    int right = 0, bottom = 0;
    const QPoint offset = m_Scroller.GetOffset();
    for (QObject* object : children())
    {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        const QRect g = child->geometry().translated(-offset);
        right = std::max(right, g.right() + 1);
        bottom = std::max(bottom, g.bottom() + 1);
    }
    return QSize(right + kMargin, bottom + kMargin);
}

void CDragScrollDlg::ScrollChildren(QPoint d)
{
    if (d.isNull())
        return;
    for (QObject* object : children())
        if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow())
            child->move(child->pos() + d);
    update();
}

void CDragScrollDlg::Watch(QObject* object)
{
    if (!object->isWidgetType())
        return;
    object->installEventFilter(this);
    for (QObject* child : object->children())
        Watch(child);
}

bool CDragScrollDlg::event(QEvent* event)
{
    switch (event->type())
    {
    case QEvent::ChildAdded:
        Watch(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        if (FilterMouse(this, event))
            return true;
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool CDragScrollDlg::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type())
    {
    case QEvent::ChildAdded:
        Watch(static_cast<QChildEvent*>(event)->child());
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return FilterMouse(widget, event);
    default:
        return false;
    }
}

bool CDragScrollDlg::FilterMouse(QWidget* widget, QEvent* event)
{
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = mapFromGlobal(me->globalPosition().toPoint());
    const bool ours =
        me->button() == Qt::MiddleButton || (me->button() == Qt::LeftButton && widget == this);
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
        if (!ours)
            return false;
        m_Scroller.Begin(p);
        return true;
    case QEvent::MouseButtonRelease:
        if (!ours || !m_Scroller.IsDragging())
            return false;
        m_Scroller.End();
        return true;
    case QEvent::MouseMove:
        if (!m_Scroller.IsDragging())
            return false;
        ScrollChildren(m_Scroller.DragTo(p, size(), ContentSize()));
        return true;
    default:
        return false;
    }
}

void CDragScrollDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ScrollChildren(m_Scroller.Clamp(size(), ContentSize()));
}
