#include "MAction.h"
#include "MKeyBinding.h"
#include "TestSupport.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace
{
int Done()
{
    return 1;
}

// A registry of a few actions of the lists the editor uses.
struct Actions
{
    Actions()
    {
        registry.RegisterAction("KFileNew", "File New", "Main", Done);
        registry.RegisterAction("KEditUndo", "Undo", "Main", Done);
        registry.RegisterAction("KViewportTop", "Top View", "View", Done);
        registry.RegisterAction("KSelectParent", "Select Parent", "General", Done);
        table.SetActionRegistry(&registry);
    }
    MActionRegistry registry;
    MKeyBindingTable table;
};

// Loads bytes from a buffer of exactly their size, so that a read past the
// end shows under the address sanitizer.
void Load(MKeyBindingTable& table, const std::string& bytes)
{
    std::vector<char> buffer(bytes.begin(), bytes.end());
    table.LoadKeyData(buffer.data(), buffer.size());
}

std::vector<MKeyBinding*> Bindings(const MKeyBindingTable& table)
{
    std::vector<MKeyBinding*> all;
    for (MKeyBinding* b = table.GetHead(); b; b = b->GetNext())
        all.push_back(b);
    return all;
}

std::string ActionName(const MKeyBinding* b)
{
    return b->m_Action ? b->m_Action->GetName().c_str() : "<none>";
}
} // namespace

TEST(KeyName, FunctionKeysAndNamedKeys)
{
    EXPECT_EQ(GetKeyName(112), "F1");
    EXPECT_EQ(GetKeyName(120), "F9");
    EXPECT_EQ(GetKeyName(121), "F10");
    EXPECT_EQ(GetKeyName(130), "F19");
    EXPECT_EQ(GetKeyName(131), "F20");
    EXPECT_EQ(GetKeyName(135), "F24");
    EXPECT_EQ(GetKeyName(8), "Backspace");
    EXPECT_EQ(GetKeyName(33), "Page Up");
    EXPECT_EQ(GetKeyName(96), "Numpad 0");
    EXPECT_EQ(GetKeyName(108), "Separator");
    EXPECT_EQ(GetKeyName(145), "Scroll Lock");
    EXPECT_EQ(GetKeyName(186), ";");
    EXPECT_EQ(GetKeyName(220), "\\");
}

TEST(KeyName, OtherCodesAreTheirCharacter)
{
    EXPECT_EQ(GetKeyName(65), "A");
    EXPECT_EQ(GetKeyName(90), "Z");
    EXPECT_EQ(GetKeyName(48), "0");
    EXPECT_EQ(GetKeyName(44), ",");
    EXPECT_EQ(GetKeyName(0xE9), "\xC3\xA9"); // Latin-1 e acute, in UTF-8
    EXPECT_EQ(GetKeyName(0), "");
    // Codes without a visible character are named by number.
    EXPECT_EQ(GetKeyName(10), "Key 10");
    EXPECT_EQ(GetKeyName(16), "Key 16");
    EXPECT_EQ(GetKeyName(0x141), "Key 321");
}

TEST(KeyBinding, ShortcutTextIsAltShiftCtrlThenTheKey)
{
    MKeyBinding b;
    b.m_KeyCode = 46;
    b.m_Ctrl = 1;
    b.m_Shift = 1;
    EXPECT_EQ(b.GetShortcutText(), "Shift+Ctrl+Delete");
    b.m_Alt = 1;
    EXPECT_EQ(b.GetShortcutText(), "Alt+Shift+Ctrl+Delete");
    b.m_Shift = 0;
    b.m_KeyCode = 121;
    EXPECT_EQ(b.GetShortcutText(), "Alt+Ctrl+F10");
    b.m_Alt = b.m_Ctrl = 0;
    b.m_KeyCode = 'Q';
    EXPECT_EQ(b.GetShortcutText(), "Q");
}

