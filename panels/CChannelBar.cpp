#include "CChannelBar.h"

#include "CChannelParamWnd.h"
#include "CColorPickerDlg.h"
#include "Globals.h"
#include "MBaseObject.h"
#include "MBaseObjectList.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MSceneObject.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QThread>

#include <unordered_map>

namespace
{
constexpr int kBlockGap = 5;
constexpr int kMargin = 10;
// Width taken off the client width for a block: the scroll indicator's strip.
constexpr int kIndicatorSpace = 8;
} // namespace

CChannelBar::CChannelBar(QWidget* parent) : QWidget(parent)
{
    setObjectName("ChannelBar");
    setWindowTitle("ChannelBar");
    setAccessibleName("ChannelBar");
    setFont(ChannelPanelFont());
    setAutoFillBackground(false);
    m_Scroller.SetAllowed(false, true);
}

CChannelBar::~CChannelBar() = default;

std::function<QAction*(QMenu*, QPoint)>& CChannelBar::PopupRunner()
{
    static std::function<QAction*(QMenu*, QPoint)> runner = [](QMenu* menu, QPoint at)
    { return menu->exec(at); };
    return runner;
}

MBaseObject* CChannelBar::GetBlockObject(int i) const
{
    return i >= 0 && i < GetBlockCount() ? m_Blocks[size_t(i)].object : nullptr;
}

CChannelParamWnd* CChannelBar::GetBlockWindow(int i) const
{
    return i >= 0 && i < GetBlockCount() ? m_Blocks[size_t(i)].window.get() : nullptr;
}

void CChannelBar::RebuildChannels()
{
    m_RebuildQueued = false;
    std::unordered_map<const MBaseObject*, size_t> shown;
    shown.reserve(m_Blocks.size());
    for (size_t i = 0; i < m_Blocks.size(); ++i)
    {
        m_Blocks[i].stale = true;
        shown.emplace(m_Blocks[i].object, i);
    }
    std::vector<Block> added;
    auto keep = [&](MBaseObject* object)
    {
        if (!object)
            return;
        auto found = shown.find(object);
        if (found != shown.end())
            m_Blocks[found->second].stale = false;
        else
        {
            shown.emplace(object, m_Blocks.size() + added.size());
            added.push_back(Block{object, nullptr, false});
        }
    };
    if (g_CurrentScene)
    {
        const MBaseObjectList& selected = g_CurrentScene->GetSelectedList();
        for (int i = 0; i < selected.GetCount(); ++i)
        {
            MBaseObject* object = selected.GetAt(i);
            keep(object);
            // A scene object's parts get blocks of their own: its transform
            // and, when it shows another object's geometry, that geometry.
            if (auto* sceneObject = dynamic_cast<MSceneObject*>(object))
            {
                keep(sceneObject->GetTransform());
                if (sceneObject->GetGeometry() != sceneObject)
                    keep(sceneObject->GetGeometry());
            }
        }
    }
    // Stale blocks go; a window holding the focus hands it to the bar first.
    std::erase_if(m_Blocks,
                  [this](Block& b)
                  {
                      if (b.stale && b.window &&
                          b.window->isAncestorOf(QApplication::focusWidget()))
                          setFocus();
                      return b.stale;
                  });
    for (Block& b : added)
        m_Blocks.push_back(std::move(b));
    for (Block& b : m_Blocks)
        if (b.window)
            b.window->BuildRows();
    m_Scroller.Clamp(size(), ContentSize());
    LayoutBlocks();
    update();
}

void CChannelBar::PostRebuild()
{
    if (m_RebuildQueued)
        return;
    m_RebuildQueued = true;
    QCoreApplication::postEvent(this, new MPrivateEvent(UM_REFRESH_CHANNELS));
}

bool CChannelBar::event(QEvent* event)
{
    if (static_cast<int>(event->type()) == UM_REFRESH_CHANNELS)
    {
        RebuildChannels();
        return true;
    }
    if (event->type() == QEvent::Wheel)
        QThread::msleep(1);
    return QWidget::event(event);
}

QSize CChannelBar::ContentSize() const
{
    int h = 0;
    for (const Block& b : m_Blocks)
        h += CChannelParamWnd::ContentHeight(b.object) + kBlockGap;
    if (!m_Blocks.empty())
        h -= kBlockGap;
    return QSize(width() - kIndicatorSpace + kMargin, h + kMargin);
}

void CChannelBar::MakeWindow(Block& block)
{
    if (!m_Spare.empty())
    {
        block.window = std::move(m_Spare.back());
        m_Spare.pop_back();
        block.window->SetObject(block.object);
    }
    else
    {
        block.window = std::make_unique<CChannelParamWnd>(this, block.object);
        Watch(block.window.get());
    }
    block.window->resize(width() - kIndicatorSpace, CChannelParamWnd::ContentHeight(block.object));
    block.window->BuildRows();
}

