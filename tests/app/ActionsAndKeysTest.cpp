// The action registry and table; key names, the binding table with its
// dispatch and menu texts, the key file and the readable default key table.
#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MActionList.h"
#include "MDefaultKeyTable.h"
#include "MKeyBinding.h"
#include "MKeyCodes.h"
#include "TestSupport.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace
{
std::vector<int> g_Order;
int g_Result[5] = {1, 1, 1, 1, 1};
// Handlers that record their runs and return their result.
template <int N> int Recorder()
{
    g_Order.push_back(N);
    return g_Result[N];
}
void Results(std::vector<int> results)
{
    std::copy(results.begin(), results.end(), g_Result);
    g_Order.clear();
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

// Each binding as "action key flags", flags as S, C and A or '-'.
std::string Listing(const MKeyBindingTable& table)
{
    std::string out;
    for (MKeyBinding* b = table.GetHead(); b; b = b->GetNext())
        out += (b->m_Action ? b->m_Action->GetName().str() : "<none>") + " " +
               std::to_string(b->m_KeyCode) + " " + (b->m_Shift ? "S" : "-") +
               (b->m_Ctrl ? "C" : "-") + (b->m_Alt ? "A" : "-") + "\n";
    return out;
}

// A few actions of the editor's lists, two of them on File menu items.
struct Actions
{
    Actions()
    {
        MSetCommandId(bar.addMenu("&File")->addAction("&New"), 57600);
        MSetCommandId(bar.addMenu("&Edit")->addAction("&Undo\tCtrl+Z"), 57643);
        registry.RegisterAction("KFileNew", "File New", "Main", Recorder<1>,
                                MMenuItemRef(&bar, 57600));
        registry.RegisterAction("KEditUndo", "Undo", "Main", Recorder<1>,
                                MMenuItemRef(&bar, 57643));
        registry.RegisterAction("KViewportTop", "Top View", "View", Recorder<4>);
        registry.RegisterAction("KSelectParent", "Select Parent", "General", Recorder<0>);
        table.SetActionRegistry(&registry);
    }
    std::string Listing() const { return ::Listing(table); }
    QString Text(int id) const { return MFindMenuItem(&bar, id)->text(); }

    QMenuBar bar;
    MActionRegistry registry;
    MKeyBindingTable table;
};
} // namespace

TEST(ActionRegistry, NewActionsGoToTheHeadAndAreFoundByNameOrCommandIdInTheirList)
{
    MActionRegistry registry;
    MAction* a = registry.RegisterAction("KFileNew", "File New", "Main", Recorder<0>);
    MAction* b = registry.RegisterAction("KFileNew", "Other", "View", Recorder<1>);
    MAction* c = registry.RegisterAction("KViewportTop", "Top View", "View", Recorder<2>);
    registry.RegisterAction("KNothing", "No handler", "Main", nullptr);
    EXPECT_EQ(Names(registry),
              (std::vector<std::string>{"KNothing", "KViewportTop", "KFileNew", "KFileNew"}));
    EXPECT_EQ(registry.GetCount(), 4);
    EXPECT_EQ(registry.GetActionAt(1), c);
    EXPECT_EQ(registry.GetActionAt(-1), nullptr);
    EXPECT_EQ(registry.FindActionByName("kfilenew", "MAIN"), a);
    EXPECT_EQ(registry.FindActionByName("KFILENEW", "view"), b);
    EXPECT_EQ(registry.FindActionByName("KFileNew"), b); // the newer stands nearer the head
    EXPECT_EQ(registry.FindActionByName("KFileNew", "General"), nullptr);
    EXPECT_EQ(registry.FindActionByName("KFileNe"), nullptr);
    EXPECT_EQ(registry.FindActionByName(""), nullptr);
    Results({1, 7, 0});
    EXPECT_EQ(registry.RunActionByName("kviewporttop"), 0);
    EXPECT_EQ(registry.RunActionByName("KFileNew"), 7);
    EXPECT_EQ(registry.RunActionByName("KNothing"), 0);
    EXPECT_EQ(registry.RunActionByName("KMissing"), 0);
    EXPECT_EQ(g_Order, (std::vector<int>{2, 1}));
    registry.Clear();
    EXPECT_EQ(registry.GetCount(), 0);
    EXPECT_EQ(registry.GetHead(), nullptr);
    // Command ids reach the newest action of their menu item.
    QMainWindow window;
    MSetCommandId(window.menuBar()->addMenu("&Edit")->addAction("&Duplicate"), 100);
    MAction* older = registry.RegisterAction("KOld", "Old", "Main", Recorder<0>,
                                             MMenuItemRef(window.menuBar(), 100));
    MAction* newer = registry.RegisterAction("KNew", "New", "View", Recorder<1>, &window, 100);
    registry.RegisterAction("KNoMenu", "No menu", "Main", Recorder<2>);
    // Without a window an action has no menu item at all.
    MAction* bare = registry.RegisterAction("KBare", "Bare", "General", Recorder<0>, nullptr, 101);
    EXPECT_EQ(newer->GetMenuItem().GetMenu(), window.menuBar());
    EXPECT_FALSE(bare->GetMenuItem().IsSet());
    EXPECT_EQ(registry.FindActionByCommandId(100), newer);
    EXPECT_EQ(registry.FindActionByCommandId(100, "main"), older);
    EXPECT_EQ(registry.FindActionByCommandId(100, "Window"), nullptr);
    EXPECT_EQ(registry.FindActionByCommandId(101), nullptr);
    EXPECT_EQ(registry.FindActionByCommandId(0), nullptr); // never looked up
    Results({1, 7, 0});
    EXPECT_EQ(registry.RunActionByCommandId(100), 7);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Main"), 1);
    EXPECT_EQ(registry.RunActionByCommandId(100, "Display"), 0);
    EXPECT_EQ(registry.RunActionByCommandId(555), 0);
    EXPECT_EQ(g_Order, (std::vector<int>{1, 0}));
}

TEST(ActionList, RegistersEveryActionOnceWithAHandlerAndTheDefaultKeyTableBindsThem)
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
    ASSERT_EQ(Names(registry).size(), 62u);
    EXPECT_EQ(registry.GetHead()->GetName(), "KWindowMaterialEdit"); // the newest
    for (MAction* a = registry.GetHead(); a; a = a->GetNext())
    {
        EXPECT_NE(a->GetHandler(), nullptr) << a->GetName().c_str();
        EXPECT_EQ(registry.FindActionByName(a->GetName()), a) << a->GetName().c_str();
    }
    EXPECT_EQ(registry.FindActionByCommandId(32970)->GetName(), "KControlHideAll");
    // A camera preset without an active view fails quietly; Play Camera runs.
    sys.log.lines.clear();
    EXPECT_EQ(registry.RunActionByName("KViewportTop"), 0);
    EXPECT_EQ(registry.RunActionByName("KControlPlayCamera"), 1);
    EXPECT_TRUE(sys.log.lines.empty());
    // The default key table: lines give bindings or problems.
    MKeyBindingTable table;
    table.SetActionRegistry(&registry);
    std::vector<MStr> problems;
    const std::pair<const char*, std::string> cases[] = {
        {"Ctrl+Shift+S   KFileSaveAs", "KFileSaveAs 83 SC-\n"},
        {"shift+ctrl+alt+z KEditRedo", "KEditRedo 90 SCA\n"},
        {"Numpad 7\tKViewportTop", "KViewportTop " + std::to_string(MVK_NUMPAD0 + 7) + " ---\n"},
        {"Page Up KSelectParent", "KSelectParent " + std::to_string(MVK_PRIOR) + " ---\n"},
        {"  F12   kfilenew  ", "KFileNew " + std::to_string(MVK_F1 + 11) + " ---\n"},
        {"Ctrl+Numpad + KViewportZoomIn", "KViewportZoomIn " + std::to_string(MVK_ADD) + " -C-\n"},
        {"Ctrl+Nothing KFileNew", ""},
        {"Ctrl+N KNoSuchAction", ""},
        {"KFileNew", ""},
        {"Ctrl+ KFileNew", ""},
        // The same key twice in one list is a fault of the table.
        {"# keys\n\nCtrl+Z KEditUndo\nCtrl+Z KEditRedo\n", "KEditUndo 90 -C-\n"}};
    for (const auto& [line, listing] : cases)
    {
        SCOPED_TRACE(line);
        table.Clear();
        problems.clear();
        EXPECT_EQ(MDefaultKeyTable::Apply(line, registry, table, problems),
                  listing.empty() ? 0 : 1);
        EXPECT_EQ(problems.size(), listing.empty() || line[0] == '#' ? 1u : 0u);
        EXPECT_EQ(Listing(table), listing);
    }
    // The shipped table, and the key file the build wrote from it.
    table.Clear();
    problems.clear();
    const std::string text = ReadWholeFile(TestDataDir() / "../../prefs/DefaultKeys.txt");
    EXPECT_GT(MDefaultKeyTable::Apply(text, registry, table, problems), 30);
    EXPECT_TRUE(problems.empty());
    for (std::string e :
         {"KFileSave Ctrl+S", "KEditUndo Ctrl+Z", "KEditRedo Ctrl+Y", "KHelpContents F1",
          "KObjectDeleteSelected Delete", "KControlPlayCamera Space", "KViewportFrameAll A"})
        EXPECT_EQ(table.FindByAction(e.substr(0, e.find(' ')))->GetShortcutText().str(),
                  e.substr(e.find(' ') + 1));
    MKeyBindingTable shipped;
    shipped.SetActionRegistry(&registry);
    ASSERT_EQ(shipped.LoadKeyFile(MStr((BinDir().parent_path() / "prefs" / "Glazen.KEY").string())),
              1);
    EXPECT_EQ(shipped.FormatKeyData(), table.FormatKeyData());
}

