#include "COpenGLWnd.h"

#include "Globals.h"
#include "MAction.h"
#include "MBaseUndoNode.h"
#include "MBaseViewWndList.h"
#include "MMenu.h"
#include "MPanOrbitToolType.h"
#include "MPanTrackToolType.h"
#include "MPanZoomToolType.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MSceneViewFlags.h"
#include "MSelectToolType.h"
#include "MToolManager.h"
#include "MUndoList.h"

#include <QActionGroup>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QWheelEvent>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr float kDegToRad = 0.017453292519943292f;
constexpr int kSelectBufferEntries = 16384;
constexpr GLuint kHandleMarker = 0xFFFFFFFFu;

enum MouseControl
{
    CONTROL_ORBIT = 0,
    CONTROL_PAN = 1,
    CONTROL_ZOOM = 2,
    CONTROL_GRAB = 3,
};

bool Matches(const MKeyState& state, MouseControl control)
{
    return state == g_Config.m_Controls[control];
}

// A camera tool for the control the state matches, or null.
MToolType* CameraToolFor(const MKeyState& state, int startX, int startY)
{
    if (Matches(state, CONTROL_ORBIT))
    {
        auto* t = new MPanOrbitToolType();
        t->m_StartX = startX;
        t->m_StartY = startY;
        return t;
    }
    if (Matches(state, CONTROL_PAN))
    {
        auto* t = new MPanTrackToolType();
        t->m_StartX = startX;
        t->m_StartY = startY;
        return t;
    }
    if (Matches(state, CONTROL_ZOOM))
    {
        auto* t = new MPanZoomToolType();
        t->m_StartX = startX;
        t->m_StartY = startY;
        return t;
    }
    return nullptr;
}

bool AnyButton(const MKeyState& s)
{
    return s.left || s.right || s.middle;
}
} // namespace

MVector3 COpenGLWnd::s_PrevMouse;

COpenGLWnd::COpenGLWnd(QWidget* parent, Qt::WindowFlags flags) : MBaseOpenGLWnd(parent, flags)
{
    SetFlags(VIEW_BACKFACE_CULL | VIEW_GRID_VISIBLE);
    m_LabelRect = {0, 0, 50, 16};
    UpdateCameraMatrices();
}

COpenGLWnd::~COpenGLWnd() = default;

MBaseObject* COpenGLWnd::CreateNew() const
{
    auto* copy = new COpenGLWnd();
    CopyViewSettingsTo(copy);
    copy->SetFlags(GetFlags());
    copy->m_Target = m_Target;
    copy->m_Angles = m_Angles;
    copy->m_Zoom = m_Zoom;
    copy->m_Distance = m_Distance;
    copy->m_GridU = m_GridU;
    copy->m_GridV = m_GridV;
    copy->m_ShadingMode = m_ShadingMode;
    copy->m_TextureFilter = m_TextureFilter;
    copy->UpdateCameraMatrices();
    return copy;
}

int COpenGLWnd::InitView()
{
    MBaseViewWnd::InitView();
    InitOpenGL(24, 24, 8);
    return 1;
}

void COpenGLWnd::Redraw()
{
    if (g_CurrentScene && g_CurrentScene->GetPickMode() != 0)
    {
        DrawNow();
        return;
    }
    update();
}

void COpenGLWnd::paintGL()
{
    DrawNow();
}

void COpenGLWnd::SetupProjection(int pickMode)
{
    MBaseOpenGLWnd::SetupProjection(pickMode);
    if (MakeCurrent() != 0)
        return;
    const float w = float(std::max(1, m_ClientRect.width()));
    const float h = float(std::max(1, m_ClientRect.height()));
    const float m = std::max(w, h);
    const float a = m_Aspect;
    glMatrixMode(GL_PROJECTION);
    if (!IsPerspective())
    {
        m_ProjLeft = -32.0f * w / m * a;
        m_ProjRight = 32.0f * w / m * a;
        m_ProjTop = 32.0f * h / m * a;
        m_ProjBottom = -32.0f * h / m * a;
        const double depth = 512.0 * double(m_Zoom);
        glOrtho(m_ProjLeft, m_ProjRight, m_ProjBottom, m_ProjTop, -depth, depth);
        glScalef(m_Zoom, m_Zoom, m_Zoom);
    }
    else
    {
        m_ProjLeft = -w / m * a;
        m_ProjRight = w / m * a;
        m_ProjTop = h / m * a;
        m_ProjBottom = -h / m * a;
        glFrustum(m_ProjLeft, m_ProjRight, m_ProjBottom, m_ProjTop, 3.0, 5024.0);
    }
    glMatrixMode(GL_MODELVIEW);
}

