#include "MPrivateEvent.h"

#include <QCoreApplication>
#include <QPointer>

namespace
{
QPointer<QObject> g_Target;
}

void MSetMessageTarget(QObject* target)
{
    g_Target = target;
}

QObject* MGetMessageTarget()
{
    return g_Target.data();
}

bool MSendMessage(int message, unsigned wParam, long lParam)
{
    if (!g_Target)
        return false;
    MPrivateEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(g_Target.data(), &event);
    return true;
}

bool MPostMessage(int message, unsigned wParam, long lParam)
{
    if (!g_Target)
        return false;
    QCoreApplication::postEvent(g_Target.data(), new MPrivateEvent(message, wParam, lParam));
    return true;
}

void MSendSceneChanged()
{
    MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
    MSendMessage(UM_REFRESH_CHANNELS);
}
