#include "CBottomDlg.h"

#include "CImageButton.h"
#include "Globals.h"
#include "MParameterObject.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShelfFile.h"
#include "MTransformObject.h"
#include "MTypes.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace
{
// Control ids of the panel's template, kept as object names.
CImageButton* MakeButton(QWidget* parent, const char* action, const char* description, int id)
{
    auto* button = new CImageButton(parent);
    button->setObjectName(QString("Button%1").arg(id));
    button->SetActionName(MStr(action));
    if (button->accessibleName() == action)
        button->setAccessibleName(description);
    const MStr picture =
        FindFileNoCase(g_Config.m_ProgramFolder + "Prefs\\Buttons\\" + action + ".bmp");
    if (!picture.IsEmpty())
        button->LoadPicture(picture, false);
    button->resize(24, 24);
    return button;
}

void SendToOwner(int message, unsigned wParam = 0)
{
    MSendMessage(message, wParam);
}
} // namespace

int FrameTextToTicks(const char* text)
{
    if (!text)
        return 0;
    // atof's reading, in the C locale whatever the user's is.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const double number = cLocale ? strtod_l(text, nullptr, cLocale) : std::atof(text);
    const double ticks = std::trunc(number * 120.0);
    if (std::isnan(ticks))
        return 0;
    if (ticks >= double(INT_MAX))
        return INT_MAX;
    if (ticks <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(ticks);
}

CBottomDlg::CBottomDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName("BottomPanel");
    m_Scroller = new CTimeScroller(this);
    m_Scroller->onDragBegin = [this](int) { DragBegin(); };
    m_Scroller->onTrack = [this](int frame) { HorizontalScroll(SB_THUMBTRACK, frame); };
    m_Scroller->onDragEnd = [this](int) { DragEnd(); };

    m_Prev = MakeButton(this, "KControlPrevFrame", "Previous Frame", 1032);
    m_Play = MakeButton(this, "KControlPlayCamera", "Play", 1164);
    m_Play->setCheckable(true);
    // Held down, Play would stop and start again and again.
    m_Play->SetRepeats(false);
    m_Next = MakeButton(this, "KControlNextFrame", "Next Frame", 1033);

    m_FrameField = new QLineEdit(this);
    m_FrameField->setObjectName("FrameField");
    m_FrameField->setAccessibleName("Frame");
    m_FrameField->setText("0");
    m_FrameField->installEventFilter(this);

    m_LogField = new QLineEdit(this);
    m_LogField->setObjectName("LogField");
    m_LogField->setAccessibleName("Log");
    m_LogField->setReadOnly(true);
    m_LogField->setFocusPolicy(Qt::ClickFocus);
    m_Sink.field = m_LogField;

    m_PlayTimer.setInterval(1000 / kFramesPerSecond);
    m_PlayTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_PlayTimer, &QTimer::timeout, this, &CBottomDlg::PlayStep);
    setFixedHeight(kHeight);
}

CBottomDlg::~CBottomDlg()
{
    // A drag cut short by the window closing leaves no node behind.
    if (m_Scroller->IsDragging() && g_PendingUndoNode)
    {
        delete g_PendingUndoNode;
        g_PendingUndoNode = nullptr;
    }
}

// Ruler, buttons and frame field in one row along the top; the log field
// below reaches to 5 pixels short of the right edge.
void CBottomDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int W = width();
    setUpdatesEnabled(false);
    m_Scroller->setGeometry(6, 6, std::max(0, W - 156), 24);
    m_Prev->setGeometry(W - 145, 6, 24, 24);
    m_FrameField->setGeometry(W - 115, 6, 55, 24);
    m_Next->setGeometry(W - 55, 6, 24, 24);
    m_Play->setGeometry(W - 25, 6, 24, 24);
    m_LogField->setGeometry(6, 34, std::max(0, W - 5 - 6), 20);
    setUpdatesEnabled(true);
    m_Prev->update();
    m_Next->update();
    m_Play->update();
    m_FrameField->update();
}

void CBottomDlg::RefreshTime()
{
    m_Scroller->ClearKeyLists();
    const int time = g_CurrentScene ? g_CurrentScene->GetTime() : 0;
    if (g_CurrentScene)
        for (MBaseObject* object : g_CurrentScene->GetSelectedList())
            if (MTransformObject* transform = g_CurrentScene->GetTransform(object))
                for (const char* name : {"Translate", "Rotate", "Scale"})
                    if (const MParameterObject* keys = transform->FindParameter(name);
                        keys && keys->GetKeyCount() > 0)
                        m_Scroller->AddKeyList(&keys->GetKeys());
    m_Scroller->SetPosition(time / TICKS_PER_FRAME);
    m_Scroller->update();
    m_FrameField->setText(QString::asprintf("%i", time / TICKS_PER_FRAME));
}

