#include "MMenu.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace
{
// A menu bar with File (New, a separator, Exit) and Edit (Undo, and a
// Select submenu holding Select All).
struct TestMenus
{
    TestMenus()
    {
        QMenu* file = bar.addMenu("&File");
        MSetCommandId(file->addAction("&New"), 57600);
        file->addSeparator();
        MSetCommandId(file->addAction("E&xit"), 32781);
        QMenu* edit = bar.addMenu("&Edit");
        MSetCommandId(edit->addAction("Undo \tCtrl+Z"), 57643);
        QMenu* select = edit->addMenu("Select");
        MSetCommandId(select->addAction("Select All"), 32796);
    }
    QMenuBar bar;
};
} // namespace

TEST(Menu, FindsItemsInSubmenusByCommandId)
{
    TestMenus m;
    QAction* all = MFindMenuItem(&m.bar, 32796);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->text(), "Select All");
    EXPECT_EQ(MFindMenuItem(&m.bar, 12345), nullptr);
    EXPECT_EQ(MFindMenuItem(&m.bar, 0), nullptr);
    EXPECT_EQ(MFindMenuItem(nullptr, 57600), nullptr);
}

TEST(Menu, ShortcutTextReplacesWhatFollowsTheTab)
{
    TestMenus m;
    MMenuItemRef undo(&m.bar, 57643);
    undo.SetShortcutText("Shift+Ctrl+Z");
    EXPECT_EQ(undo.GetText(), "Undo \tShift+Ctrl+Z");
    MMenuItemRef fresh(&m.bar, 57600);
    fresh.SetShortcutText("");
    EXPECT_EQ(fresh.GetText(), "&New\t");
    fresh.SetShortcutText("Ctrl+N");
    EXPECT_EQ(fresh.GetText(), "&New\tCtrl+N");
}

TEST(Menu, LabelKeepsShortcutOnlyWhenThereIsOne)
{
    TestMenus m;
    MMenuItemRef undo(&m.bar, 57643);
    undo.SetLabelKeepingShortcut("Undo Select");
    EXPECT_EQ(undo.GetText(), "Undo Select\tCtrl+Z");
    MMenuItemRef all(&m.bar, 32796);
    all.SetLabelKeepingShortcut("Everything");
    EXPECT_EQ(all.GetText(), "Everything");
}

TEST(Menu, EnableGreysAndRestoresAnItem)
{
    TestMenus m;
    MMenuItemRef exitItem(&m.bar, 32781);
    exitItem.Enable(false);
    EXPECT_FALSE(MIsMenuItemEnabled(&m.bar, 32781));
    exitItem.Enable(true);
    EXPECT_TRUE(MIsMenuItemEnabled(&m.bar, 32781));
    // An empty reference names no item and changes nothing.
    MMenuItemRef none;
    EXPECT_FALSE(none.IsSet());
    none.Enable(false);
    EXPECT_EQ(none.GetText(), "");
}

TEST(Menu, LongTextsAreReadUpTo127Characters)
{
    TestMenus m;
    std::string label(200, 'x');
    ASSERT_TRUE(MSetMenuItemText(&m.bar, 32796, MStr(label.c_str())));
    MStr text;
    ASSERT_TRUE(MGetMenuItemText(&m.bar, 32796, text));
    EXPECT_EQ(text.GetLength(), 127);
}