TEST(KeyBindingTable, AddFindsTheActionAndFindsMatchExactly)
{
    Actions a;
    EXPECT_EQ(a.table.AddBinding("kfilenew", "MAIN", 'N', true, false, false), 1);
    EXPECT_EQ(a.table.AddBinding("KFileNew", "View", 'M', false, false, false), 1);
    EXPECT_EQ(a.table.AddBinding("KGone", "", 'G', false, false, false), 1);
    EXPECT_EQ(a.table.AddBinding("KViewportTop", "", 'N', true, false, false), 1);
    ASSERT_EQ(a.table.GetCount(), 4);
    std::vector<MKeyBinding*> all = Bindings(a.table);
    EXPECT_EQ(ActionName(all[0]), "KFileNew");
    EXPECT_EQ(all[0]->m_Ctrl, 1);
    EXPECT_EQ(ActionName(all[1]), "<none>"); // no KFileNew in View
    EXPECT_EQ(ActionName(all[2]), "<none>");
    EXPECT_EQ(all[3]->GetPrev(), all[2]);

    EXPECT_EQ(a.table.FindByKey('N', "", true, false, false), all[0]);
    EXPECT_EQ(a.table.FindByKey('N', "view", true, false, false), all[3]);
    EXPECT_EQ(a.table.FindByKey('N', "", false, false, false), nullptr);
    EXPECT_EQ(a.table.FindByKey('N', "", true, true, false), nullptr);
    EXPECT_EQ(a.table.FindByKey('N', "", true, false, true), nullptr);
    EXPECT_EQ(a.table.FindByKey('N', "Window", true, false, false), nullptr);
    // Bindings without an action are never found by key.
    EXPECT_EQ(a.table.FindByKey('G', "", false, false, false), nullptr);
    EXPECT_EQ(a.table.FindByKey('M', "", false, false, false), nullptr);

    EXPECT_EQ(a.table.FindByAction("KFILENEW"), all[0]);
    EXPECT_EQ(a.table.FindByAction("KFileNew", "main"), all[0]);
    EXPECT_EQ(a.table.FindByAction("KFileNew", "View"), nullptr);
    EXPECT_EQ(a.table.FindByAction("KViewportTop", "View"), all[3]);
    EXPECT_EQ(a.table.FindByAction("KGone"), nullptr);

    a.table.Clear();
    EXPECT_EQ(a.table.GetCount(), 0);
    EXPECT_EQ(a.table.GetHead(), nullptr);
    EXPECT_EQ(a.table.FindByAction("KFileNew"), nullptr);
}

namespace
{
std::vector<int> g_Order;
int g_Result[5];
template <int N> int Recorder()
{
    g_Order.push_back(N);
    return g_Result[N];
}

// One action named KKey in each list, all bound to F5: the View binding
// first in the table, the General one last.
struct ListActions
{
    ListActions()
    {
        registry.RegisterAction("KKey", "", "General", Recorder<0>);
        registry.RegisterAction("KKey", "", "Main", Recorder<1>);
        registry.RegisterAction("KKey", "", "Display", Recorder<2>);
        registry.RegisterAction("KKey", "", "Window", Recorder<3>);
        registry.RegisterAction("KKey", "", "View", Recorder<4>);
        table.SetActionRegistry(&registry);
        for (const char* list : {"View", "Window", "Display", "Main", "General"})
            table.AddBinding("KKey", list, 116, false, false, false);
        g_Order.clear();
    }
    MActionRegistry registry;
    MKeyBindingTable table;
};
} // namespace

