#include "MSelectToolType.h"

#include "COpenGLWnd.h"
#include "Globals.h"
#include "MBaseViewWndList.h"
#include "MMesh.h"
#include "MScene.h"
#include "MSelectionItem.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <GL/gl.h>

#include <vector>

MSelectToolType::MSelectToolType()
{
    SetName("KToolSelect");
}

int MSelectToolType::Draw(bool pick, const MKeyState&, MBaseViewWnd* view)
{
    auto* gl = dynamic_cast<MBaseOpenGLWnd*>(view);
    if (pick || !gl || view != g_ActiveView || !m_Held)
        return 1;
    const float w = float(gl->width());
    const float h = float(gl->height());
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, double(w), 0.0, double(h), -20.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(1.0f);
    glColor3f(0.0f, 0.8f, 0.6f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(m_StartMouse.x, h - m_StartMouse.y);
    glVertex2f(m_StartMouse.x, h - m_PrevMouse.y);
    glVertex2f(m_PrevMouse.x, h - m_PrevMouse.y);
    glVertex2f(m_PrevMouse.x, h - m_StartMouse.y);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    return 1;
}

int MSelectToolType::OnToolMouseDown(float x, float y, const MKeyState& state)
{
    MToolType::OnToolMouseDown(x, y, state);
    m_Replace = m_Shift = m_Box = false;
    if (state.left)
    {
        if (state.shift)
            m_Shift = true;
        else
            m_Replace = true;
    }
    return 1;
}

int MSelectToolType::OnDrag(float x, float y, const MKeyState& state)
{
    MToolType::OnDrag(x, y, state);
    if (state.right || state.middle)
    {
        m_Held = false;
        return 0;
    }
    if (!state.left)
        m_Held = false;
    if (!m_Held)
        return 0;
    m_Box = true;
    return 1;
}

int MSelectToolType::OnToolMouseUp(float x, float y, const MKeyState& state)
{
    MToolType::OnToolMouseUp(x, y, state);
    if (!m_Replace && !m_Shift)
        return 0;
    auto* view = dynamic_cast<COpenGLWnd*>(g_ActiveView);
    if (!view || state.left || state.right || state.middle || !g_CurrentScene)
        return 0;
    MScene* scene = g_CurrentScene;

    auto* node = new MSelectUndoNode();
    node->SetName("Select");
    const int kind = scene->GetSelectionMode();
    const uint32_t componentFlag = ComponentFlagOfKind(kind);
    if (!state.ctrl && !state.shift)
    {
        scene->SelectNone();
        // A new component selection replaces the old one as well.
        if (componentFlag)
            scene->ForEachNode(
                [componentFlag](MBaseObjectTreeNode* n)
                {
                    auto* so = dynamic_cast<MSceneObject*>(n->GetObject());
                    auto* mesh = so ? dynamic_cast<MMesh*>(so->GetGeometry()) : nullptr;
                    if (!mesh)
                        mesh = dynamic_cast<MMesh*>(so);
                    if (mesh)
                        mesh->ClearComponentFlags(componentFlag);
                });
    }
    scene->SetPickMode(m_Shift ? (m_Box ? 4 : 2) : (m_Box ? 3 : 1));
    const bool select = !m_Shift;

    m_ObjectList->RemoveAll();
    view->PickScene(m_StartMouse, m_CurrentMouse, m_ObjectList.Get());
    scene->SetPickMode(0);
    // The hits are walked from a copy: selecting may run code that touches
    // the tool's list.
    std::vector<MRef<MBaseObject>> hits;
    for (MBaseObject* o : *m_ObjectList)
        hits.emplace_back(o);
    m_ObjectList->RemoveAll();

    for (const MRef<MBaseObject>& hit : hits)
    {
        auto* item = dynamic_cast<MSelectionItem*>(hit.Get());
        if (!item || !item->GetObject())
            continue;
        MBaseObject* obj = item->GetObject();
        if (item->GetComponentCount() == 0)
        {
            if (state.ctrl)
            {
                if (obj->HasFlags(OBJ_SELECTED))
                    scene->DeselectObject(obj);
                else
                    scene->SelectObject(obj);
            }
            else if (select)
                scene->SelectObject(obj);
            else
                scene->DeselectObject(obj);
            continue;
        }
        auto* so = dynamic_cast<MSceneObject*>(obj);
        if (!so)
            continue;
        MSceneObject* target = so->GetGeometry() ? so->GetGeometry() : so;
        for (int i = 0; i < item->GetComponentCount(); ++i)
        {
            int componentKind = 0, index = 0;
            if (item->GetComponent(i, componentKind, index))
                target->SetComponentFlag(ComponentFlagOfKind(componentKind), index, select);
        }
    }
    g_UndoList.AddNode(node);
    return 1;
}
