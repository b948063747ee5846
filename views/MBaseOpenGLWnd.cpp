#include "MBaseOpenGLWnd.h"

#include "MBaseViewWndList.h"
#include "MGLFont.h"
#include "MSystemManager.h"

#include <QOpenGLContext>
#include <QResizeEvent>
#include <QSurfaceFormat>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{
// A tool position truncated to whole pixels; far-off values are held to a
// range whose differences still fit an int.
int TruncatePixel(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(v, -1.0e8, 1.0e8));
}

void Log(const char* line)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("%s", line);
}

// One ring of the gizmo's cone as a triangle fan around `tip`, the ring
// points shaded by their angle.
void ConeFan(float size, float tipX, const float colour[3], float alpha, bool reverse)
{
    const float ringX = 0.7f * size;
    const float radius = 0.1f * size;
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(colour[0], colour[1], colour[2], alpha);
    glVertex3f(tipX, 0.0f, 0.0f);
    for (int step = 0; step <= 36; ++step)
    {
        const int angle = reverse ? 360 - step * 10 : step * 10;
        const float fade = float(std::abs(angle - 180)) / 360.0f;
        const float rad = float(angle) * 3.14159265f / 180.0f;
        glColor4f(colour[0] * fade, colour[1] * fade, colour[2] * fade, alpha);
        glVertex3f(ringX, radius * std::cos(rad), radius * std::sin(rad));
    }
    glEnd();
}
} // namespace

MBaseOpenGLWnd::MBaseOpenGLWnd(QWidget* parent, Qt::WindowFlags flags) : MBaseViewWnd(parent, flags)
{
}

MBaseOpenGLWnd::~MBaseOpenGLWnd() = default;

void MBaseOpenGLWnd::ReleaseView()
{
    ReleaseContexts();
}

void MBaseOpenGLWnd::Redraw()
{
    update();
}

int MBaseOpenGLWnd::InitOpenGL(int colourBits, int depthBits, int alphaBits)
{
    colourBits = std::max(0, colourBits);
    depthBits = std::max(0, depthBits);
    alphaBits = std::max(0, alphaBits);
    // The fixed-function calls need a compatibility profile.
    QSurfaceFormat fmt = format();
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    const int red = colourBits >= 24 ? 8 : colourBits / 3;
    const int green = colourBits >= 24 ? 8 : colourBits - 2 * red;
    fmt.setRedBufferSize(red);
    fmt.setGreenBufferSize(green);
    fmt.setBlueBufferSize(red);
    fmt.setAlphaBufferSize(alphaBits);
    fmt.setDepthBufferSize(depthBits);
    fmt.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    // The format counts only until the context is made, at first show.
    if (!isValid())
        setFormat(fmt);

    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("OpenGLWnd::InitOpenGL() - Pixel Format %ibpp, %iAlpha bits, %iZBuf",
                       colourBits, alphaBits, depthBits);

    m_TextExtent = MMeasureFontText(MDefaultGuiFont());
    return 0;
}

int MBaseOpenGLWnd::MakeCurrent()
{
    if (!isValid())
        return 2;
    // Also binds the widget's framebuffer, which is where the view draws.
    makeCurrent();
    return QOpenGLContext::currentContext() == context() ? 0 : 2;
}

void MBaseOpenGLWnd::ReleaseContexts()
{
    if (isValid() && QOpenGLContext::currentContext() == context())
        doneCurrent();
}

void MBaseOpenGLWnd::initializeGL()
{
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glViewport(0, 0, 900, 900);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHT0);
    glCullFace(GL_BACK);
    if (!MEnsureFontLists())
        Log("MBaseOpenGLWnd::InitOpenGL() - font lists could not be built");
}

void MBaseOpenGLWnd::resizeEvent(QResizeEvent* event)
{
    m_ClientRect = QRect(QPoint(0, 0), event->size());
    MBaseViewWnd::resizeEvent(event);
}

void MBaseOpenGLWnd::resizeGL(int, int)
{
    m_ClientRect = rect();
    if (MakeCurrent() != 0)
        return;
    glViewport(0, 0, ViewportWidth(), ViewportHeight());
    SetupProjection(0);
}

void MBaseOpenGLWnd::paintEvent(QPaintEvent* event)
{
    MBaseViewWnd::paintEvent(event);
    // Qt makes the context at first show; a view without one stays open and
    // draws nothing.
    if (!isValid() && !m_ContextFailureLogged)
    {
        m_ContextFailureLogged = true;
        Log("MBaseOpenGLWnd::InitOpenGL() - wglCreateContext Failed");
    }
}

