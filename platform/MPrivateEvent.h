#pragma once

#include <QEvent>

class QObject;

// Private messages to the main window, as custom events with fixed numbers
// (all in Qt's user range).
enum MPrivateMessage : int
{
    UM_TIME_DRAG_BEGIN = 8025,
    UM_TIME_DRAG_END = 8026,
    UM_UPDATE_TITLE = 9027,
    UM_SCENE_CHANGED = 9028,
    UM_REFRESH_CHANNELS = 9030,
};

// One private message with its word and long parameters.
class MPrivateEvent : public QEvent
{
  public:
    MPrivateEvent(int message, unsigned wParam = 0, long lParam = 0)
        : QEvent(static_cast<QEvent::Type>(message)), m_WParam(wParam), m_LParam(lParam)
    {
    }
    int Message() const { return static_cast<int>(type()); }
    unsigned WParam() const { return m_WParam; }
    long LParam() const { return m_LParam; }

  private:
    unsigned m_WParam;
    long m_LParam;
};

// The object private messages go to (the main window); none at first.
void MSetMessageTarget(QObject* target);
QObject* MGetMessageTarget();
// Sends a message to the target at once; false when there is no target.
bool MSendMessage(int message, unsigned wParam = 0, long lParam = 0);
// Queues a message for the target; false when there is no target.
bool MPostMessage(int message, unsigned wParam = 0, long lParam = 0);
// UM_SCENE_CHANGED with word parameter 65535, then UM_REFRESH_CHANNELS: what
// every edit sends when it is done.
void MSendSceneChanged();
