// The action registry and the editor's table of actions.
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
// Handlers that count their calls and return 1, 7 and 0.
int g_Calls[3];
int CountA()
{
    return ++g_Calls[0], 1;
}
int CountB()
{
    return ++g_Calls[1], 7;
}
int RefuseC()
{
    return ++g_Calls[2], 0;
}

std::vector<std::string> Names(const MActionRegistry& registry)
{
    std::vector<std::string> names;
    for (MAction* a = registry.GetHead(); a; a = a->GetNext())
    {
        EXPECT_EQ(a->GetNext() ? a->GetNext()->GetPrev() : a, a);
        names.push_back(a->GetName().c_str());
    }
    return names;
}
} // namespace

TEST(ActionRegistry, NewActionsGoToTheHeadAndAreFoundByNameInTheirList)
{
    MActionRegistry registry;
    MAction* a = registry.RegisterAction("KFileNew", "File New", "Main", CountA);
    MAction* b = registry.RegisterAction("KFileNew", "Other", "View", CountB);
    MAction* c = registry.RegisterAction("KViewportTop", "Top View", "View", RefuseC);
    registry.RegisterAction("KNothing", "No handler", "Main", nullptr);
    EXPECT_EQ(Names(registry),
              (std::vector<std::string>{"KNothing", "KViewportTop", "KFileNew", "KFileNew"}));
    EXPECT_EQ(registry.GetHead()->GetPrev(), nullptr);
    EXPECT_EQ(registry.GetCount(), 4);
    EXPECT_EQ(registry.GetActionAt(1), c);
    EXPECT_EQ(registry.GetActionAt(3), a);
    EXPECT_EQ(registry.GetActionAt(4), nullptr);
    EXPECT_EQ(registry.GetActionAt(-1), nullptr);
    EXPECT_EQ(b->GetDescription(), "Other");
    EXPECT_EQ(b->GetListName(), "View");
    EXPECT_FALSE(b->GetMenuItem().IsSet());

    EXPECT_EQ(registry.FindActionByName("kfilenew", "MAIN"), a);
    EXPECT_EQ(registry.FindActionByName("KFILENEW", "view"), b);
    EXPECT_EQ(registry.FindActionByName("KFileNew"), b); // the newer stands nearer the head
    EXPECT_EQ(registry.FindActionByName("KFileNew", "General"), nullptr);
    EXPECT_EQ(registry.FindActionByName("KFileNe"), nullptr);
    EXPECT_EQ(registry.FindActionByName(""), nullptr);

    std::fill(std::begin(g_Calls), std::end(g_Calls), 0);
    EXPECT_EQ(registry.RunActionByName("kviewporttop"), 0);
    EXPECT_EQ(registry.RunActionByName("KFileNew"), 7);
    EXPECT_EQ(registry.RunActionByName("KNothing"), 0);
    EXPECT_EQ(registry.RunActionByName("KMissing"), 0);
    EXPECT_EQ(std::vector<int>(g_Calls, g_Calls + 3), (std::vector<int>{0, 1, 1}));

    registry.Clear();
    EXPECT_EQ(registry.GetCount(), 0);
    EXPECT_EQ(registry.GetHead(), nullptr);
}

TEST(ActionRegistry, CommandIdsReachTheNewestActionOfTheirMenuItem)
{
    QMainWindow window;
    MSetCommandId(window.menuBar()->addMenu("&Edit")->addAction("&Duplicate"), 100);
    MActionRegistry registry;
    MAction* older =
        registry.RegisterAction("KOld", "Old", "Main", CountA, MMenuItemRef(window.menuBar(), 100));
    MAction* newer = registry.RegisterAction("KNew", "New", "View", CountB, &window, 100);
    registry.RegisterAction("KNoMenu", "No menu", "Main", RefuseC);
    // Without a window an action has no menu item at all.
    MAction* bare = registry.RegisterAction("KBare", "Bare", "General", CountA, nullptr, 101);
    EXPECT_EQ(newer->GetMenuItem().GetMenu(), window.menuBar());
    EXPECT_EQ(newer->GetMenuItem().GetCommandId(), 100);
    EXPECT_FALSE(bare->GetMenuItem().IsSet());
    EXPECT_EQ(bare->GetMenuItem().GetCommandId(), 0);

    EXPECT_EQ(registry.FindActionByCommandId(100), newer);
    EXPECT_EQ(registry.FindActionByCommandId(100, "main"), older);
    EXPECT_EQ(registry.FindActionByCommandId(100, "Window"), nullptr);
    EXPECT_EQ(registry.FindActionByCommandId(101), nullptr);
    EXPECT_EQ(registry.FindActionByCommandId(0), nullptr); // never looked up
    std::fill(std::begin(g_Calls), std::end(g_Calls), 0);
    EXPECT_EQ(registry.RunActionByCommandId(100), 7);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Main"), 1);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Display"), 0);
    EXPECT_EQ(registry.RunActionByCommandId(555), 0);
    EXPECT_EQ(std::vector<int>(g_Calls, g_Calls + 3), (std::vector<int>{1, 1, 0}));
}

