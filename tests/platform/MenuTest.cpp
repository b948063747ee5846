#include "MMenu.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

// A menu bar with File (New, a separator, Exit) and Edit (Undo, and a Select submenu holding
// Select All).
TEST(Menus, ItemsAreFoundInSubmenusEnabledAndRelabelled)
{
    QMenuBar bar;
    QMenu* file = bar.addMenu("&File");
    MSetCommandId(file->addAction("&New"), 57600);
    file->addSeparator();
    MSetCommandId(file->addAction("E&xit"), 32781);
    QMenu* edit = bar.addMenu("&Edit");
    MSetCommandId(edit->addAction("Undo \tCtrl+Z"), 57643);
    MSetCommandId(edit->addMenu("Select")->addAction("Select All"), 32796);
    QAction* found = MFindMenuItem(&bar, 32796);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(), "Select All");
    EXPECT_EQ(MFindMenuItem(&bar, 12345), nullptr);
    EXPECT_EQ(MFindMenuItem(&bar, 0), nullptr);
    EXPECT_EQ(MFindMenuItem(nullptr, 57600), nullptr);

    MMenuItemRef exitItem(&bar, 32781);
    exitItem.Enable(false);
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, 32781));
    exitItem.Enable(true);
    EXPECT_TRUE(MIsMenuItemEnabled(&bar, 32781));
    // An empty reference names no item and changes nothing.
    MMenuItemRef none;
    EXPECT_FALSE(none.IsSet());
    none.Enable(false);
    EXPECT_EQ(none.GetText(), "");

    // Shortcut texts follow the tab, and new labels keep them.
    MMenuItemRef undo(&bar, 57643), fresh(&bar, 57600), all(&bar, 32796);
    undo.SetShortcutText("Shift+Ctrl+Z");
    EXPECT_EQ(undo.GetText(), "Undo \tShift+Ctrl+Z");
    fresh.SetShortcutText("");
    EXPECT_EQ(fresh.GetText(), "&New\t");
    fresh.SetShortcutText("Ctrl+N");
    EXPECT_EQ(fresh.GetText(), "&New\tCtrl+N");
    undo.SetLabelKeepingShortcut("Undo Select");
    EXPECT_EQ(undo.GetText(), "Undo Select\tShift+Ctrl+Z");
    all.SetLabelKeepingShortcut("Everything");
    EXPECT_EQ(all.GetText(), "Everything");

    ASSERT_TRUE(MSetMenuItemText(&bar, 32796, MStr(std::string(200, 'x').c_str())));
    MStr text;
    ASSERT_TRUE(MGetMenuItemText(&bar, 32796, text));
    EXPECT_EQ(text.GetLength(), 127);
}
