#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MActionList.h"
#include "MKeyBinding.h"
#include "TestSupport.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
// Handlers that count their calls.
int g_Calls[3];
int CountA()
{
    ++g_Calls[0];
    return 1;
}
int CountB()
{
    ++g_Calls[1];
    return 7;
}
int RefuseC()
{
    ++g_Calls[2];
    return 0;
}

void ResetCalls()
{
    g_Calls[0] = g_Calls[1] = g_Calls[2] = 0;
}

std::vector<std::string> Names(const MActionRegistry& registry)
{
    std::vector<std::string> names;
    for (MAction* a = registry.GetHead(); a; a = a->GetNext())
        names.push_back(a->GetName().c_str());
    return names;
}
} // namespace

TEST(ActionRegistry, NewActionsGoToTheHeadWithLinksBothWays)
{
    MActionRegistry registry;
    MAction* a = registry.RegisterAction("KFirst", "First", "Main", CountA);
    MAction* b = registry.RegisterAction("KSecond", "Second", "View", CountB);
    MAction* c = registry.RegisterAction("KThird", "Third", "General", RefuseC);
    EXPECT_EQ(registry.GetCount(), 3);
    EXPECT_EQ(Names(registry), (std::vector<std::string>{"KThird", "KSecond", "KFirst"}));
    EXPECT_EQ(registry.GetActionAt(0), c);
    EXPECT_EQ(registry.GetActionAt(1), b);
    EXPECT_EQ(registry.GetActionAt(2), a);
    EXPECT_EQ(registry.GetActionAt(3), nullptr);
    EXPECT_EQ(registry.GetActionAt(-1), nullptr);
    EXPECT_EQ(c->GetPrev(), nullptr);
    EXPECT_EQ(b->GetPrev(), c);
    EXPECT_EQ(a->GetPrev(), b);
    EXPECT_EQ(a->GetNext(), nullptr);
    EXPECT_EQ(b->GetDescription(), "Second");
    EXPECT_EQ(b->GetListName(), "View");
    EXPECT_FALSE(b->GetMenuItem().IsSet());

    registry.Clear();
    EXPECT_EQ(registry.GetCount(), 0);
    EXPECT_EQ(registry.GetHead(), nullptr);
    EXPECT_EQ(registry.GetActionAt(0), nullptr);
}

TEST(ActionRegistry, FindsByNameIgnoringCaseWithinTheList)
{
    MActionRegistry registry;
    MAction* mainNew = registry.RegisterAction("KFileNew", "File New", "Main", CountA);
    MAction* viewNew = registry.RegisterAction("KFileNew", "Other", "View", CountB);
    registry.RegisterAction("KViewportTop", "Top View", "View", CountB);

    EXPECT_EQ(registry.FindActionByName("kfilenew", "MAIN"), mainNew);
    EXPECT_EQ(registry.FindActionByName("KFILENEW", "view"), viewNew);
    // Any list: the newer one stands nearer the head.
    EXPECT_EQ(registry.FindActionByName("KFileNew"), viewNew);
    EXPECT_EQ(registry.FindActionByName("KFileNew", "General"), nullptr);
    EXPECT_EQ(registry.FindActionByName("KFileNe"), nullptr);
    EXPECT_EQ(registry.FindActionByName(""), nullptr);
}

TEST(ActionRegistry, CommandIdOfTheLastRegisteredActionIsFoundFirst)
{
    QMenuBar bar;
    MSetCommandId(bar.addAction("Item"), 100);
    MActionRegistry registry;
    MAction* older =
        registry.RegisterAction("KOld", "Old", "Main", CountA, MMenuItemRef(&bar, 100));
    MAction* newer =
        registry.RegisterAction("KNew", "New", "View", CountB, MMenuItemRef(&bar, 100));
    registry.RegisterAction("KNoMenu", "No menu", "Main", RefuseC);

    EXPECT_EQ(registry.FindActionByCommandId(100), newer);
    EXPECT_EQ(registry.FindActionByCommandId(100, "main"), older);
    EXPECT_EQ(registry.FindActionByCommandId(100, "Window"), nullptr);
    EXPECT_EQ(registry.FindActionByCommandId(101), nullptr);
    // Actions without a menu item are not reached by id 0.
    EXPECT_EQ(registry.FindActionByCommandId(0), nullptr);

    ResetCalls();
    EXPECT_EQ(registry.RunActionByCommandId(100), 7);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Main"), 1);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Display"), 0);
    EXPECT_EQ(registry.RunActionByCommandId(555), 0);
    EXPECT_EQ(g_Calls[0], 1);
    EXPECT_EQ(g_Calls[1], 1);
    EXPECT_EQ(g_Calls[2], 0);
}

