#include "CTimeScroller.h"

#include "MTypes.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
// Ticks to frames, as the key marks convert them.
constexpr double kFramesPerTick = 0.008333334;
} // namespace

CTimeScroller::CTimeScroller(QWidget* parent) : QWidget(parent)
{
    setWindowTitle("TimeScroller");
    setObjectName("TimeScroller");
    setAccessibleName("Frame ruler");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void CTimeScroller::SetRange(int first, int last)
{
    m_First = first;
    m_Last = last;
    SetPosition(m_Position);
}

void CTimeScroller::SetPosition(int frame)
{
    const int low = std::min(m_First, m_Last), high = std::max(m_First, m_Last);
    m_Position = std::clamp(frame, low, high);
}

void CTimeScroller::AddKeyList(const KeyTimes* keys)
{
    if (!keys || std::find(m_KeyLists.begin(), m_KeyLists.end(), keys) != m_KeyLists.end())
        return;
    m_KeyLists.insert(m_KeyLists.begin(), keys);
}

int CTimeScroller::FrameAtX(int x) const
{
    const int span = m_Last - m_First;
    if (span <= 0 || width() <= 0)
        return m_First;
    const double perFrame = double(width()) / span;
    return m_First + static_cast<int>(std::trunc(x / perFrame + 0.5));
}

int CTimeScroller::FrameX(int i, int innerWidth, int frames)
{
    if (frames <= 0)
        return 1;
    return static_cast<int>(int64_t(i) * innerWidth / frames) + 1;
}

int CTimeScroller::LabelStep(int frames, int innerWidth, const std::function<int(int)>& textWidth)
{
    if (frames <= 0)
        return 5;
    for (int step = 5;; step += 5)
    {
        bool overlap = false;
        int end = 0;
        for (int i = 0; i < frames && !overlap; i += step)
        {
            const int x = FrameX(i, innerWidth, frames) + 2;
            if (x <= end)
                overlap = true;
            else
                end = x + textWidth(i) + 5;
        }
        if (overlap)
            continue;
        if (step >= frames || (frames - frames % 10) % step == 0)
            return step;
    }
}

void CTimeScroller::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    p.fillRect(all, Qt::black);
    const QRect inner = all.adjusted(1, 1, -1, -1);
    p.fillRect(inner, palette().color(QPalette::Button));
    const int frames = m_Last - m_First + 1;
    if (frames <= 0 || inner.width() <= 0)
        return;
    const int w = inner.width(), h = inner.height();
    const QFontMetrics metrics(font());
    auto label = [&](int i) { return QString::number(m_First + i); };
    const int step =
        LabelStep(frames, w, [&](int i) { return metrics.horizontalAdvance(label(i)); });

    for (int i = 0; i < frames; i += step)
        p.fillRect(FrameX(i, w, frames), 1, 2, h, Qt::black);

    const int at = m_Position - m_First;
    const int x0 = FrameX(at, w, frames), x1 = FrameX(at + 1, w, frames);
    p.fillRect(x0, 1, std::max(1, x1 - x0), h, QColor(0, 170, 255));

    p.setPen(Qt::black);
    int end = 0;
    for (int i = 0; i < frames; i += step)
    {
        const int x = FrameX(i, w, frames) + 2;
        if (x <= end)
            continue;
        p.drawText(QPoint(x, 1 + metrics.ascent()), label(i));
        end = x + metrics.horizontalAdvance(label(i)) + 5;
    }

    for (const KeyTimes* keys : m_KeyLists)
        for (auto k = keys->rbegin(); k != keys->rend(); ++k)
        {
            const double frame = k->first * kFramesPerTick - m_First;
            if (!(frame >= 0 && frame <= frames))
                continue;
            p.fillRect(static_cast<int>(std::trunc(frame * w / frames)) + 1, 1, 2, h, Qt::red);
        }
}

void CTimeScroller::MoveTo(int x, bool paintNow)
{
    const int f = FrameAtX(x);
    if (f == m_Position)
        return;
    SetPosition(f);
    if (onTrack)
        onTrack(m_Position);
    if (paintNow)
        repaint();
    else
        update();
}

void CTimeScroller::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The panel records the time before the click moves it.
    if (onDragBegin)
        onDragBegin(m_Position);
    MoveTo(event->position().toPoint().x(), false);
    m_Dragging = true;
}

void CTimeScroller::mouseMoveEvent(QMouseEvent* event)
{
    if (m_Dragging)
        MoveTo(event->position().toPoint().x(), true);
}

void CTimeScroller::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_Dragging)
        return;
    m_Dragging = false;
    if (onDragEnd)
        onDragEnd(m_Position);
}