int MBaseOpenGLWnd::ViewportWidth() const
{
    return int(std::lround(width() * devicePixelRatioF()));
}

int MBaseOpenGLWnd::ViewportHeight() const
{
    return int(std::lround(height() * devicePixelRatioF()));
}

void MBaseOpenGLWnd::SetupProjection(int pickMode)
{
    if (MakeCurrent() != 0)
        return;
    m_ClientRect = rect();
    const int vw = ViewportWidth();
    const int vh = ViewportHeight();
    glMatrixMode(GL_PROJECTION);
    glViewport(0, 0, vw, vh);
    glLoadIdentity();

    const int w = m_ClientRect.width();
    const int h = m_ClientRect.height();
    const int smaller = std::min(w, h);
    m_Aspect = smaller > 0 ? std::max(1.0f, float(std::max(w, h)) / float(smaller)) : 1.0f;
    if (pickMode == 0)
        return;

    m_DragStart = QPoint(TruncatePixel(m_ToolDragStart.x()), TruncatePixel(m_ToolDragStart.y()));
    m_DragCurrent =
        QPoint(TruncatePixel(m_ToolDragCurrent.x()), TruncatePixel(m_ToolDragCurrent.y()));
    MPickRegion r;
    if (pickMode == 3 || pickMode == 4)
    {
        // Box selection: the rectangle between the two points.
        r.width = std::max(1, std::abs(m_DragStart.x() - m_DragCurrent.x()));
        r.height = std::max(1, std::abs(m_DragStart.y() - m_DragCurrent.y()));
        r.centreX = (m_DragStart.x() + m_DragCurrent.x()) / 2;
        r.centreY = (m_DragStart.y() + m_DragCurrent.y()) / 2;
    }
    else
    {
        // A click: a small square around the current point.
        r = {m_DragCurrent.x(), m_DragCurrent.y(), 4, 4};
    }
    m_PickRegion = r;

    const double dpr = devicePixelRatioF();
    GLint viewport[4] = {0, 0, vw, vh};
    gluPickMatrix(r.centreX * dpr, vh - r.centreY * dpr, r.width * dpr, r.height * dpr, viewport);
}

MRay MBaseOpenGLWnd::ScreenToRay(int x, int y)
{
    MRay ray;
    if (MakeCurrent() != 0)
        return ray;
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    SetupViewTransform();
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GLenum(mode));

    const double dpr = devicePixelRatioF();
    const double wx = x * dpr;
    const double wy = viewport[3] - y * dpr;
    GLdouble nx, ny, nz, fx, fy, fz;
    if (gluUnProject(wx, wy, 0.0, modelview, projection, viewport, &nx, &ny, &nz) != GL_TRUE ||
        gluUnProject(wx, wy, 0.5, modelview, projection, viewport, &fx, &fy, &fz) != GL_TRUE)
        return ray;
    ray.Set(MVector3(float(nx), float(ny), float(nz)), MVector3(float(fx), float(fy), float(fz)),
            1.0f);
    return ray;
}

MVector3 MBaseOpenGLWnd::ScreenToPlane(int x, int y, const MPlane& plane, bool* hit)
{
    const MRay ray = ScreenToRay(x, y);
    MVector3 point = ray.origin;
    const bool ok = ray.IntersectWithPlane(plane, point);
    if (hit)
        *hit = ok;
    return point;
}

