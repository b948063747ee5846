#pragma once

#include "MStr.h"

#include <QWidget>

#include <functional>
#include <map>
#include <vector>

// The frame ruler: a range of frames, the current frame clamped into it, and
// the keys of a few key lists marked in red. Clicking and dragging chooses
// the frame; the panel that owns it is told through the handlers.
class CTimeScroller : public QWidget
{
    Q_OBJECT
  public:
    explicit CTimeScroller(QWidget* parent = nullptr);

    // A key list: values by time in ticks, as a keyed parameter holds them.
    using KeyTimes = std::map<int, MStr>;

    void SetRange(int first, int last);
    int GetFirst() const { return m_First; }
    int GetLast() const { return m_Last; }
    void SetPosition(int frame);
    int GetPosition() const { return m_Position; }

    void ClearKeyLists() { m_KeyLists.clear(); }
    // A list already marked is not added again; new lists go first.
    void AddKeyList(const KeyTimes* keys);
    int GetKeyListCount() const { return static_cast<int>(m_KeyLists.size()); }

    // The frame a click at client x chooses.
    int FrameAtX(int x) const;
    // Left edge of frame i (counted from the first) over an inner width.
    static int FrameX(int i, int innerWidth, int frames);
    // The step between labelled frames: the smallest multiple of 5 whose
    // labels do not overlap and which divides the frame count rounded down
    // to tens (or reaches the count). A label ends 5 pixels after its text,
    // which starts 2 pixels right of its frame's tick. textWidth gives a
    // label's width.
    static int LabelStep(int frames, int innerWidth, const std::function<int(int)>& textWidth);

    // The panel's handlers: drag begin (old frame), a thumb-track move (new
    // frame) and drag end (frame).
    std::function<void(int)> onDragBegin;
    std::function<void(int)> onTrack;
    std::function<void(int)> onDragEnd;

    bool IsDragging() const { return m_Dragging; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void MoveTo(int x, bool paintNow);

    int m_First = 0;
    int m_Last = 200;
    int m_Position = 0;
    bool m_Dragging = false;
    std::vector<const KeyTimes*> m_KeyLists;
};