void COpenGLWnd::SetupViewTransform()
{
    glTranslatef(0.0f, 0.0f, -m_Distance);
    glRotatef(m_Angles.y, 0.0f, 1.0f, 0.0f);
    glRotatef(m_Angles.x, 1.0f, 0.0f, 0.0f);
    glRotatef(m_Angles.z, 0.0f, 0.0f, 1.0f);
    glTranslatef(-m_Target.x, -m_Target.y, m_Target.z);
}

void COpenGLWnd::UpdateCameraMatrices()
{
    m_CameraMatrix = Matrix3::MakeRotationMatrix(-m_Angles.z * kDegToRad,
                                                 (-m_Angles.x - 180.0f) * kDegToRad, 0.0f);
    m_InverseCameraMatrix = m_CameraMatrix.Inverse();
}

void COpenGLWnd::ApplyScreenScale()
{
    if (!IsPerspective())
    {
        const float s = 1.0f / m_Zoom;
        glScalef(s, s, s);
        return;
    }
    const float extent = width() > height() ? m_ProjRight - m_ProjLeft : m_ProjTop - m_ProjBottom;
    const float s = m_Distance * 4.0f / m_Aspect * extent / 1024.0f;
    glScalef(s, s, s);
}

float COpenGLWnd::GetScreenScaleAt(const MVector3& p)
{
    if (!IsPerspective())
        return 1.0f / m_Zoom;
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    const float z = mv[2] * p.x + mv[6] * p.y + mv[10] * p.z + mv[14];
    return -z * 0.01f;
}

void COpenGLWnd::DrawNow()
{
    if (width() == 0 || height() == 0 || MakeCurrent() != 0)
        return;
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPointSize(4.0f);
    if (HasFlags(VIEW_BACKFACE_CULL))
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, m_ShadingMode == SHADE_WIREFRAME ? GL_LINE : GL_FILL);
    glLineWidth(1.0f);

    MSceneViewFlags flags;
    flags.shadingMode = m_ShadingMode;
    flags.objectMode = 0;
    flags.viewFlags = GetFlags();
    flags.textureFilter = m_TextureFilter;
    flags.reserved2 = 0;

    MScene* scene = g_CurrentScene;
    const int pickMode = scene ? scene->GetPickMode() : 0;
    SetupProjection(pickMode);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupViewTransform();

    std::vector<GLuint> selectBuffer;
    if (pickMode)
    {
        selectBuffer.assign(kSelectBufferEntries, 0);
        glSelectBuffer(kSelectBufferEntries, selectBuffer.data());
        glRenderMode(GL_SELECT);
    }
    else
    {
        // Opaque: a clear alpha of 0 lets what lies behind the window show
        // through where the compositor honours it.
        glClearColor(0.4f, 0.4f, 0.4f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (HasFlags(VIEW_GRID_VISIBLE))
            DrawGrid();
    }
    if (scene)
    {
        MBaseObjectList* list = m_PickList;
        if (!list)
            list = g_ToolManager.GetCurrentTool()->m_ObjectList.Get();
        scene->DrawScene(flags, list);
    }
    if (!pickMode)
        DrawOverlay();
    else
    {
        // The scene leaves selection mode itself to read its hits; the
        // buffer must not outlive the mode in any case.
        GLint mode = GL_RENDER;
        glGetIntegerv(GL_RENDER_MODE, &mode);
        if (mode == GL_SELECT)
            glRenderMode(GL_RENDER);
    }
    glFlush();
    glFinish();
}

void COpenGLWnd::PickScene(const MVector3& start, const MVector3& current, MBaseObjectList* hits)
{
    SetToolDragPositions(QPointF(start.x, start.y), QPointF(current.x, current.y));
    m_PickList = hits;
    DrawNow();
    m_PickList = nullptr;
    // Leave the plain projection for what reads it before the next paint.
    SetupProjection(0);
    // Picking drew nothing on screen; the next paint shows the new selection.
    update();
}