TEST(ActionRegistry, RunsByNameInAnyList)
{
    MActionRegistry registry;
    registry.RegisterAction("KCount", "Count", "Window", CountA);
    registry.RegisterAction("KRefuse", "Refuse", "Display", RefuseC);
    registry.RegisterAction("KNothing", "No handler", "Main", nullptr);
    ResetCalls();
    EXPECT_EQ(registry.RunActionByName("kcount"), 1);
    EXPECT_EQ(registry.RunActionByName("KRefuse"), 0);
    EXPECT_EQ(registry.RunActionByName("KNothing"), 0);
    EXPECT_EQ(registry.RunActionByName("KMissing"), 0);
    EXPECT_EQ(g_Calls[0], 1);
    EXPECT_EQ(g_Calls[2], 1);
}

TEST(ActionRegistry, ForEachStopsAtTheFirstZero)
{
    MActionRegistry registry;
    struct Walk
    {
        std::vector<std::string> seen;
        size_t stopAt = 99;
    };
    auto callback = [](MAction* action, void* context) -> int
    {
        auto* w = static_cast<Walk*>(context);
        w->seen.push_back(action->GetName().c_str());
        return w->seen.size() == w->stopAt ? 0 : 1;
    };

    Walk empty;
    EXPECT_EQ(registry.ForEachAction(callback, &empty), 1);
    EXPECT_TRUE(empty.seen.empty());

    registry.RegisterAction("K1", "", "Main", CountA);
    registry.RegisterAction("K2", "", "Main", CountA);
    registry.RegisterAction("K3", "", "Main", CountA);
    Walk all;
    EXPECT_EQ(registry.ForEachAction(callback, &all), 1);
    EXPECT_EQ(all.seen, (std::vector<std::string>{"K3", "K2", "K1"}));
    Walk stopped;
    stopped.stopAt = 2;
    EXPECT_EQ(registry.ForEachAction(callback, &stopped), 0);
    EXPECT_EQ(stopped.seen, (std::vector<std::string>{"K3", "K2"}));
    EXPECT_EQ(registry.ForEachAction(nullptr, nullptr), 0);
}

TEST(ActionRegistry, WindowRegistrationTiesTheActionToTheWindowMenu)
{
    QMainWindow window;
    QMenu* edit = window.menuBar()->addMenu("&Edit");
    MSetCommandId(edit->addAction("&Duplicate"), 33001);

    MActionRegistry registry;
    MAction* dup = registry.RegisterAction("KObjectDuplicateSelected", "Duplicate Selected",
                                           "General", CountA, &window, 33001);
    EXPECT_TRUE(dup->GetMenuItem().IsSet());
    EXPECT_EQ(dup->GetMenuItem().GetMenu(), window.menuBar());
    EXPECT_EQ(dup->GetMenuItem().GetCommandId(), 33001);
    EXPECT_EQ(registry.FindActionByCommandId(33001), dup);

    // Without a window the action has no menu item at all.
    MAction* bare = registry.RegisterAction("KBare", "Bare", "General", CountA, nullptr, 33002);
    EXPECT_FALSE(bare->GetMenuItem().IsSet());
    EXPECT_EQ(bare->GetMenuItem().GetCommandId(), 0);
    EXPECT_EQ(registry.FindActionByCommandId(33002), nullptr);
}

namespace
{
// A main window whose menu holds a few of the items actions are tied to.
struct MainWindowWithMenu
{
    MainWindowWithMenu()
    {
        QMenu* file = window.menuBar()->addMenu("&File");
        MSetCommandId(file->addAction("&New"), 57600);
        QMenu* display = window.menuBar()->addMenu("&Display");
        MSetCommandId(display->addMenu("Hide")->addAction("All"), 32970);
    }
    QMainWindow window;
};
} // namespace