TEST(KeyDispatch, ListsAreTriedGeneralMainDisplayWindowView)
{
    ListActions l;
    for (int& r : g_Result)
        r = 1;
    EXPECT_EQ(l.table.DispatchKeyInListOrder(116, false, false, false), 1);
    EXPECT_EQ(g_Order, (std::vector<int>{0}));

    g_Order.clear();
    g_Result[0] = 0;
    g_Result[1] = 5;
    EXPECT_EQ(l.table.DispatchKeyInListOrder(116, false, false, false), 5);
    EXPECT_EQ(g_Order, (std::vector<int>{0, 1}));

    g_Order.clear();
    EXPECT_EQ(l.table.DispatchKey(116, false, false, false, "display"), 1);
    EXPECT_EQ(g_Order, (std::vector<int>{2}));

    // A key with other flags reaches nothing.
    g_Order.clear();
    EXPECT_EQ(l.table.DispatchKeyInListOrder(116, true, false, false), 0);
    EXPECT_EQ(l.table.DispatchKeyInListOrder(117, false, false, false), 0);
    EXPECT_TRUE(g_Order.empty());
}

TEST(KeyDispatch, RefusingHandlersRunAgainInTheAnyListAttempt)
{
    ListActions l;
    for (int& r : g_Result)
        r = 0;
    EXPECT_EQ(l.table.DispatchKeyInListOrder(116, false, false, false), 0);
    // Every list once, then the first binding in table order (View) again.
    EXPECT_EQ(g_Order, (std::vector<int>{0, 1, 2, 3, 4, 4}));

    // A key bound in one list only, whose handler refuses, runs twice.
    MKeyBindingTable single;
    single.SetActionRegistry(&l.registry);
    single.AddBinding("KKey", "Window", 'W', false, true, false);
    g_Order.clear();
    EXPECT_EQ(single.DispatchKeyInListOrder('W', false, true, false), 0);
    EXPECT_EQ(g_Order, (std::vector<int>{3, 3}));
}

namespace
{
struct MenuActions
{
    MenuActions()
    {
        QMenu* file = bar.addMenu("&File");
        MSetCommandId(file->addAction("&New"), 57600);
        QMenu* edit = bar.addMenu("&Edit");
        MSetCommandId(edit->addAction("&Undo\tCtrl+Z"), 57643);
        registry.RegisterAction("KFileNew", "File New", "Main", Done, MMenuItemRef(&bar, 57600));
        registry.RegisterAction("KEditUndo", "Undo", "Main", Done, MMenuItemRef(&bar, 57643));
        registry.RegisterAction("KNoMenu", "No menu", "View", Done);
        table.SetActionRegistry(&registry);
    }
    QString Text(int id) const { return MFindMenuItem(&bar, id)->text(); }
    QMenuBar bar;
    MActionRegistry registry;
    MKeyBindingTable table;
};
} // namespace

TEST(KeyBindingMenus, ShortcutTextIsWrittenBehindTheTab)
{
    MenuActions m;
    m.table.AddBinding("KFileNew", "Main", 'N', true, false, true);
    EXPECT_EQ(m.Text(57600), "&New\tShift+Ctrl+N");
    // An item that already shows a shortcut gets it replaced.
    m.table.AddBinding("KEditUndo", "", 'Z', true, true, false);
    EXPECT_EQ(m.Text(57643), "&Undo\tAlt+Ctrl+Z");
    // Bindings without a menu item or without an action leave the menus alone.
    m.table.AddBinding("KNoMenu", "", 'X', false, false, false);
    m.table.AddBinding("KMissing", "", 'Y', false, false, false);
    EXPECT_EQ(m.Text(57600), "&New\tShift+Ctrl+N");
    EXPECT_EQ(m.Text(57643), "&Undo\tAlt+Ctrl+Z");
}

TEST(KeyBindingMenus, RefreshLetsTheLaterBindingOfAnActionStand)
{
    MenuActions m;
    m.table.AddBinding("KFileNew", "Main", 'N', true, false, false);
    m.table.AddBinding("KFileNew", "Main", 116, false, false, false);
    EXPECT_EQ(m.Text(57600), "&New\tF5");

    MSetMenuItemText(&m.bar, 57600, "&New");
    MSetMenuItemText(&m.bar, 57643, "&Undo\tCtrl+Z");
    m.table.RefreshMenus();
    EXPECT_EQ(m.Text(57600), "&New\tF5");
    // An item whose action has no binding loses the shortcut it showed.
    EXPECT_EQ(m.Text(57643), "&Undo");

    // A copied table carries the same bindings into the menus.
    MKeyBindingTable copy;
    copy.CopyFrom(m.table);
    MSetMenuItemText(&m.bar, 57600, "&New");
    copy.RefreshMenus();
    EXPECT_EQ(m.Text(57600), "&New\tF5");
}