TEST(KeyBindingTable, AddFindsTheActionMatchesExactlyShowsShortcutsAndDispatchesInListOrder)
{
    Actions a;
    EXPECT_EQ(a.table.AddBinding("kfilenew", "MAIN", 'N', true, false, false), 1);
    a.table.AddBinding("KFileNew", "View", 'M', false, false, false); // no KFileNew in View
    a.table.AddBinding("KGone", "", 'G', false, false, false);
    a.table.AddBinding("KViewportTop", "", 'N', true, false, false);
    EXPECT_EQ(a.Listing(), "KFileNew 78 -C-\n<none> 77 ---\n<none> 71 ---\nKViewportTop 78 -C-\n");
    MKeyBinding* first = a.table.GetHead();
    MKeyBinding* top = first->GetNext()->GetNext()->GetNext();
    EXPECT_EQ(top->GetPrev(), first->GetNext()->GetNext());
    EXPECT_EQ(a.table.FindByKey('N', "", true, false, false), first);
    EXPECT_EQ(a.table.FindByKey('N', "view", true, false, false), top);
    for (auto [ctrl, alt, shift] : {std::tuple{false, false, false}, std::tuple{true, true, false},
                                    std::tuple{true, false, true}})
        EXPECT_EQ(a.table.FindByKey('N', "", ctrl, alt, shift), nullptr);
    EXPECT_EQ(a.table.FindByKey('N', "Window", true, false, false), nullptr);
    // Bindings without an action are never found by key.
    EXPECT_EQ(a.table.FindByKey('G', "", false, false, false), nullptr);
    EXPECT_EQ(a.table.FindByKey('M', "", false, false, false), nullptr);
    EXPECT_EQ(a.table.FindByAction("KFILENEW"), first);
    EXPECT_EQ(a.table.FindByAction("KFileNew", "main"), first);
    EXPECT_EQ(a.table.FindByAction("KFileNew", "View"), nullptr);
    EXPECT_EQ(a.table.FindByAction("KViewportTop", "View"), top);
    EXPECT_EQ(a.table.FindByAction("KGone"), nullptr);
    // A copy takes the bindings in order and the registry, and stands alone.
    MKeyBindingTable copy;
    copy.AddBinding("KFileNew", "", 'Q', false, false, false); // replaced
    copy.CopyFrom(a.table);
    copy.CopyFrom(copy);
    const std::string listing = a.Listing();
    a.table.Clear();
    EXPECT_EQ(copy.GetActionRegistry(), &a.registry);
    EXPECT_EQ(Listing(copy), listing);
    // Shortcut texts stand behind the tab; a refresh follows the table.
    Actions m;
    m.table.AddBinding("KFileNew", "Main", 'N', true, false, true);
    EXPECT_EQ(m.Text(57600), "&New\tShift+Ctrl+N");
    m.table.AddBinding("KEditUndo", "", 'Z', true, true, false); // replaces the shortcut
    EXPECT_EQ(m.Text(57643), "&Undo\tAlt+Ctrl+Z");
    // Bindings without a menu item or an action leave the menus alone.
    m.table.AddBinding("KViewportTop", "", 'X', false, false, false);
    m.table.AddBinding("KMissing", "", 'Y', false, false, false);
    EXPECT_EQ(m.Text(57600), "&New\tShift+Ctrl+N");
    // The later binding of an action stands; an action without one loses its text.
    m.table.Clear();
    m.table.AddBinding("KFileNew", "Main", 'N', true, false, false);
    m.table.AddBinding("KFileNew", "Main", 116, false, false, false);
    MSetMenuItemText(&m.bar, 57600, "&New");
    m.table.RefreshMenus();
    EXPECT_EQ(m.Text(57600), "&New\tF5");
    EXPECT_EQ(m.Text(57643), "&Undo");
    // Dispatch tries General, Main, Display, Window, View, then any list again.
    // KKey in each list, bound to F5: View first in the table, General last.
    MActionRegistry registry;
    const char* lists[] = {"General", "Main", "Display", "Window", "View"};
    int (*handlers[])() = {Recorder<0>, Recorder<1>, Recorder<2>, Recorder<3>, Recorder<4>};
    MKeyBindingTable table;
    table.SetActionRegistry(&registry);
    for (int i = 0; i < 5; ++i)
        registry.RegisterAction("KKey", "", lists[i], handlers[i]);
    for (int i = 4; i >= 0; --i)
        table.AddBinding("KKey", lists[i], 116, false, false, false);
    // Results of General to View, what the key returns and the handlers run:
    // when all refuse, every list once, then the first in table order again.
    const std::tuple<std::vector<int>, int, std::vector<int>> cases[] = {
        {{1, 1, 1, 1, 1}, 1, {0}},
        {{0, 5, 1, 1, 1}, 5, {0, 1}},
        {{0, 0, 0, 3, 1}, 3, {0, 1, 2, 3}},
        {{0, 0, 0, 0, 0}, 0, {0, 1, 2, 3, 4, 4}}};
    for (const auto& [results, returned, order] : cases)
    {
        Results(results);
        EXPECT_EQ(table.DispatchKeyInListOrder(116, false, false, false), returned);
        EXPECT_EQ(g_Order, order);
    }
    g_Order.clear();
    EXPECT_EQ(table.DispatchKey(116, false, false, false, "display"), 0);
    EXPECT_EQ(table.DispatchKeyInListOrder(116, true, false, false), 0);
    EXPECT_EQ(table.DispatchKeyInListOrder(117, false, false, false), 0);
    EXPECT_EQ(g_Order, (std::vector<int>{2}));
    Results({1, 1, 1, 1, 1});
}