TEST(ActionList, RegistersEveryActionInItsGroupAndOrder)
{
    TestSystem sys;
    MainWindowWithMenu main;
    MActionRegistry registry;
    RegisterAllActions(registry, &main.window);

    EXPECT_EQ(sys.log.lines, (std::vector<std::string>{
                                 "Initialising General Action List",
                                 "Initialising General Action List",
                                 "Initialising View Action List",
                                 "Initialising Main Action List",
                             }));
    ASSERT_EQ(registry.GetCount(), 62);

    // Newest first: the last of the Main group heads the list, the first of
    // the General group ends it; the groups follow each other.
    const std::vector<std::string> names = Names(registry);
    EXPECT_EQ(names[0], "KWindowMaterialEdit");
    EXPECT_EQ(names[33], "KFileNew");
    EXPECT_EQ(names[34], "KViewportToggleGrid");
    EXPECT_EQ(names[52], "KViewportTop");
    EXPECT_EQ(names[53], "KToolSelect");
    EXPECT_EQ(names[54], "KMaterialAddLayer");
    EXPECT_EQ(names[61], "KObjectDuplicateSelected");

    std::map<std::string, int> perList;
    for (MAction* a = registry.GetHead(); a; a = a->GetNext())
    {
        ++perList[a->GetListName().c_str()];
        EXPECT_NE(a->GetHandler(), nullptr) << a->GetName().c_str();
        // Every name is registered once.
        EXPECT_EQ(registry.FindActionByName(a->GetName()), a) << a->GetName().c_str();
    }
    EXPECT_EQ(perList,
              (std::map<std::string, int>{
                  {"General", 9}, {"View", 19}, {"Main", 25}, {"Display", 6}, {"Window", 3}}));

    MAction* fileNew = registry.FindActionByCommandId(57600);
    ASSERT_NE(fileNew, nullptr);
    EXPECT_EQ(fileNew->GetName(), "KFileNew");
    EXPECT_EQ(fileNew->GetDescription(), "File New");
    EXPECT_TRUE(fileNew->GetMenuItem().IsSet());

    MAction* hideAll = registry.FindActionByCommandId(32970, "Display");
    ASSERT_NE(hideAll, nullptr);
    EXPECT_EQ(hideAll->GetName(), "KControlHideAll");

    // Ids stand even where the menu lacks the item.
    MAction* console = registry.FindActionByName("KToolsConsoleWindow", "Window");
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->GetMenuItem().GetCommandId(), 32823);
    EXPECT_EQ(registry.FindActionByName("KEditPurgeUndoLists")->GetMenuItem().GetCommandId(),
              33005);
    EXPECT_EQ(registry.FindActionByCommandId(33045)->GetDescription(), "Shader Edit Window");

    MAction* grid = registry.FindActionByName("KViewportToggleGrid", "View");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->GetDescription(), "Toggle Grid Visibiliy");
    EXPECT_EQ(grid->GetMenuItem().GetCommandId(), 0);
    EXPECT_EQ(registry.FindActionByName("KToolSelect", "General")->GetMenuItem().GetCommandId(), 0);
}

TEST(ActionList, PlaceholdersLogAndRefusePlayCameraSucceeds)
{
    TestSystem sys;
    MainWindowWithMenu main;
    MActionRegistry registry;
    RegisterAllActions(registry, &main.window);
    sys.log.lines.clear();

    EXPECT_EQ(registry.RunActionByCommandId(32821), 0);
    // A camera preset without an active view fails quietly.
    EXPECT_EQ(registry.RunActionByName("KViewportTop"), 0);
    EXPECT_EQ(registry.RunActionByName("KControlPlayCamera"), 1);
    EXPECT_EQ(sys.log.lines,
              (std::vector<std::string>{"'KOptionsConfigure' is not available yet."}));
}

TEST(ActionList, GroupsRegisterSeparatelyAndFillTheGlobalRegistry)
{
    TestSystem sys;
    MActionRegistry registry;
    RegisterSelectToolAction(registry, nullptr);
    EXPECT_EQ(registry.GetCount(), 1);
    RegisterViewActions(registry, nullptr);
    EXPECT_EQ(registry.GetCount(), 20);
    EXPECT_EQ(registry.GetHead()->GetName(), "KViewportToggleGrid");

    // The global table may still point into the global registry.
    g_KeyBindingTable.Clear();
    g_ActionRegistry.Clear();
    RegisterGeneralActions(nullptr);
    EXPECT_EQ(g_ActionRegistry.GetCount(), 8);
    RegisterMainActions(nullptr);
    EXPECT_EQ(g_ActionRegistry.GetCount(), 42);
    // No window: no menu items, so no action answers a command id.
    EXPECT_EQ(g_ActionRegistry.FindActionByCommandId(57600), nullptr);
    g_ActionRegistry.Clear();
    RegisterAllActions(nullptr);
    EXPECT_EQ(g_ActionRegistry.GetCount(), 62);
    g_ActionRegistry.Clear();
}