TEST(KeyBindingTable, CopyTakesBindingsInOrderAndTheRegistry)
{
    Actions a;
    a.table.AddBinding("KFileNew", "", 'N', true, false, false);
    a.table.AddBinding("KGone", "", 'G', false, true, false);
    a.table.AddBinding("KViewportTop", "", 36, false, false, true);

    MKeyBindingTable copy;
    copy.AddBinding("KFileNew", "", 'Q', false, false, false); // replaced by the copy
    copy.CopyFrom(a.table);
    EXPECT_EQ(copy.GetActionRegistry(), &a.registry);
    std::vector<MKeyBinding*> mine = Bindings(a.table), theirs = Bindings(copy);
    ASSERT_EQ(theirs.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_NE(theirs[i], mine[i]);
        EXPECT_EQ(theirs[i]->m_KeyCode, mine[i]->m_KeyCode);
        EXPECT_EQ(theirs[i]->m_Ctrl, mine[i]->m_Ctrl);
        EXPECT_EQ(theirs[i]->m_Alt, mine[i]->m_Alt);
        EXPECT_EQ(theirs[i]->m_Shift, mine[i]->m_Shift);
        EXPECT_EQ(theirs[i]->m_Action, mine[i]->m_Action);
    }
    // The copy stands on its own.
    a.table.Clear();
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.FindByKey(36, "View", false, false, true), theirs[2]);
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetCount(), 3);
}

TEST(KeyFile, SavedBytesAreTheRecordLayout)
{
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
    EXPECT_EQ(a.table.FormatKeyData(), expected);
    const std::string path = (dir.Path() / "Glazen.KEY").string();
    ASSERT_EQ(a.table.SaveKeyFile(path), 1);
    EXPECT_EQ(ReadWholeFile(path), expected);

    // Read back, every written binding returns as it was.
    MKeyBindingTable back;
    back.SetActionRegistry(&a.registry);
    ASSERT_EQ(back.LoadKeyFile(path), 1);
    std::vector<MKeyBinding*> all = Bindings(back);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(ActionName(all[0]), "KFileNew");
    EXPECT_EQ(all[1]->m_KeyCode, 0x22);
    EXPECT_EQ(all[1]->m_Ctrl + all[1]->m_Alt + all[1]->m_Shift, 3);
    EXPECT_EQ(ActionName(all[2]), "KSelectParent");
    EXPECT_EQ(all[2]->m_KeyCode, 0x0A0D);
    EXPECT_EQ(back.FormatKeyData(), expected);
}

