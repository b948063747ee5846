#pragma once

// A material view on the virtual X server over a scene built in the test,
// with helpers to find cells on screen and to drive the real view with mouse
// events.

#include "ViewTestSupport.h"

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MTextureCache.h"

#include <cmath>
#include <string>
#include <vector>

// A material view whose popup menu is "chosen" by the test: the item with
// chooseCommand is returned (0: the menu is dismissed). What the menu held
// and the selection at the moment it opened are recorded.
class TestMaterialView : public CMaterialViewWnd
{
  public:
    int chooseCommand = 0;
    int popups = 0;
    // Top-level items, and the "Add Shader Node" items with their ids.
    std::vector<QString> menuTexts;
    std::vector<std::pair<QString, int>> nodeItems;
    // Names of the selected objects when the menu opened.
    std::vector<std::string> selectedAtPopup;

  protected:
    QAction* TrackPopupMenu(QMenu* menu, int, int) override
    {
        ++popups;
        menuTexts.clear();
        nodeItems.clear();
        for (QAction* a : menu->actions())
        {
            menuTexts.push_back(a->text());
            if (a->menu() && a->text() == "Add Shader Node")
                for (QAction* n : a->menu()->actions())
                    nodeItems.emplace_back(n->text(), MGetCommandId(n));
        }
        selectedAtPopup.clear();
        if (g_CurrentScene)
            for (MBaseObject* o : g_CurrentScene->GetSelectedList())
                selectedAtPopup.push_back(o->GetName().str());
        return chooseCommand ? MFindMenuItem(menu, chooseCommand) : nullptr;
    }
};

// A shader node that counts how often it is asked to set up its swatch.
class CountingNode : public MBaseShaderNode
{
  public:
    M_DECLARE_SHADER_NODE(CountingNode, "CountingNode")
    int SetOpenGLParams() override
    {
        ++calls;
        return 0;
    }
    static inline int calls = 0;
};

// A w x h Targa file of one colour.
inline std::string SolidTarga(int r, int g, int b, int w = 4, int h = 4)
{
    return Targa(w, h, std::vector<RgbPixel>(static_cast<size_t>(w * h), RgbPixel{r, g, b}));
}

class MaterialViewTest : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_CurrentScene = sys.Scene();
        view = AddView<TestMaterialView>(QRect(0, 0, 800, 600), "Material View", 0);
        ShowMain();
        ASSERT_TRUE(view->isValid()) << "no OpenGL context: run under xvfb-run";
    }

    void TearDown() override
    {
        if (view && view->MakeCurrent() == 0)
            MTextureCache::Instance().ReleaseGLTextures();
        MTextureCache::Instance().Clear();
        g_CurrentScene = nullptr;
        MConfig::DefaultControls(g_Config.m_Controls);
        ViewTest::TearDown();
    }

    MScene* Scene() { return sys.Scene(); }

    // Objects made as the shader reader makes them: a material at the top
    // of the scene's tree, its layers under it, their nodes under them.
    MMaterial* AddMaterial(const char* name, bool expanded = false)
    {
        auto* m = new MMaterial();
        m->SetName(name);
        if (!expanded)
            m->ClearFlags(OBJ_EXPANDED);
        Scene()->AddObject(m);
        return m;
    }
    MMaterialLayer* AddLayer(MMaterial* m, const char* name, bool expanded = true)
    {
        auto* l = new MMaterialLayer();
        l->SetName(name);
        if (!expanded)
            l->ClearFlags(OBJ_EXPANDED);
        m->AddLayer(l);
        Scene()->AddObject(l, Scene()->FindObject(m));
        return l;
    }
    template <class Node = MQ3MapSurfaceShaderNode>
    Node* AddNode(MMaterialLayer* l, const char* name)
    {
        auto* n = new Node();
        n->SetName(name);
        l->AddShader(n);
        Scene()->AddObject(n, Scene()->FindObject(l));
        return n;
    }
    MFileShaderNode* AddFileNode(MMaterialLayer* l, const char* name, const char* file)
    {
        MFileShaderNode* n = AddNode<MFileShaderNode>(l, name);
        n->SetParamByName("Fname", file);
        return n;
    }

    // The window pixel of a world position, and of a cell's centre.
    QPoint Pixel(float x, float y) const
    {
        const QPointF p = view->WorldToScreen(MVector3(x, y, 0));
        return QPoint(int(std::lround(p.x())), int(std::lround(p.y())));
    }
    QPoint CellCentre(float x, float y) const { return Pixel(x + 0.2f, y + 0.2f); }

    // A plain left drag from one pixel to another, through a point between.
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(view, Qt::LeftButton, mods, from);
        QTest::mouseMove(view, (from + to) / 2);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, mods, to);
    }

    static std::vector<std::string> Names(const MBaseObjectList& list)
    {
        std::vector<std::string> out;
        for (MBaseObject* o : list)
            out.push_back(o->GetName().str());
        return out;
    }
    // The names of an object's children in the scene's tree.
    std::vector<std::string> TreeChildren(MBaseObject* parent)
    {
        std::vector<std::string> out;
        MBaseObjectTreeNode* n = Scene()->FindObject(parent);
        for (MBaseObjectTreeNode* c = n ? n->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
            out.push_back(c->GetObject()->GetName().str());
        return out;
    }

    TestMaterialView* view = nullptr;
};