void COpenGLWnd::DrawGrid()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_POLYGON_OFFSET_LINE);
    glDisable(GL_BLEND);
    const MVector3& u = m_GridU;
    const MVector3& v = m_GridV;
    auto line = [](const MVector3& a, const MVector3& b)
    {
        glVertex3f(a.x, a.y, a.z);
        glVertex3f(b.x, b.y, b.z);
    };
    glBegin(GL_LINES);
    glColor3f(0.0f, 0.0f, 0.0f);
    line(u * -250.0f, u * 250.0f);
    line(v * -250.0f, v * 250.0f);
    glColor3f(0.3f, 0.3f, 0.3f);
    for (int i = -250; i < 250; i += 10)
    {
        const float f = float(i);
        line(u * -250.0f + v * f, u * 250.0f + v * f);
        line(v * -250.0f + u * f, v * 250.0f + u * f);
    }
    glEnd();
    glPopAttrib();
}

void COpenGLWnd::DrawOverlay()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POLYGON_BIT |
                 GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    g_ToolManager.GetCurrentTool()->Draw(false, m_InputState, this);

    // The axis tripod, turned like the camera, in the bottom-left corner.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    LoadPixelProjection();
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    glTranslatef(20.0f, 20.0f, 0.0f);
    glRotatef(m_Angles.y, 0.0f, 1.0f, 0.0f);
    glRotatef(m_Angles.x, 1.0f, 0.0f, 0.0f);
    glRotatef(m_Angles.z, 0.0f, 0.0f, 1.0f);
    DrawAxisGizmo(15.0f, 1.0f, 1.0f, false,
                  GIZMO_X | GIZMO_Y | GIZMO_Z | GIZMO_VIEW_PLANE | GIZMO_LABELS);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();

    // Name, corner box and active frame.
    DrawStandardOverlay();
}

