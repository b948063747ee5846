#pragma once

// A 3D viewport on the virtual X server over the test system's scene, with
// the tool manager and undo lists cleaned around each test.

#include "ViewTestSupport.h"

#include "COpenGLWnd.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MTextureCache.h"
#include "MToolManager.h"
#include "MUndoList.h"

#include <QImage>

// A viewport whose popup menu is "chosen" by the test; the checked items of
// the last menu are kept.
class TestViewport : public COpenGLWnd
{
  public:
    int chooseCommand = 0;
    std::vector<int> checked;

  protected:
    QAction* TrackPopupMenu(QMenu* menu, int, int) override
    {
        checked.clear();
        std::vector<QMenu*> menus{menu};
        for (size_t i = 0; i < menus.size(); ++i)
            for (QAction* a : menus[i]->actions())
            {
                if (a->menu())
                    menus.push_back(a->menu());
                else if (a->isChecked())
                    checked.push_back(MGetCommandId(a));
            }
        return chooseCommand ? MFindMenuItem(menu, chooseCommand) : nullptr;
    }
};

class ViewportTest : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_CurrentScene = sys.Scene();
        g_ToolManager.Release();
        view = AddView<TestViewport>(QRect(0, 0, 400, 200), "Top", 0);
        ShowMain();
        ASSERT_TRUE(view->isValid()) << "no OpenGL context: run under xvfb-run";
        SetActiveView(view);
    }

    void TearDown() override
    {
        if (view && view->MakeCurrent() == 0)
            MTextureCache::Instance().ReleaseGLTextures();
        MTextureCache::Instance().Clear();
        g_ToolManager.Release();
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_CurrentScene = nullptr;
        ViewTest::TearDown();
    }

    MScene* Scene() { return sys.Scene(); }

    MMaterial* AddMaterial(const char* name)
    {
        auto* m = new MMaterial();
        m->SetName(name);
        Scene()->AddObject(m);
        return m;
    }

    // A stage drawing a texture, under the material in the tree too.
    MFileShaderNode* AddTexturedStage(MMaterial* m, const char* file)
    {
        if (m->GetLayerCount() == 0)
        {
            auto* options = new MMaterialLayer();
            m->AddLayer(options);
            Scene()->AddObject(options, Scene()->FindObject(m));
        }
        auto* stage = new MMaterialLayer();
        m->AddLayer(stage);
        Scene()->AddObject(stage, Scene()->FindObject(m));
        auto* file_node = new MFileShaderNode();
        file_node->SetParamByName("Fname", file);
        stage->AddShader(file_node);
        Scene()->AddObject(file_node, Scene()->FindObject(stage));
        return file_node;
    }

    // The window pixel of a world point in an orthographic top view.
    QPoint TopPixel(float x, float y) const
    {
        const float scale =
            view->m_Zoom * float(view->width()) / (view->m_ProjRight - view->m_ProjLeft);
        return QPoint(int(std::lround(view->width() / 2.0f + (x - view->m_Target.x) * scale)),
                      int(std::lround(view->height() / 2.0f - (y - view->m_Target.y) * scale)));
    }

    QImage Grab() { return view->grabFramebuffer(); }

    TestViewport* view = nullptr;
};