void MBaseOpenGLWnd::DrawAxisGizmo(float size, float alpha, float lineWidth, bool pickNames,
                                   int flags)
{
    if (MakeCurrent() != 0)
        return;
    GLfloat oldLineWidth = 1.0f;
    glGetFloatv(GL_LINE_WIDTH, &oldLineWidth);
    // Polygon mode and the enables are put back as well, so the gizmo leaves
    // no wire-frame or culling change behind.
    glPushAttrib(GL_POLYGON_BIT | GL_ENABLE_BIT);
    glLineWidth(lineWidth);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    struct Axis
    {
        int bit, hilight;
        GLuint name;
        float colour[3];
        float angle, ax, ay, az;
        const char* label;
    };
    static const Axis axes[3] = {
        {GIZMO_X, GIZMO_HILIGHT_X, 1, {1, 0, 0}, 0, 0, 0, 1, "X"},
        {GIZMO_Y, GIZMO_HILIGHT_Y, 2, {0, 1, 0}, 90, 0, 0, 1, "Y"},
        {GIZMO_Z, GIZMO_HILIGHT_Z, 3, {0, 0, 1}, -90, 0, 1, 0, "Z"},
    };
    static const float cyan[3] = {0, 1, 1};
    glMatrixMode(GL_MODELVIEW);
    for (const Axis& axis : axes)
    {
        if (!(flags & axis.bit))
            continue;
        if (pickNames)
            glPushName(axis.name);
        const float* colour = (flags & axis.hilight) ? cyan : axis.colour;
        glPushMatrix();
        if (axis.angle != 0)
            glRotatef(axis.angle, axis.ax, axis.ay, axis.az);
        glColor4f(colour[0], colour[1], colour[2], alpha);
        glBegin(GL_LINES);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3f(0.7f * size, 0.0f, 0.0f);
        glEnd();
        if (flags & GIZMO_CONES)
        {
            ConeFan(size, size, colour, alpha, false);
            ConeFan(size, 0.7f * size, colour, alpha, true);
        }
        if (flags & GIZMO_LABELS)
        {
            glColor4f(colour[0], colour[1], colour[2], alpha);
            glRasterPos3f(size, 0.0f, 0.0f);
            MDrawGLText(axis.label);
        }
        glPopMatrix();
        if (pickNames)
            glPopName();
    }

    if (flags & GIZMO_VIEW_PLANE)
    {
        if (pickNames)
            glPushName(4);
        if (flags & GIZMO_CONES)
        {
            // A square facing the viewer: the view's right and up vectors are
            // the first two rows of the modelview matrix.
            GLfloat m[16];
            glGetFloatv(GL_MODELVIEW_MATRIX, m);
            const float half = 0.1f * size * 1.1f;
            const MVector3 right = MVector3(m[0], m[4], m[8]).Normalised() * half;
            const MVector3 up = MVector3(m[1], m[5], m[9]).Normalised() * half;
            const MVector3 corners[4] = {MVector3() - right - up, right - up, right + up,
                                         up - right};
            if (flags & GIZMO_HILIGHT_VIEW_PLANE)
                glColor4f(0.0f, 1.0f, 1.0f, alpha);
            else
                glColor4f(1.0f, 1.0f, 0.0f, alpha);
            if (pickNames)
            {
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                glBegin(GL_QUADS);
            }
            else
            {
                glEnable(GL_LINE_STIPPLE);
                glLineStipple(1, 0x5555);
                glLineWidth(1.0f);
                glBegin(GL_LINE_LOOP);
            }
            for (const MVector3& c : corners)
                glVertex3f(c.x, c.y, c.z);
            glEnd();
        }
        if (pickNames)
            glPopName();
    }

    glPopAttrib();
    glLineWidth(oldLineWidth);
}

void MBaseOpenGLWnd::LoadPixelProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, double(width()), 0.0, double(height()), -20.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void MBaseOpenGLWnd::DrawStandardOverlay()
{
    if (MakeCurrent() != 0)
        return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POLYGON_BIT |
                 GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    LoadPixelProjection();

    DrawViewName();
    DrawCornerBox();
    if (g_ActiveView == this)
        DrawActiveFrame();

    glPopAttrib();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void MBaseOpenGLWnd::DrawViewName()
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2i(4, height() - 14);
    MDrawGLText(m_ViewName);
}

void MBaseOpenGLWnd::DrawCornerBox()
{
    glPushMatrix();
    glTranslatef(float(width() - 36), float(height() - 18), 0.0f);
    glColor4f(0.0f, 0.0f, 0.0f, 0.2f);
    glRectf(0.0f, 0.0f, 36.0f, 18.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
    glRectf(1.0f, 1.0f, 17.0f, 17.0f);
    glRectf(18.0f, 1.0f, 34.0f, 17.0f);
    glPopMatrix();
}

void MBaseOpenGLWnd::DrawActiveFrame()
{
    const float w = float(width());
    const float h = float(height());
    glLineWidth(3.0f);
    glColor3f(0.0f, 0.3f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(1.0f, h - 2.0f);
    glVertex2f(w - 2.0f, h - 2.0f);
    glVertex2f(w - 2.0f, 1.0f);
    glEnd();
}
