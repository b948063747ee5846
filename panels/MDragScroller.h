#pragma once

#include <QPoint>
#include <QSize>

// Drag scrolling of a panel whose children are moved by an offset: the
// offset (0 or negative on each axis), the drag in progress and the clamps
// that keep the content in view. The channel bar and the shelf panels share
// it; the owner moves its children by what Move returns.
class MDragScroller
{
  public:
    void SetAllowed(bool horizontal, bool vertical)
    {
        m_AllowX = horizontal;
        m_AllowY = vertical;
    }
    QPoint GetOffset() const { return m_Offset; }
    void SetOffset(QPoint offset) { m_Offset = offset; }

    void Begin(QPoint pointer)
    {
        m_Dragging = true;
        m_Last = pointer;
    }
    void End() { m_Dragging = false; }
    bool IsDragging() const { return m_Dragging; }

    // The pointer moved while dragging: the clamped move (already added to
    // the offset), zero when nothing is to scroll. The pointer is stored.
    QPoint DragTo(QPoint pointer, QSize client, QSize content);
    // Clamps the offset for a new client or content size (a zero move).
    QPoint Clamp(QSize client, QSize content) { return Move(QPoint(0, 0), client, content); }
    // Moves the offset by d, clamped; returns the move applied.
    QPoint Move(QPoint d, QSize client, QSize content);

    // One axis: the part of a move d that keeps an offset within the content
    // (content is the extent of the children plus the margin). When the
    // client holds the whole content the move brings the offset to 0.
    static int ClampAxis(int offset, int d, int client, int content);

  private:
    QPoint m_Offset;
    QPoint m_Last;
    bool m_Dragging = false;
    bool m_AllowX = false;
    bool m_AllowY = true;
};
