#pragma once

#include "MDragScroller.h"

#include <QWidget>

// A page whose children the user scrolls by dragging: the middle button from
// anywhere on the page or its children, the left button from the page's own
// background. The content is the children's extent plus 10 pixels right and
// below; the clamps are the channel bar's (MDragScroller).
class CDragScrollDlg : public QWidget
{
    Q_OBJECT
  public:
    explicit CDragScrollDlg(QWidget* parent = nullptr);

    static constexpr int kMargin = 10;

    // Which directions a drag may scroll (both by default).
    void SetScrollAllowed(bool horizontal, bool vertical);
    QPoint GetScrollOffset() const { return m_Scroller.GetOffset(); }
    // The children's extent, unscrolled, plus the margin.
    QSize ContentSize() const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Watch(QObject* object);
    bool FilterMouse(QWidget* widget, QEvent* event);
    void ScrollChildren(QPoint d);

    MDragScroller m_Scroller;
};
