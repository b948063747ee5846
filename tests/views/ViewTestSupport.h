#pragma once

#define QTEST_QPA_MOUSE_HANDLING

#include "CMaterialViewWnd.h"
#include "COpenGLWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "KActions.h"
#include "KUndoActions.h"
#include "KViewActions.h"
#include "MAction.h"
#include "MBaseShaderNode.h"
#include "MBaseViewWndList.h"
#include "MGLFont.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMenu.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MTextureCache.h"
#include "MToolManager.h"
#include "MTranslator.h"
#include "MUndoList.h"
#include "TestSupport.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QOpenGLContext>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <vector>

template <class View> class Choosing : public View
{
  public:
    using View::View;
    void Redraw() override { ++redraws, View::Redraw(); }
    int chooseCommand = 0;
    int popups = 0;
    int redraws = 0;
    std::vector<QString> texts;                     // top-level items
    std::vector<int> checked;                       // ids of checked items, submenus too
    std::vector<std::pair<QString, int>> nodeItems; // "Add Shader Node"
    std::vector<std::string> selectedAtPopup;

  protected:
    QAction* TrackPopupMenu(QMenu* menu, int, int) override
    {
        ++popups;
        texts.clear();
        checked.clear();
        nodeItems.clear();
        selectedAtPopup.clear();
        std::vector<QMenu*> menus{menu};
        for (size_t i = 0; i < menus.size(); ++i)
            for (QAction* a : menus[i]->actions())
            {
                if (i == 0)
                    texts.push_back(a->text());
                if (a->menu())
                    menus.push_back(a->menu());
                else if (a->isChecked())
                    checked.push_back(MGetCommandId(a));
                if (a->menu() && a->text() == "Add Shader Node")
                    for (QAction* n : a->menu()->actions())
                        nodeItems.emplace_back(n->text(), MGetCommandId(n));
            }
        if (g_CurrentScene)
            for (MBaseObject* o : g_CurrentScene->GetSelectedList())
                selectedAtPopup.push_back(o->GetName().str());
        return chooseCommand ? MFindMenuItem(menu, chooseCommand) : nullptr;
    }
};
class RecordingView : public Choosing<CMaterialViewWnd>
{
  public:
    struct Call
    {
        char kind; // 'd' down, 'u' up, 'm' move
        int x, y;
        MKeyState state;
    };
    void OnMouseDown(int x, int y, const MKeyState& s) override { calls.push_back({'d', x, y, s}); }
    void OnMouseUp(int x, int y, const MKeyState& s) override { calls.push_back({'u', x, y, s}); }
    void OnMouseMove(int x, int y, const MKeyState& s) override { calls.push_back({'m', x, y, s}); }
    void ShowPopupMenu(int sx, int sy) override
    {
        realPopup ? CMaterialViewWnd::ShowPopupMenu(sx, sy) : popupAt.push_back(QPoint(sx, sy));
    }
    int Count(char kind) const
    {
        return int(
            std::count_if(calls.begin(), calls.end(), [&](auto& c) { return c.kind == kind; }));
    }
    const Call& Last(char kind) const
    {
        return *std::find_if(calls.rbegin(), calls.rend(), [&](auto& c) { return c.kind == kind; });
    }
    std::vector<Call> calls;
    std::vector<QPoint> popupAt;
    bool realPopup = false;
};
class ViewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(g_ViewWndList.GetCount(), 0);
        main = std::make_unique<QWidget>();
        main->resize(800, 600);
        g_MainWnd = main.get();
        MConfig::DefaultControls(g_Config.m_Controls);
    }
    void TearDown() override
    {
        for (int i = 0; MBaseViewWnd* v = g_ViewWndList.GetAt(i); ++i)
            if (auto* gl = dynamic_cast<MBaseOpenGLWnd*>(v); gl && gl->MakeCurrent() == 0)
            {
                MTextureCache::Instance().ReleaseGLTextures();
                break;
            }
        MTextureCache::Instance().Clear();
        g_ToolManager.Release();
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_CurrentScene = nullptr;
        MConfig::DefaultControls(g_Config.m_Controls);
        while (MBaseViewWnd* v = g_ViewWndList.GetHead())
            g_ViewWndList.RemoveView(v);
        g_ActiveView = nullptr;
        std::fill(std::begin(g_ViewPanes), std::end(g_ViewPanes), nullptr);
        g_MainWnd = nullptr;
        main.reset();
        g_ActionRegistry.Clear();
        FlushDeletes();
    }
    static void FlushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <class View> View* AddView(const QRect& r, const char* name, int pane = -1)
    {
        auto* v = new View();
        v->setParent(main.get());
        v->setGeometry(r);
        v->InitView();
        v->SetViewName(name);
        g_ViewWndList.AddView(v);
        if (pane >= 0)
            g_ViewPanes[pane] = v;
        v->show();
        return v;
    }
    void ShowMain()
    {
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    template <class View> View* ShowSceneView(const QRect& r, const char* name)
    {
        g_CurrentScene = sys.Scene();
        View* v = AddView<View>(r, name, 0);
        ShowMain();
        EXPECT_TRUE(v->isValid()) << "no OpenGL context: run under xvfb-run";
        return v;
    }
    void LoadPluginsAndImages()
    {
        ASSERT_GT(sys.LoadPlugins(), 0);
        sys.Manager().GetImageSearchPaths().AddString(dir.Path().string().c_str());
    }
    void ImportCorpus(std::initializer_list<const char*> files)
    {
        for (const char* file : files)
        {
            const std::string path = (CorpusDir() / "shaders" / "openarena" / file).string();
            MMaterialTranslator* t = sys.Manager().FindMaterialTranslatorThatImports(path.c_str());
            ASSERT_NE(t, nullptr);
            ASSERT_TRUE(t->ImportFile(path.c_str(), Scene())) << path;
        }
    }
    static void Save(const QImage& image, const char* name)
    {
        const std::filesystem::path folder = BinDir().parent_path() / "screenshots";
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(image.save(QString::fromStdString((folder / name).string())));
    }
    MScene* Scene() { return sys.Scene(); }
    template <class T> static T* Named(const char* name, bool expanded = true)
    {
        auto* o = new T();
        o->SetName(name);
        if (!expanded)
            o->ClearFlags(OBJ_EXPANDED);
        return o;
    }
    MMaterial* AddMaterial(const char* name, bool expanded = false)
    {
        auto* m = Named<MMaterial>(name, expanded);
        Scene()->AddObject(m);
        return m;
    }
    MMaterialLayer* AddLayer(MMaterial* m, const char* name, bool expanded = true)
    {
        auto* l = Named<MMaterialLayer>(name, expanded);
        m->AddLayer(l);
        Scene()->AddObject(l, Scene()->FindObject(m));
        return l;
    }
    template <class Node = MQ3MapSurfaceShaderNode>
    Node* AddNode(MMaterialLayer* l, const char* name, const char* file = nullptr)
    {
        auto* n = Named<Node>(name);
        if (file)
            n->SetParamByName("Fname", file);
        l->AddShader(n);
        Scene()->AddObject(n, Scene()->FindObject(l));
        return n;
    }
    static std::vector<std::string> Names(const MBaseObjectList& list)
    {
        std::vector<std::string> out;
        for (MBaseObject* o : list)
            out.push_back(o->GetName().str());
        return out;
    }
    std::vector<std::string> TreeChildren(MBaseObject* parent)
    {
        std::vector<std::string> out;
        MBaseObjectTreeNode* n = Scene()->FindObject(parent);
        for (MBaseObjectTreeNode* c = n ? n->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
            out.push_back(c->GetObject()->GetName().str());
        return out;
    }
    TestSystem sys;
    TempDir dir;
    std::unique_ptr<QWidget> main;
};
using Strings = std::vector<std::string>;
inline std::string SolidTarga(int r, int g, int b)
{
    return Targa(4, 4, std::vector<RgbPixel>(16, RgbPixel{r, g, b}));
}
inline bool IsGrey(QRgb c, int level = 102, int tol = 4)
{
    return std::abs(qRed(c) - level) <= tol && std::abs(qGreen(c) - level) <= tol &&
           std::abs(qBlue(c) - level) <= tol;
}
class MaterialViewTest : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = ShowSceneView<Choosing<CMaterialViewWnd>>(QRect(0, 0, 800, 600), "Material View");
    }
    QPoint Pixel(float x, float y) const
    {
        const QPointF p = view->WorldToScreen(MVector3(x, y, 0));
        return QPoint(int(std::lround(p.x())), int(std::lround(p.y())));
    }
    Choosing<CMaterialViewWnd>* view = nullptr;
};