TEST(KeyFile, HandMadeFileLoadsKeyCodesHoldingQuotesAndZeros)
{
    TempDir dir;
    const std::string path = dir.Write("hand.KEY", "\"KSelectParent\" = \x22\x00sca \"General\"\r\n"
                                                   "\"KNoSuchAction\" = \x00\x22SCA \"Main\"\r\n"
                                                   "\"kfilenew\" = \x00\x01scA \"MAIN\"\r\n"
                                                   "\"KFileNew\" = N\x00sCa \"View\"\r\n"
                                                   "\"KEditUndo\" = Z\x00xyz \"Main\"\r\n"
                                                   "\"KViewportTop\" = T\x00sC\"View\"\r\n"s);
    Actions a;
    a.table.AddBinding("KFileNew", "", 'Q', false, false, false); // deleted by the load
    ASSERT_EQ(a.table.LoadKeyFile(path), 1);

    std::vector<MKeyBinding*> all = Bindings(a.table);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(ActionName(all[0]), "KSelectParent");
    EXPECT_EQ(all[0]->m_KeyCode, 0x0022);
    EXPECT_EQ(all[0]->m_Shift + all[0]->m_Ctrl + all[0]->m_Alt, 0);

    // An action that is not registered: kept, with its key, but without action.
    EXPECT_EQ(ActionName(all[1]), "<none>");
    EXPECT_EQ(all[1]->m_KeyCode, 0x2200);
    EXPECT_EQ(all[1]->m_Shift + all[1]->m_Ctrl + all[1]->m_Alt, 3);

    EXPECT_EQ(ActionName(all[2]), "KFileNew"); // names and lists match ignoring case
    EXPECT_EQ(all[2]->m_KeyCode, 0x0100);
    EXPECT_EQ(all[2]->m_Alt, 1);
    EXPECT_EQ(all[2]->m_Shift + all[2]->m_Ctrl, 0);

    EXPECT_EQ(ActionName(all[3]), "<none>"); // KFileNew is no View action
    // Flag bytes other than S, C, A clear the flag.
    EXPECT_EQ(ActionName(all[4]), "KEditUndo");
    EXPECT_EQ(all[4]->m_Shift + all[4]->m_Ctrl + all[4]->m_Alt, 0);
    // The list name is sought from the third flag byte on.
    EXPECT_EQ(ActionName(all[5]), "KViewportTop");
    EXPECT_EQ(all[5]->m_Ctrl, 1);
    EXPECT_EQ(all[5]->m_Alt, 0);

    // The binding without action is never dispatched and never written back.
    EXPECT_EQ(a.table.FindByKey(0x2200, "", true, true, true), nullptr);
    EXPECT_EQ(a.table.DispatchKeyInListOrder(0x2200, true, true, true), 0);
    EXPECT_EQ(a.table.DispatchKeyInListOrder(0x0022, false, false, false), 1);
    const std::string saved = a.table.FormatKeyData();
    EXPECT_EQ(saved.find("KNoSuchAction"), std::string::npos);
    EXPECT_EQ(saved, "\"KSelectParent\" = \x22\x00sca \"General\"\r\n"
                     "\"KFileNew\" = \x00\x01scA \"Main\"\r\n"
                     "\"KEditUndo\" = Z\x00sca \"Main\"\r\n"
                     "\"KViewportTop\" = T\x00sCa \"View\"\r\n"s);
}

TEST(KeyFile, CutAndMalformedRecordsStopTheReading)
{
    struct Case
    {
        std::string bytes;
        int bindings;
    };
    const std::string record = "\"KFileNew\" = N\x00sCa \"Main\"\r\n"s;
    const Case cases[] = {
        {"", 0},
        {"no quotes at all", 0},
        {"\"", 0},
        {"\"KFileNew", 0},
        {"\"KFileNew\"", 0},
        {"\"KFileNew\" = N", 0},            // key code past the end
        {"\"KFileNew\" = N\x00sC"s, 0},     // Alt flag past the end
        {"\"KFileNew\" = N\x00sCa"s, 0},    // no list name
        {"\"KFileNew\" = N\x00sCa \""s, 0}, // list name not closed
        {"\"KFileNew\" = N\x00sCa \"Main"s, 0},
        {"\"KFileNew\" = N\x00sCa \"Main\""s, 1}, // the line end is not needed
        {record + "\"KEditUndo\" = Z\x00SC"s, 1},
        {record + record + "\"", 2},
        {"\"\" = \x01\x02sca \"\""s, 1},
        {std::string(64, '"'), 5},
        {std::string(3, '\0') + record, 1},
    };
    for (const Case& c : cases)
    {
        Actions a;
        a.table.AddBinding("KEditUndo", "", 'Z', true, false, false);
        Load(a.table, c.bytes);
        EXPECT_EQ(a.table.GetCount(), c.bindings) << testing::PrintToString(c.bytes);
        if (c.bindings > 0 && c.bytes.find("KFileNew") != std::string::npos)
        {
            EXPECT_EQ(ActionName(a.table.GetHead()), "KFileNew");
        }
    }
    MKeyBindingTable table;
    table.LoadKeyData(nullptr, 10);
    EXPECT_EQ(table.GetCount(), 0);
}

