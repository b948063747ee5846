#include "MDragScroller.h"

int MDragScroller::ClampAxis(int offset, int d, int client, int content)
{
    if (client >= content)
        return -offset;
    if (offset + d > 0)
        d = -offset;
    // The content's end may not come above the client's end.
    const int lowest = client - content;
    if (offset + d < lowest)
        d = lowest - offset;
    return d;
}

QPoint MDragScroller::Move(QPoint d, QSize client, QSize content)
{
    int dx = ClampAxis(m_Offset.x(), d.x(), client.width(), content.width());
    int dy = ClampAxis(m_Offset.y(), d.y(), client.height(), content.height());
    if (!m_AllowX)
        dx = 0;
    if (!m_AllowY)
        dy = 0;
    m_Offset += QPoint(dx, dy);
    return QPoint(dx, dy);
}

QPoint MDragScroller::DragTo(QPoint pointer, QSize client, QSize content)
{
    const QPoint d = pointer - m_Last;
    m_Last = pointer;
    return Move(d, client, content);
}
