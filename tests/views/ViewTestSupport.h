#pragma once

// Views under test sit in a shown main window on the virtual X server, so
// mouse input goes through Qt's window system path (implicit grab included)
// and the OpenGL contexts are real.
#define QTEST_QPA_MOUSE_HANDLING

#include "CMaterialViewWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "MAction.h"
#include "MBaseViewWndList.h"
#include "MMenu.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A material view that records what the framework passes on to it.
class RecordingView : public CMaterialViewWnd
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
        if (!realPopup)
        {
            popups.push_back(QPoint(sx, sy));
            return;
        }
        CMaterialViewWnd::ShowPopupMenu(sx, sy);
    }
    void Redraw() override
    {
        ++redraws;
        CMaterialViewWnd::Redraw();
    }
    int Count(char kind) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.kind == kind;
        return n;
    }
    const Call* Last(char kind) const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }

    std::vector<Call> calls;
    std::vector<QPoint> popups;
    int redraws = 0;
    // With realPopup the view builds its own menu; the item with this
    // command id is "chosen" (0: the menu is dismissed).
    bool realPopup = false;
    int chooseCommand = 0;
    // The texts of the menu's items, kept by the test: a view replaced
    // through its menu is gone once events have been processed.
    std::vector<QString>* menuTexts = nullptr;

  protected:
    QAction* TrackPopupMenu(QMenu* menu, int, int) override
    {
        if (menuTexts)
            for (QAction* a : menu->actions())
                menuTexts->push_back(a->text());
        return MFindMenuItem(menu, chooseCommand);
    }
};

// Counts the layout requests a widget receives.
class LayoutRequestCounter : public QObject
{
  public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::LayoutRequest)
            ++count;
        return false;
    }
    int count = 0;
};

// A shown main window with room for views, a captured log, and clean view
// globals before and after each test.
class ViewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(g_ViewWndList.GetCount(), 0);
        main = std::make_unique<QWidget>();
        main->resize(800, 600);
        g_MainWnd = main.get();
    }

    void TearDown() override
    {
        while (MBaseViewWnd* v = g_ViewWndList.GetHead())
            g_ViewWndList.RemoveView(v);
        g_ActiveView = nullptr;
        for (MBaseViewWnd*& p : g_ViewPanes)
            p = nullptr;
        g_MainWnd = nullptr;
        main.reset();
        g_ActionRegistry.Clear();
        FlushDeletes();
    }

    static void FlushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A view of the class as a child of the main window at the rectangle,
    // initialised, named and listed, as the main window makes its panes.
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

    TestSystem sys;
    std::unique_ptr<QWidget> main;
};