void CChannelBar::LayoutBlocks()
{
    const int w = std::max(1, width() - kIndicatorSpace);
    // Windows are kept a screen beyond either edge, so short scrolls make none.
    const int keepTop = -height(), keepBottom = 2 * height();
    QWidget* focus = QApplication::focusWidget();
    std::vector<int> tops(m_Blocks.size());
    int y = m_Scroller.GetOffset().y();
    // First the windows far from view are let go, then the blocks near it
    // take them.
    for (size_t i = 0; i < m_Blocks.size(); ++i)
    {
        Block& b = m_Blocks[i];
        tops[i] = y;
        const int h = CChannelParamWnd::ContentHeight(b.object);
        const bool near = y + h > keepTop && y < keepBottom;
        if (b.window && !near && !b.window->isAncestorOf(focus))
            ReleaseWindow(b);
        y += h + kBlockGap;
    }
    for (size_t i = 0; i < m_Blocks.size(); ++i)
    {
        Block& b = m_Blocks[i];
        const int h = CChannelParamWnd::ContentHeight(b.object);
        const bool near = tops[i] + h > keepTop && tops[i] < keepBottom;
        if (!near && !b.window)
            continue;
        if (!b.window)
            MakeWindow(b);
        b.window->setGeometry(0, tops[i], w, h);
        if (b.window->isHidden())
            b.window->show();
    }
}

void CChannelBar::ReleaseWindow(Block& block)
{
    if (!block.window)
        return;
    // The picker lets go of a row whose object may soon be gone.
    if (g_ColorPicker && g_ColorPicker->IsEditing(block.window.get()))
        g_ColorPicker->AttachRow(nullptr, nullptr);
    // A few spare windows are enough for a screen of blocks.
    if (m_Spare.size() < 64)
    {
        block.window->hide();
        m_Spare.push_back(std::move(block.window));
    }
    block.window.reset();
}

CChannelParamWnd* CChannelBar::ShowBlock(int i)
{
    if (i < 0 || i >= GetBlockCount())
        return nullptr;
    int top = 0;
    for (int k = 0; k < i; ++k)
        top += CChannelParamWnd::ContentHeight(m_Blocks[size_t(k)].object) + kBlockGap;
    const int h = CChannelParamWnd::ContentHeight(m_Blocks[size_t(i)].object);
    const int y = top + GetScrollY();
    if (y < 0)
        ScrollBy(-y);
    else if (y + h > height())
        ScrollBy(height() - (y + h));
    LayoutBlocks();
    Block& b = m_Blocks[size_t(i)];
    if (!b.window)
        MakeWindow(b);
    return b.window.get();
}

void CChannelBar::ScrollBy(int dy)
{
    const QPoint moved = m_Scroller.Move(QPoint(0, dy), size(), ContentSize());
    if (moved.isNull())
        return;
    LayoutBlocks();
    update(width() - 4, 0, 2, height());
}

void CChannelBar::SetAllOpen(bool open)
{
    for (Block& b : m_Blocks)
    {
        if (!b.object)
            continue;
        if (open)
            b.object->AddFlags(OBJ_CHANNELS_OPEN);
        else
            b.object->ClearFlags(OBJ_CHANNELS_OPEN);
        if (b.window)
            b.window->ForgetShown();
    }
    PostRebuild();
}

int CChannelBar::BlockIndexOf(const CChannelParamWnd* window) const
{
    for (size_t i = 0; i < m_Blocks.size(); ++i)
        if (m_Blocks[i].window.get() == window)
            return static_cast<int>(i);
    return -1;
}

void CChannelBar::Watch(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool CChannelBar::Commit(QWidget* source, int key)
{
    auto* block = source ? qobject_cast<CChannelParamWnd*>(source->parentWidget()) : nullptr;
    const int index = BlockIndexOf(block);
    const int rowIndex = index >= 0 ? block->FindRow(source) : -1;
    if (rowIndex < 0)
    {
        if (g_MainWnd)
            g_MainWnd->setFocus();
        return false;
    }
    ChannelRow& row = block->GetRow(rowIndex);
    row.valueText = row.EditorText();
    if (key != Qt::Key_Escape && row.object)
    {
        auto* node = new MParameterUndoNode();
        node->AddParameter(row.object, row.paramName);
        node->SetName(MStr("Edit ") + row.labelText);
        g_UndoList.AddNode(node);
        // No key mode is kept, so values are set plainly.
        row.object->SetParamByName(row.paramName, row.valueText, false);
        if (MBaseObject* object = block->GetObject())
            object->SetTime(g_CurrentScene ? g_CurrentScene->GetTime() : 0);
        MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
        MSendMessage(UM_REFRESH_CHANNELS);
    }
    // The messages may have rebuilt the bar: find the row again.
    const int again = BlockIndexOf(block);
    const int againRow = again >= 0 ? block->FindRow(source) : -1;
    if (againRow >= 0)
        block->RefreshRow(block->GetRow(againRow));
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && againRow >= 0)
        MoveFocus(again, againRow, key == Qt::Key_Backtab);
    else if (g_MainWnd)
        g_MainWnd->setFocus();
    else
        setFocus();
    return true;
}

