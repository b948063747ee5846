#include "CImageButton.h"

#include "Globals.h"
#include "MAction.h"
#include "MConfig.h"
#include "MKeyBinding.h"
#include "MToolTipWnd.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace
{
CImageButton::CurrentToolQuery g_CurrentToolQuery = nullptr;
}

void CImageButton::SetCurrentToolQuery(CurrentToolQuery query)
{
    g_CurrentToolQuery = query;
}

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    m_Repeat.setSingleShot(false);
    connect(&m_Repeat, &QTimer::timeout, this,
            [this]
            {
                if (m_FirstDelay)
                {
                    m_FirstDelay = false;
                    m_Repeat.start(kRepeatMs);
                }
                Press(true);
            });
    m_TipGone.setSingleShot(true);
    connect(&m_TipGone, &QTimer::timeout, this, [this] { m_TipShowing = false; });
    connect(this, &QAbstractButton::toggled, this, [this] { update(); });
}

void CImageButton::SetActionName(const MStr& name)
{
    m_ActionName = name;
    setAccessibleName(QString::fromUtf8(TipText().c_str()));
}

int CImageButton::LoadPicture(const MStr& fileName, bool resize)
{
    m_PictureFile = fileName;
    if (!m_Picture.LoadFile(fileName))
    {
        update();
        return 0;
    }
    if (resize)
        setGeometry(x(), y(), m_Picture.GetWidth(), m_Picture.GetHeight());
    update();
    return 1;
}

QSize CImageButton::sizeHint() const
{
    return m_Picture.IsEmpty() ? QSize(32, 32) : QSize(m_Picture.GetWidth(), m_Picture.GetHeight());
}

MStr CImageButton::TipText() const
{
    const MAction* action = g_ActionRegistry.FindActionByName(m_ActionName);
    if (!action || action->GetDescription().IsEmpty())
        return m_ActionName;
    const MKeyBinding* binding = g_KeyBindingTable.FindByAction(m_ActionName);
    const MStr shortcut = binding ? binding->GetShortcutText() : MStr();
    if (shortcut.IsEmpty())
        return action->GetDescription();
    return MStr::Printf("%s (%s)", action->GetDescription().c_str(), shortcut.c_str());
}

void CImageButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const bool current = g_CurrentToolQuery && g_CurrentToolQuery(m_ActionName);
    const bool pressed = isDown() || isChecked();
    int inset = 1, shrink = 2;
    if (current)
    {
        p.setPen(QColor(0, 76, 0));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
        p.drawRect(rect().adjusted(2, 2, -3, -3));
        inset = 3;
        shrink = 6;
    }
    if (pressed)
        ++inset;
    if (m_Picture.IsEmpty())
        return;
    // The stored rows, bottom row first, wrapped as a picture and drawn
    // unscaled, cut to the space.
    const QImage rows(m_Picture.GetBits(), m_Picture.GetWidth(), m_Picture.GetHeight(),
                      m_Picture.GetStride(), QImage::Format_BGR888);
    const QImage upright = rows.mirrored(false, true);
    p.setClipRect(QRect(inset, inset, width() - shrink, height() - shrink));
    p.drawImage(QPoint(inset, inset), upright);
}

void CImageButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (event->modifiers() & Qt::ControlModifier)
    {
        OpenToolConfiguration(m_ActionName);
        return;
    }
    setDown(true);
    Press(false);
}

void CImageButton::Press(bool simulated)
{
    m_InSimulatedClick = simulated;
    if (!m_Repeat.isActive() && !simulated && m_Repeats)
    {
        grabMouse();
        m_FirstDelay = true;
        m_Repeat.start(kFirstRepeatMs);
    }
    RunAction();
    m_InSimulatedClick = false;
}

void CImageButton::RunAction()
{
    if (m_ActionName.IsEmpty() || m_Running)
        return;
    m_Running = true;
    g_ActionRegistry.RunActionByName(m_ActionName);
    m_Running = false;
    emit clicked(false);
}

void CImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setDown(false);
    if (m_Repeat.isActive() && !m_InSimulatedClick)
    {
        releaseMouse();
        m_Repeat.stop();
    }
}

void CImageButton::mouseMoveEvent(QMouseEvent* event)
{
    m_LastPointer = event->position().toPoint();
    if (m_TipShowing && ToolTip().GetWindowUnderMouse() == this)
        return;
    ToolTip().SetWindowUnderMouse(this);
    ToolTip().ShowTip(this, m_LastPointer.x() + 10, m_LastPointer.y() + 10, 500, 2000, TipText());
    m_TipShowing = true;
    m_TipGone.start(2000);
}