void CBottomDlg::SetSceneTime(int ticks)
{
    if (g_CurrentScene)
        g_CurrentScene->SetTime(ticks);
}

void CBottomDlg::HorizontalScroll(int code, int frame)
{
    int f = m_Scroller->GetPosition();
    switch (code)
    {
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        f = frame;
        break;
    case SB_LINELEFT:
        f -= 1;
        break;
    case SB_LINERIGHT:
        f += 1;
        break;
    case SB_PAGELEFT:
        f -= 10;
        break;
    case SB_PAGERIGHT:
        f += 10;
        break;
    default:
        break;
    }
    StopPlay();
    SetSceneTime(f * TICKS_PER_FRAME);
    const int time = g_CurrentScene ? g_CurrentScene->GetTime() : 0;
    m_FrameField->setText(QString::asprintf("%i", time / TICKS_PER_FRAME));
    SendToOwner(UM_SCENE_CHANGED, 0xFFFF);
    SendToOwner(UM_REFRESH_CHANNELS);
}

void CBottomDlg::DragBegin()
{
    StopPlay();
    delete g_PendingUndoNode;
    auto* node = new MTimeUndoNode();
    node->SetName("Time Change");
    g_PendingUndoNode = node;
}

void CBottomDlg::DragEnd()
{
    auto* node = dynamic_cast<MTimeUndoNode*>(g_PendingUndoNode);
    if (!g_PendingUndoNode)
        return;
    g_PendingUndoNode = nullptr;
    const int time = g_CurrentScene ? g_CurrentScene->GetTime() : 0;
    if (node && node->GetTime() != time)
        g_UndoList.AddNode(node);
    else
        delete node;
}

void CBottomDlg::FocusMainWindow()
{
    if (g_MainWnd)
        g_MainWnd->setFocus();
    else
        m_FrameField->clearFocus();
}

void CBottomDlg::FrameFieldEntered()
{
    StopPlay();
    SetSceneTime(FrameTextToTicks(m_FrameField->text().toLocal8Bit().constData()));
    RefreshTime();
    // The views and the channel bar show the new time as well.
    SendToOwner(UM_SCENE_CHANGED, 0xFFFF);
    SendToOwner(UM_REFRESH_CHANNELS);
}

bool CBottomDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_FrameField && event->type() == QEvent::KeyPress)
    {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        {
            if (key != Qt::Key_Escape)
                FrameFieldEntered();
            FocusMainWindow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CBottomDlg::Sink::WriteLine(const char* line)
{
    if (field)
    {
        field->setText(QString::fromUtf8(line));
        field->setCursorPosition(0);
    }
}

// ---- Play -------------------------------------------------------------------

void CBottomDlg::StartPlay()
{
    if (IsPlaying())
        return;
    m_PlayTime = g_CurrentScene ? g_CurrentScene->GetTime() : 0;
    m_PlayUndoHead = g_UndoList.GetHead();
    m_PlayUndoCount = g_UndoList.GetCount();
    m_PlayTimer.start();
    m_Play->setChecked(true);
}

void CBottomDlg::StopPlay()
{
    if (!IsPlaying())
        return;
    m_PlayTimer.stop();
    m_Play->setChecked(false);
    // The channel bar was left alone while playing; it shows the time now.
    SendToOwner(UM_REFRESH_CHANNELS);
}

bool CBottomDlg::PlaybackInterrupted() const
{
    if (!g_CurrentScene)
        return true;
    return g_CurrentScene->GetTime() != m_PlayTime || g_UndoList.GetHead() != m_PlayUndoHead ||
           g_UndoList.GetCount() != m_PlayUndoCount;
}

void CBottomDlg::PlayStep()
{
    // Someone moved the time or edited the scene since the last frame.
    if (PlaybackInterrupted())
    {
        StopPlay();
        return;
    }
    int frame = m_PlayTime / TICKS_PER_FRAME + 1;
    const int first = m_Scroller->GetFirst(), last = m_Scroller->GetLast();
    if (frame > last || frame < first)
        frame = first;
    m_PlayTime = frame * TICKS_PER_FRAME;
    SetSceneTime(m_PlayTime);
    RefreshTime();
    SendToOwner(UM_SCENE_CHANGED, 0xFFFF);
}
