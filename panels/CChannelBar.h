#pragma once

#include "MDragScroller.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CChannelParamWnd;
class MBaseObject;
class QAction;
class QMenu;
struct ChannelRow;

// The parameter panel: a block per selected object, laid out top to bottom
// and scrolled by dragging. A block's window is made only while it is in or
// near view, so a selection of thousands of objects costs a record each.
class CChannelBar : public QWidget
{
    Q_OBJECT
  public:
    explicit CChannelBar(QWidget* parent = nullptr);
    ~CChannelBar() override;

    // Brings the blocks in step with the current scene's selection.
    void RebuildChannels();
    // Queues a RebuildChannels (what a block asks for after opening).
    void PostRebuild();

    int GetBlockCount() const { return static_cast<int>(m_Blocks.size()); }
    MBaseObject* GetBlockObject(int i) const;
    // The block's window, made (and scrolled into view) when it has none.
    CChannelParamWnd* ShowBlock(int i);
    // The block's window when it has one.
    CChannelParamWnd* GetBlockWindow(int i) const;
    int GetScrollY() const { return m_Scroller.GetOffset().y(); }
    // The extent of the blocks plus the margin.
    QSize ContentSize() const;
    // Scrolls by a move, clamped as a drag would be.
    void ScrollBy(int dy);

    // Writes an editor's text into its row's parameter with an undo node
    // (not for Escape), then moves the focus: key is Qt::Key_Return,
    // Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape, or 0 for a choice made
    // in a choice box. False when source is no row's editor.
    bool Commit(QWidget* source, int key);
    // Every block's object opened or closed.
    void SetAllOpen(bool open);
    // Runs a popup menu at a screen point; tests replace it to choose an item.
    static std::function<QAction*(QMenu*, QPoint)>& PopupRunner();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    friend class CChannelParamWnd;
    struct Block
    {
        MBaseObject* object = nullptr;
        std::unique_ptr<CChannelParamWnd> window;
        bool stale = false;
    };

    // Places the blocks; makes windows for those in or near view and lets go
    // of those far from it.
    void LayoutBlocks();
    void MakeWindow(Block& block);
    void ReleaseWindow(Block& block);
    int BlockIndexOf(const CChannelParamWnd* window) const;
    void Watch(QWidget* widget);
    bool FilterMouse(QWidget* widget, QEvent* event);
    void MoveFocus(int block, int row, bool backwards);

    std::vector<Block> m_Blocks;
    // Windows of blocks that scrolled away, handed on to blocks coming into view.
    std::vector<std::unique_ptr<CChannelParamWnd>> m_Spare;
    MDragScroller m_Scroller;
    bool m_RebuildQueued = false;
};