int COpenGLWnd::PickAt(bool pick)
{
    if (!pick || MakeCurrent() != 0)
        return 0;
    std::vector<GLuint> buffer(kSelectBufferEntries, 0);
    glSelectBuffer(kSelectBufferEntries, buffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(kHandleMarker);
    g_ToolManager.GetCurrentTool()->Draw(true, m_InputState, this);
    if (g_ToolManager.IsTemporary())
        if (MToolType* below = g_ToolManager.GetTool(1))
            below->Draw(true, m_InputState, this);
    const GLint hits = glRenderMode(GL_RENDER);
    if (hits < 1)
        return 0;
    int handle = 0;
    size_t pos = 0;
    for (GLint h = 0; h < hits; ++h)
    {
        if (pos + 3 > buffer.size())
            break;
        const GLuint count = buffer[pos];
        if (count > buffer.size() - pos - 3)
            break;
        const GLuint* names = buffer.data() + pos + 3;
        for (GLuint j = 0; j + 1 < count; ++j)
            if (names[j] == kHandleMarker)
                handle = int(names[j + 1]);
        pos += 3 + count;
    }
    return handle;
}

void COpenGLWnd::OnMouseDown(int x, int y, const MKeyState& state)
{
    setFocus();
    UpdateCameraMatrices();
    if (state.left || state.middle)
    {
        MToolType* tool = g_ToolManager.GetCurrentTool();
        if (tool->m_SelectFlag && g_CurrentScene &&
            g_CurrentScene->GetSelectedList().GetCount() < 1)
            g_ToolManager.SetTemporaryTool(new MSelectToolType());
        if (MToolType* camera = CameraToolFor(state, x, y))
            g_ToolManager.SetTemporaryTool(camera);
    }
    MToolType* tool = g_ToolManager.GetCurrentTool();
    m_DragCurrent = m_DragStart;
    tool->m_CurrentMouse = MVector3(float(x), float(y), 0.0f);

    SetToolDragPositions(QPointF(x, y), QPointF(x, y));
    int handle = 0;
    if (MakeCurrent() == 0)
    {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        SetupProjection(1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        SetupViewTransform();
        handle = PickAt(true);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    if (Matches(state, CONTROL_GRAB))
        handle = tool->GetDefaultHandle();
    tool->m_Handle = handle;
    if (handle == 0 && tool->GetDefaultHandle() != -1)
    {
        g_ToolManager.SetTemporaryTool(new MSelectToolType());
        tool = g_ToolManager.GetCurrentTool();
    }
    tool->OnToolMouseDown(float(x), float(y), state);

    const MVector3 point = ScreenToPlane(x, y, tool->m_Plane);
    m_DragStartPlane = m_DragCurrentPlane = point;
    tool->m_StartPoint = point;
    tool->m_StartRay = ScreenToRay(x, y);
    tool->m_StartMouse = tool->m_PrevMouse = MVector3(float(x), float(y), 0.0f);
    delete g_PendingUndoNode;
    g_PendingUndoNode = nullptr;
}

void COpenGLWnd::OnMouseUp(int x, int y, const MKeyState& state)
{
    MakeCurrent();
    MToolType* tool = g_ToolManager.GetCurrentTool();
    const MVector3 point = ScreenToPlane(x, y, tool->m_Plane);
    m_DragCurrentPlane = point;
    tool->m_CurrentPoint = tool->m_EndPoint = point;
    tool->m_CurrentRay = ScreenToRay(x, y);
    tool->m_CurrentMouse = tool->m_PrevMouse = MVector3(float(x), float(y), 0.0f);
    tool->OnToolMouseUp(float(x), float(y), state);
    if (!AnyButton(state))
    {
        m_DragCurrent = QPoint(x, y);
        tool->m_Held = false;
        Redraw();
        if (g_PendingUndoNode)
        {
            g_UndoList.AddNode(g_PendingUndoNode);
            g_PendingUndoNode = nullptr;
        }
        g_ToolManager.EndTemporaryTool();
    }
    MSendSceneChanged();
}

void COpenGLWnd::OnMouseMove(int x, int y, const MKeyState& state)
{
    MakeCurrent();
    setCursor(Qt::ArrowCursor);
    m_DragCurrent = QPoint(x, y);
    MToolType* tool = g_ToolManager.GetCurrentTool();
    const MVector3 point = ScreenToPlane(x, y, tool->m_Plane);
    m_DragCurrentPlane = point;
    tool->m_CurrentPoint = point;
    tool->m_CurrentRay = ScreenToRay(x, y);
    tool->m_CurrentMouse = tool->m_PrevMouse = MVector3(float(x), float(y), 0.0f);

    if (tool->m_Held && tool->WrapsCursor() && AnyButton(state))
        WrapCursor(tool, x, y);
    if (MToolType* camera = CameraToolFor(state, int(s_PrevMouse.x), int(s_PrevMouse.y)))
        g_ToolManager.SetTemporaryTool(camera);
    if (g_ToolManager.GetCurrentTool()->OnDrag(float(x), float(y), state))
    {
        MSendMessage(UM_REFRESH_CHANNELS);
        Redraw();
    }
    s_PrevMouse = MVector3(float(x), float(y), 0.0f);
}

void COpenGLWnd::WrapCursor(MToolType* tool, int& x, int& y)
{
    QScreen* s = screen();
    if (!s)
        return;
    const QRect g = s->geometry();
    const int W = g.width();
    const int H = g.height();
    const QPoint global = mapToGlobal(QPoint(x, y));
    const int sx = global.x() - g.x();
    const int sy = global.y() - g.y();
    int shiftX = 0, shiftY = 0;
    QPoint to = global;
    if (sx >= W - 1)
    {
        to.setX(g.x() + 2);
        shiftX = 1 - W;
    }
    else if (sy >= H - 1)
    {
        to.setY(g.y() + 2);
        shiftY = 1 - H;
    }
    else if (sx <= 0)
    {
        to.setX(g.x() + W - 3);
        shiftX = W - 1;
    }
    else if (sy <= 0)
    {
        to.setY(g.y() + H - 3);
        shiftY = H - 1;
    }
    else
        return;
    QCursor::setPos(s, to);
    x += shiftX;
    y += shiftY;
    const MVector3 shift(float(shiftX), float(shiftY), 0.0f);
    tool->m_PrevMouse += shift;
    tool->m_StartMouse += shift;
    s_PrevMouse += shift;
}

void COpenGLWnd::wheelEvent(QWheelEvent* event)
{
    event->accept();
    // The wheel acts on the view under the mouse.
    SetActiveView(this);
    const int delta = event->angleDelta().y();
    if (delta > 0)
        g_ActionRegistry.RunActionByName("KViewportZoomIn");
    else if (delta < 0)
        g_ActionRegistry.RunActionByName("KViewportZoomOut");
}

void COpenGLWnd::ReadKeyModifiers(const QKeyEvent* event)
{
    Qt::KeyboardModifiers m = event->modifiers();
    // A modifier key's own event reports the state before it changed.
    const bool down = event->type() == QEvent::KeyPress;
    auto apply = [&](int key, Qt::KeyboardModifier mod)
    {
        if (event->key() == key)
            m = down ? (m | mod) : (m & ~mod);
    };
    apply(Qt::Key_Shift, Qt::ShiftModifier);
    apply(Qt::Key_Control, Qt::ControlModifier);
    apply(Qt::Key_Alt, Qt::AltModifier);
    m_InputState.shift = (m & Qt::ShiftModifier) ? 1 : 0;
    m_InputState.ctrl = (m & Qt::ControlModifier) ? 1 : 0;
    m_InputState.alt = (m & Qt::AltModifier) ? 1 : 0;
}

void COpenGLWnd::keyPressEvent(QKeyEvent* event)
{
    ReadKeyModifiers(event);
    // Bound keys run in the main window.
    event->ignore();
}

void COpenGLWnd::keyReleaseEvent(QKeyEvent* event)
{
    ReadKeyModifiers(event);
    event->ignore();
}

void COpenGLWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void COpenGLWnd::ShowPopupMenu(int screenX, int screenY)
{
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("Viewport"));
    auto add = [](QMenu* m, const char* text, int id, bool checked, QActionGroup* group = nullptr)
    {
        QAction* a = m->addAction(QString::fromLatin1(text));
        MSetCommandId(a, id);
        a->setCheckable(true);
        a->setChecked(checked);
        if (group)
            group->addAction(a);
        return a;
    };
    add(&menu, "Backface Cull", ID_BACKFACE_CULL, HasFlags(VIEW_BACKFACE_CULL));
    menu.addSeparator();
    auto* shading = new QActionGroup(&menu);
    add(&menu, "Lit Textured", ID_SHADE_LIT_TEXTURED, m_ShadingMode == SHADE_LIT_TEXTURED, shading);
    add(&menu, "Textured", ID_SHADE_TEXTURED, m_ShadingMode == SHADE_TEXTURED, shading);
    add(&menu, "Smooth Shaded", ID_SHADE_SMOOTH, m_ShadingMode == SHADE_SMOOTH, shading);
    add(&menu, "Flat Shaded", ID_SHADE_FLAT, m_ShadingMode == SHADE_FLAT, shading);
    add(&menu, "Wireframe", ID_SHADE_WIREFRAME, m_ShadingMode == SHADE_WIREFRAME, shading);
    menu.addSeparator();
    QMenu* grid = menu.addMenu(QStringLiteral("Grid"));
    grid->setAccessibleName(QStringLiteral("Grid"));
    add(grid, "Visible", ID_GRID_VISIBLE, HasFlags(VIEW_GRID_VISIBLE));
    grid->addSeparator();
    for (auto [text, id] :
         {std::pair{"Use XY Plane", int(ID_GRID_XY)}, std::pair{"Use XZ Plane", int(ID_GRID_XZ)},
          std::pair{"Use YZ Plane", int(ID_GRID_YZ)}})
        MSetCommandId(grid->addAction(QString::fromLatin1(text)), id);
    QMenu* filter = menu.addMenu(QStringLiteral("Texture Filter"));
    filter->setAccessibleName(QStringLiteral("Texture Filter"));
    auto* filters = new QActionGroup(&menu);
    add(filter, "Nearest", ID_FILTER_NEAREST, m_TextureFilter == GL_NEAREST, filters);
    add(filter, "Linear", ID_FILTER_LINEAR, m_TextureFilter == GL_LINEAR, filters);
    AppendViewMenu(&menu);
    RunPopupMenu(&menu, screenX, screenY);
}

int COpenGLWnd::OnViewCommand(int commandId)
{
    if (const int r = MBaseViewWnd::OnViewCommand(commandId))
        return r;
    switch (commandId)
    {
    case ID_BACKFACE_CULL:
        SetFlags(GetFlags() ^ VIEW_BACKFACE_CULL);
        return 1;
    case ID_SHADE_LIT_TEXTURED:
        m_ShadingMode = SHADE_LIT_TEXTURED;
        return 1;
    case ID_SHADE_TEXTURED:
        m_ShadingMode = SHADE_TEXTURED;
        return 1;
    case ID_SHADE_SMOOTH:
        m_ShadingMode = SHADE_SMOOTH;
        return 1;
    case ID_SHADE_FLAT:
        m_ShadingMode = SHADE_FLAT;
        return 1;
    case ID_SHADE_WIREFRAME:
        m_ShadingMode = SHADE_WIREFRAME;
        return 1;
    case ID_GRID_VISIBLE:
        SetFlags(GetFlags() ^ VIEW_GRID_VISIBLE);
        return 1;
    case ID_FILTER_NEAREST:
        m_TextureFilter = GL_NEAREST;
        return 1;
    case ID_FILTER_LINEAR:
        m_TextureFilter = GL_LINEAR;
        return 1;
    case ID_GRID_XY:
    case ID_GRID_XZ:
    case ID_GRID_YZ:
        return 1;
    default:
        return 0;
    }
}
