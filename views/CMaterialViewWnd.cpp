#include "CMaterialViewWnd.h"

#include "Globals.h"

#include <QMenu>
#include <QResizeEvent>

#include <GL/gl.h>

CMaterialViewWnd::CMaterialViewWnd(QWidget* parent, Qt::WindowFlags flags)
    : MBaseOpenGLWnd(parent, flags)
{
}

MBaseObject* CMaterialViewWnd::CreateNew() const
{
    auto* copy = new CMaterialViewWnd();
    CopyViewSettingsTo(copy);
    return copy;
}

int CMaterialViewWnd::InitView()
{
    MBaseOpenGLWnd::InitView();
    // Swatches need neither depth nor destination alpha.
    return InitOpenGL(16, 0, 0) == 0 ? 1 : 0;
}

void CMaterialViewWnd::ShowPopupMenu(int screenX, int screenY)
{
    QMenu menu(this);
    AppendViewMenu(&menu);
    RunPopupMenu(&menu, screenX, screenY);
}

void CMaterialViewWnd::resizeEvent(QResizeEvent* event)
{
    MBaseOpenGLWnd::resizeEvent(event);
    // A right click anywhere in the view opens its popup menu.
    m_LabelRect = {0, 0, event->size().width() - 1, event->size().height() - 1};
}

void CMaterialViewWnd::paintGL()
{
    if (width() == 0 || height() == 0)
        return;
    SetupProjection(0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const uint32_t c = g_ColourValues[0];
    // Opaque: the widget's framebuffer is composed over the window, and a
    // clear alpha of 0 would let the window's own background show through.
    glClearColor(float(c & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                 float((c >> 16) & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawOverlay();
    glFlush();
}

void CMaterialViewWnd::DrawOverlay()
{
    DrawStandardOverlay();
}