TEST(KeyFile, FileThatCannotBeReadLeavesTheTable)
{
    TempDir dir;
    Actions a;
    a.table.AddBinding("KFileNew", "", 'N', true, false, false);
    a.table.AddBinding("KEditUndo", "", 'Z', true, false, false);
    const std::string before = a.table.FormatKeyData();

    EXPECT_EQ(a.table.LoadKeyFile((dir.Path() / "missing.KEY").string()), 0);
    EXPECT_EQ(a.table.LoadKeyFile(dir.Path().string()), 0); // a folder
    EXPECT_EQ(a.table.GetCount(), 2);
    EXPECT_EQ(a.table.FormatKeyData(), before);

    // An empty file is read: it holds no bindings.
    EXPECT_EQ(a.table.LoadKeyFile(dir.Write("empty.KEY", "")), 1);
    EXPECT_EQ(a.table.GetCount(), 0);
}

TEST(KeyFile, SaveReportsAFileThatCannotBeWritten)
{
    TempDir dir;
    Actions a;
    a.table.AddBinding("KFileNew", "", 'N', true, false, false);
    const auto path = dir.Path() / "no-such-folder" / "Glazen.KEY";
    EXPECT_EQ(a.table.SaveKeyFile(path.string()), 0);
    EXPECT_EQ(a.table.SavePlainText(path.string()), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(KeyFile, PlainTextListsShortcutTexts)
{
    TempDir dir;
    Actions a;
    a.table.AddBinding("KFileNew", "", 'N', true, false, true);
    a.table.AddBinding("KGone", "", 'G', false, false, false);
    a.table.AddBinding("KEditUndo", "", 46, false, true, false);
    a.table.AddBinding("KViewportTop", "", 0, false, false, false);
    a.table.AddBinding("KSelectParent", "", 121, false, false, false);
    const std::string path = (dir.Path() / "keys.txt").string();
    ASSERT_EQ(a.table.SavePlainText(path), 1);
    EXPECT_EQ(ReadWholeFile(path), "\"KFileNew\" = Shift+Ctrl+N \"Main\"\r\n"
                                   "\"KEditUndo\" = Alt+Delete \"Main\"\r\n"
                                   "\"KSelectParent\" = F10 \"General\"\r\n");
}

TEST(KeyFile, SeedFilesLoadAsWritten)
{
    MActionRegistry registry;
    for (const char* name : {"KFileNew", "KEditUndo"})
        registry.RegisterAction(name, "", "Main", Done);
    registry.RegisterAction("KViewportTop", "", "View", Done);
    registry.RegisterAction("KSelectParent", "", "General", Done);
    registry.RegisterAction("KControlHideAll", "", "Display", Done);
    MKeyBindingTable table;
    table.SetActionRegistry(&registry);

    const auto keys = TestDataDir() / "keys";
    ASSERT_EQ(table.LoadKeyFile((keys / "basic.KEY").string()), 1);
    EXPECT_EQ(table.GetCount(), 4);
    EXPECT_EQ(table.FormatKeyData(), ReadWholeFile(keys / "basic.KEY"));
    // The byte '.' is code 46, the Delete key.
    EXPECT_EQ(table.FindByKey('.', "Display", true, true, true)->GetShortcutText(),
              "Alt+Shift+Ctrl+Delete");

    ASSERT_EQ(table.LoadKeyFile((keys / "quotes.KEY").string()), 1);
    EXPECT_EQ(table.GetCount(), 3);
    ASSERT_EQ(table.LoadKeyFile((keys / "truncated.KEY").string()), 1);
    EXPECT_EQ(table.GetCount(), 1);
}