TEST(KeyFile, KeysAreNamedSavedInTheRecordLayoutAndLoadedUntilOneIsCutOrMalformed)
{
    // Code and name pairs, each ended by a bar.
    std::istringstream in("112 F1|121 F10|131 F20|135 F24|8 Backspace|33 Page Up|96 Numpad 0|186 ;|"
                          "220 \\|65 A|48 0|233 \xC3\xA9|0 |10 Key 10|159 Key 159|255 \xC3\xBF|"
                          "256 Key 256|321 Key 321|");
    for (std::string c; std::getline(in, c, '|');)
        EXPECT_EQ(GetKeyName(std::stoul(c)), c.substr(c.find(' ') + 1)) << c;
    TempDir dir;
    Actions a;
    a.table.AddBinding("KFileNew", "Main", 'N', true, false, false);
    a.table.AddBinding("KEditUndo", "Main", 0x22, true, true, true);
    a.table.AddBinding("KGone", "", 'G', false, false, false);          // no action: not written
    a.table.AddBinding("KViewportTop", "View", 0, false, false, false); // no key: not written
    a.table.AddBinding("KSelectParent", "General", 0x0A0D, false, false, false);
    const std::string expected = "\"KFileNew\" = N\x00sCa \"Main\"\r\n"
                                 "\"KEditUndo\" = \x22\x00SCA \"Main\"\r\n"
                                 "\"KSelectParent\" = \r\nsca \"General\"\r\n"s;
    const std::string path = (dir.Path() / "Glazen.KEY").string();
    ASSERT_EQ(a.table.SaveKeyFile(path), 1);
    EXPECT_EQ(ReadWholeFile(path), expected);
    ASSERT_EQ(a.table.SavePlainText(path), 1);
    EXPECT_EQ(ReadWholeFile(path), "\"KFileNew\" = Ctrl+N \"Main\"\r\n"
                                   "\"KEditUndo\" = Alt+Shift+Ctrl+Page Down \"Main\"\r\n"
                                   "\"KSelectParent\" = Key 2573 \"General\"\r\n");
    // Files that cannot be written or read leave everything as it was.
    const auto bad = dir.Path() / "no-such-folder" / "Glazen.KEY";
    EXPECT_EQ(a.table.SaveKeyFile(bad.string()), 0);
    EXPECT_EQ(a.table.SavePlainText(bad.string()), 0);
    EXPECT_FALSE(std::filesystem::exists(bad));
    EXPECT_EQ(a.table.LoadKeyFile(bad.string()), 0);
    EXPECT_EQ(a.table.LoadKeyFile(dir.Path().string()), 0); // a folder
    EXPECT_EQ(a.table.GetCount(), 5);
    EXPECT_EQ(a.table.LoadKeyFile(dir.Write("empty.KEY", "")), 1);
    EXPECT_EQ(a.table.GetCount(), 0);
    // Each loads over one binding from a buffer of exactly its size (sanitizer).
    auto load = [](const std::string& bytes)
    {
        Actions a;
        a.table.AddBinding("KEditUndo", "", 'Z', true, false, false);
        std::vector<char> buffer(bytes.begin(), bytes.end());
        a.table.LoadKeyData(buffer.data(), buffer.size());
        return a.Listing();
    };
    const std::string record = "\"KFileNew\" = N\x00sCa \"Main\"\r\n"s,
                      loaded = "KFileNew 78 -C-\n";
    // Cut before its closing quote a record loads nothing; its line end is not needed.
    for (size_t n = 0; n <= record.size(); ++n)
        EXPECT_EQ(load(record.substr(0, n)), n + 2 < record.size() ? "" : loaded) << n;
    const std::pair<std::string, std::string> cases[] = {
        {"no quotes at all", ""},
        {record + "\"KEditUndo\" = Z\x00SC"s, loaded},
        {record + record + "\"", loaded + loaded},
        {"\"\" = \x01\x02sca \"\""s, "<none> 513 ---\n"},
        {std::string(3, '\0') + record, loaded},
        // Codes hold quotes and zeros; names ignore case; other flag bytes
        // clear the flag; the list name is sought from the third flag on.
        {"\"KSelectParent\" = \x22\x00sca \"General\"\r\n"
         "\"KNoSuchAction\" = \x00\x22SCA \"Main\"\r\n"
         "\"kfilenew\" = \x00\x01scA \"MAIN\"\r\n"
         "\"KFileNew\" = N\x00sCa \"View\"\r\n"
         "\"KEditUndo\" = Z\x00xyz \"Main\"\r\n"
         "\"KViewportTop\" = T\x00sC\"View\"\r\n"s,
         "KSelectParent 34 ---\n<none> 8704 SCA\nKFileNew 256 --A\n"
         "<none> 78 -C-\nKEditUndo 90 ---\nKViewportTop 84 -C-\n"}};
    for (const auto& [bytes, listing] : cases)
        EXPECT_EQ(load(bytes), listing) << testing::PrintToString(bytes);
    const std::string quotes(64, '"');
    a.table.LoadKeyData(quotes.data(), quotes.size());
    EXPECT_EQ(a.table.GetCount(), 5);
    // A binding without an action is never dispatched and never written.
    const std::string data = "\"KNoSuchAction\" = \x00\x22SCA \"Main\"\r\n"
                             "\"KSelectParent\" = \x22\x00sca \"General\"\r\n"s;
    a.table.LoadKeyData(data.data(), data.size());
    EXPECT_EQ(a.table.DispatchKeyInListOrder(0x2200, true, true, true), 0);
    g_Order.clear();
    EXPECT_EQ(a.table.DispatchKeyInListOrder(0x0022, false, false, false), 1);
    EXPECT_EQ(g_Order, (std::vector<int>{0}));
    EXPECT_EQ(a.table.FormatKeyData(), "\"KSelectParent\" = \x22\x00sca \"General\"\r\n"s);
}