void CChannelBar::MoveFocus(int block, int row, bool backwards)
{
    const int count = GetBlockCount();
    CChannelParamWnd* window = GetBlockWindow(block);
    if (!window || count == 0)
        return;
    if (!backwards)
    {
        if (row + 1 < window->GetRowCount())
        {
            window->FocusRow(row + 1);
            return;
        }
        const int next = (block + 1) % count;
        if (CChannelParamWnd* w = ShowBlock(next))
            w->FocusRow(0);
        return;
    }
    if (row > 0)
    {
        window->FocusRow(row - 1);
        return;
    }
    const int previous = (block + count - 1) % count;
    if (CChannelParamWnd* w = ShowBlock(previous))
        w->FocusRow(w->GetRowCount() - 1);
}

bool CChannelBar::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type())
    {
    case QEvent::KeyPress:
    {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
            key == Qt::Key_Backtab || key == Qt::Key_Escape)
        {
            if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget))
            {
                // Shift+Tab arrives as Backtab.
                const bool shiftTab =
                    key == Qt::Key_Tab &&
                    (static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier);
                const int k = key == Qt::Key_Enter ? Qt::Key_Return
                              : shiftTab           ? Qt::Key_Backtab
                                                   : key;
                Commit(widget, k);
                return true;
            }
        }
        break;
    }
    case QEvent::KeyRelease:
        // Releases in an editor stop there: passed up to the bar they would
        // reach the main window's key bindings.
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget))
            return true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return FilterMouse(widget, event);
    default:
        break;
    }
    return false;
}

// Drag scrolling: the middle button anywhere on the bar, the left button on
// its background.
bool CChannelBar::FilterMouse(QWidget* widget, QEvent* event)
{
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = mapFromGlobal(me->globalPosition().toPoint());
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
        if (me->button() == Qt::MiddleButton || (me->button() == Qt::LeftButton && widget == this))
        {
            m_Scroller.Begin(p);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m_Scroller.IsDragging() && (me->button() == Qt::MiddleButton ||
                                        (me->button() == Qt::LeftButton && widget == this)))
        {
            m_Scroller.End();
            return true;
        }
        return false;
    case QEvent::MouseMove:
        if (!m_Scroller.IsDragging())
            return false;
        if (!m_Scroller.DragTo(p, size(), ContentSize()).isNull())
        {
            LayoutBlocks();
            update(width() - 4, 0, 2, height());
        }
        return true;
    default:
        return false;
    }
}

void CChannelBar::mousePressEvent(QMouseEvent* event)
{
    if (!FilterMouse(this, event))
        QWidget::mousePressEvent(event);
}

void CChannelBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!FilterMouse(this, event))
        QWidget::mouseMoveEvent(event);
}

void CChannelBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!FilterMouse(this, event))
        QWidget::mouseReleaseEvent(event);
}

void CChannelBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_Scroller.Clamp(size(), ContentSize());
    LayoutBlocks();
}

void CChannelBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int r = width(), h = height();
    p.fillRect(QRect(0, 0, r - 4, h), palette().color(QPalette::Button));
    p.fillRect(QRect(r - 2, 0, 2, h), palette().color(QPalette::Button));
    // The scroll indicator: a 2-pixel strip with a thumb for the part in view.
    const QRect strip(r - 4, 0, 2, h);
    p.fillRect(strip, palette().color(QPalette::Mid));
    const int content = ContentSize().height();
    const double ratio = content > 0 ? double(h) / content : 1.0;
    if (ratio < 1.0)
    {
        const int sy = GetScrollY();
        const int top = -static_cast<int>(sy * ratio);
        const int bottom = static_cast<int>(h * ratio) - static_cast<int>(sy * ratio);
        p.fillRect(QRect(QPoint(r - 4, top), QPoint(r - 3, bottom)), Qt::black);
    }
    else
        p.fillRect(strip, Qt::black);
}
