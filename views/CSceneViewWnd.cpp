#include "CSceneViewWnd.h"

#include "Globals.h"
#include "MBaseViewWndList.h"

#include <QMenu>
#include <QPainter>
#include <QResizeEvent>

CSceneViewWnd::CSceneViewWnd(QWidget* parent, Qt::WindowFlags flags) : MBaseViewWnd(parent, flags)
{
}

MBaseObject* CSceneViewWnd::CreateNew() const
{
    auto* copy = new CSceneViewWnd();
    CopyViewSettingsTo(copy);
    return copy;
}

void CSceneViewWnd::Redraw()
{
    update();
}

void CSceneViewWnd::ShowPopupMenu(int screenX, int screenY)
{
    QMenu menu(this);
    AppendViewMenu(&menu);
    RunPopupMenu(&menu, screenX, screenY);
}

void CSceneViewWnd::resizeEvent(QResizeEvent* event)
{
    MBaseViewWnd::resizeEvent(event);
    // A right click anywhere in the view opens its popup menu.
    m_LabelRect = {0, 0, event->size().width() - 1, event->size().height() - 1};
}

void CSceneViewWnd::paintGL()
{
    const int w = width();
    const int h = height();
    if (w == 0 || h == 0)
        return;
    const uint32_t c = g_ColourValues[0];
    QPainter painter(this);
    painter.fillRect(rect(), QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));

    painter.setPen(Qt::white);
    const QFontMetrics fm(font());
    painter.drawText(QPoint(4, 2 + fm.ascent()), QString::fromUtf8(m_ViewName.c_str()));

    // The corner box: the left square toggles the full view.
    painter.fillRect(QRect(w - 36, 0, 36, 18), QColor(0, 0, 0, 51));
    painter.fillRect(QRect(w - 35, 1, 16, 16), QColor(255, 255, 255, 102));
    painter.fillRect(QRect(w - 18, 1, 16, 16), QColor(255, 255, 255, 102));

    if (g_ActiveView == this)
    {
        QPen pen(QColor(0, 0x4C, 0));
        pen.setWidth(3);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(1, 1, w - 3, h - 3));
    }
}