TEST(ActionRegistry, ForEachStopsAtTheFirstZero)
{
    MActionRegistry registry;
    std::vector<std::string> seen;
    auto callback = [](MAction* action, void* context) -> int
    {
        auto* names = static_cast<std::vector<std::string>*>(context);
        names->push_back(action->GetName().c_str());
        return names->size() == 2 ? 0 : 1;
    };
    EXPECT_EQ(registry.ForEachAction(callback, &seen), 1);
    for (const char* name : {"K1", "K2", "K3"})
        registry.RegisterAction(name, "", "Main", CountA);
    EXPECT_EQ(registry.ForEachAction(callback, &seen), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"K3", "K2"}));
    EXPECT_EQ(registry.ForEachAction(callback, &seen), 1); // never 2 again
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(registry.ForEachAction(nullptr, nullptr), 0);
}

TEST(ActionList, RegistersEveryActionInItsGroupAndOrder)
{
    TestSystem sys;
    QMainWindow window;
    MSetCommandId(window.menuBar()->addMenu("&File")->addAction("&New"), 57600);
    MSetCommandId(window.menuBar()->addMenu("&Display")->addAction("All"), 32970);
    MActionRegistry registry;
    RegisterAllActions(registry, &window);
    EXPECT_EQ(sys.log.lines, (std::vector<std::string>{"Initialising General Action List",
                                                       "Initialising General Action List",
                                                       "Initialising View Action List",
                                                       "Initialising Main Action List"}));
    // Newest first: the last of the Main group heads the list, the first of
    // the General group ends it; the groups follow each other.
    const std::vector<std::string> names = Names(registry);
    ASSERT_EQ(names.size(), 62u);
    for (std::string c :
         {"0 KWindowMaterialEdit", "33 KFileNew", "34 KViewportToggleGrid", "52 KViewportTop",
          "53 KToolSelect", "54 KMaterialAddLayer", "61 KObjectDuplicateSelected"})
        EXPECT_EQ(names[std::stoi(c)], c.substr(c.find(' ') + 1));
    std::map<std::string, int> perList;
    for (MAction* a = registry.GetHead(); a; a = a->GetNext())
    {
        ++perList[a->GetListName().c_str()];
        EXPECT_NE(a->GetHandler(), nullptr) << a->GetName().c_str();
        EXPECT_EQ(registry.FindActionByName(a->GetName()), a) << a->GetName().c_str();
    }
    EXPECT_EQ(perList,
              (std::map<std::string, int>{
                  {"General", 9}, {"View", 19}, {"Main", 25}, {"Display", 6}, {"Window", 3}}));
    // Menu items by id, also where the menu lacks the item; none for some.
    for (std::string c : {"KFileNew 57600", "KControlHideAll 32970", "KToolsConsoleWindow 32823",
                          "KEditPurgeUndoLists 33005", "KViewportToggleGrid 0", "KToolSelect 0"})
        EXPECT_EQ(registry.FindActionByName(c.substr(0, c.find(' ')).c_str())
                      ->GetMenuItem()
                      .GetCommandId(),
                  std::stoi(c.substr(c.find(' ') + 1)))
            << c;
    EXPECT_EQ(registry.FindActionByCommandId(57600)->GetDescription(), "File New");
    EXPECT_EQ(registry.FindActionByCommandId(33045)->GetDescription(), "Shader Edit Window");

    // The groups register on their own too.
    MActionRegistry view;
    RegisterSelectToolAction(view, nullptr);
    RegisterViewActions(view, nullptr);
    EXPECT_EQ(view.GetCount(), 20);
    // A camera preset without an active view fails quietly; Play Camera runs.
    sys.log.lines.clear();
    EXPECT_EQ(registry.RunActionByName("KViewportTop"), 0);
    EXPECT_EQ(registry.RunActionByName("KControlPlayCamera"), 1);
    EXPECT_TRUE(sys.log.lines.empty());
}
