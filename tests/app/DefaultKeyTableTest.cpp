// The readable table of default keys: its lines and their faults, and the
// shipped table itself binding only keys and actions that exist.
#include "MAction.h"
#include "MActionList.h"
#include "MDefaultKeyTable.h"
#include "MKeyBinding.h"
#include "MKeyCodes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
class DefaultKeyTableTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RegisterAllActions(registry, nullptr);
        table.SetActionRegistry(&registry);
    }
    MActionRegistry registry;
    MKeyBindingTable table;
    std::vector<MStr> problems;
};

TEST_F(DefaultKeyTableTest, LinesGiveBindingsOrProblems)
{
    struct Case
    {
        const char* line;
        unsigned code;
        bool ctrl, alt, shift;
        const char* action; // null: the line is refused
    } cases[] = {
        {"Ctrl+Shift+S   KFileSaveAs", 'S', true, false, true, "KFileSaveAs"},
        {"shift+ctrl+alt+z KEditRedo", 'Z', true, true, true, "KEditRedo"},
        {"Numpad 7\tKViewportTop", MVK_NUMPAD0 + 7, false, false, false, "KViewportTop"},
        {"Page Up KSelectParent", MVK_PRIOR, false, false, false, "KSelectParent"},
        {"  F12   kfilenew  ", MVK_F1 + 11, false, false, false, "KFileNew"},
        {"Ctrl+Numpad + KViewportZoomIn", MVK_ADD, true, false, false, "KViewportZoomIn"},
        {"Ctrl+Nothing KFileNew", 0, false, false, false, nullptr},
        {"Ctrl+N KNoSuchAction", 0, false, false, false, nullptr},
        {"KFileNew", 0, false, false, false, nullptr},
        {"Ctrl+ KFileNew", 0, false, false, false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        table.Clear();
        problems.clear();
        const int added = MDefaultKeyTable::Apply(c.line, registry, table, problems);
        if (!c.action)
        {
            EXPECT_EQ(added, 0);
            EXPECT_EQ(problems.size(), 1u);
            continue;
        }
        ASSERT_EQ(added, 1);
        const MKeyBinding* b = table.GetHead();
        ASSERT_TRUE(b && b->m_Action);
        EXPECT_EQ(b->m_Action->GetName().str(), c.action);
        EXPECT_EQ(b->m_KeyCode, c.code);
        EXPECT_EQ(bool(b->m_Ctrl), c.ctrl);
        EXPECT_EQ(bool(b->m_Alt), c.alt);
        EXPECT_EQ(bool(b->m_Shift), c.shift);
    }
    // The same key twice in one list is a fault of the table.
    table.Clear();
    problems.clear();
    EXPECT_EQ(MDefaultKeyTable::Apply("# keys\n\nCtrl+Z KEditUndo\nCtrl+Z KEditRedo\n", registry,
                                      table, problems),
              1);
    EXPECT_EQ(problems.size(), 1u);
}

TEST_F(DefaultKeyTableTest, ShippedTableBindsWhatUsersExpect)
{
    const std::string text =
        ReadWholeFile(std::filesystem::path(GLAZEN_TEST_DATA) / "../../prefs/DefaultKeys.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_GT(MDefaultKeyTable::Apply(text, registry, table, problems), 30);
    for (const MStr& p : problems)
        ADD_FAILURE() << p.c_str();
    struct Expect
    {
        const char* action;
        const char* shortcut;
    } expects[] = {{"KFileSave", "Ctrl+S"},   {"KEditUndo", "Ctrl+Z"},
                   {"KEditRedo", "Ctrl+Y"},   {"KObjectDeleteSelected", "Delete"},
                   {"KHelpContents", "F1"},   {"KControlPlayCamera", "Space"},
                   {"KViewportFrameAll", "A"}};
    for (const Expect& e : expects)
    {
        const MKeyBinding* b = table.FindByAction(e.action);
        ASSERT_TRUE(b) << e.action;
        EXPECT_EQ(b->GetShortcutText().str(), e.shortcut);
    }
    // The build wrote the shipped key file from it with the same writer.
    MKeyBindingTable shipped;
    shipped.SetActionRegistry(&registry);
    ASSERT_EQ(shipped.LoadKeyFile(MStr((BinDir().parent_path() / "prefs" / "Glazen.KEY").string())),
              1);
    EXPECT_EQ(shipped.FormatKeyData(), table.FormatKeyData());
}
} // namespace
