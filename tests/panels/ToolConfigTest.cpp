// The tool configuration dialog: rows by kind, the buttons along the bottom,
// storing into the preference file, running the action, and closing.
#include "CToolConfigDlg.h"
#include "Globals.h"
#include "MAction.h"
#include "MConfig.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

namespace
{
int g_Runs = 0;
MStr g_SeenLabel;
int KTestTool()
{
    ++g_Runs;
    ReadToolPrefString("KTestTool", "Label", g_SeenLabel);
    return 1;
}

class ToolConfigTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = dir.Path().string() + "/";
        dir.Write("Prefs/Tools/KTestTool.ascr", "Flag = 1;\nLabel = abc;\nScale = 2.5;\n");
        g_ActionRegistry.RegisterAction("KTestTool", "Test Tool", "General", KTestTool);
        g_Runs = 0;
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CToolConfigDlg*>(w))
                delete d;
        g_ActionRegistry.Clear();
        g_Config.m_ProgramFolder = saved;
    }
    // The dialog the preference code opened.
    CToolConfigDlg* Opened() const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CToolConfigDlg*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
    CToolConfigItem* Item(CToolConfigDlg* d, const char* name) const
    {
        for (int i = 0; i < d->GetItemCount(); ++i)
            if (d->GetItem(i)->GetVariable().name.EqualsNoCase(name))
                return d->GetItem(i);
        return nullptr;
    }
    TempDir dir;
    TestSystem system;
    MStr saved;
};

TEST_F(ToolConfigTest, RowsByKindAndButtonsAlongTheBottom)
{
    ASSERT_EQ(OpenToolConfiguration("KTestTool"), 1);
    CToolConfigDlg* d = Opened();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->windowTitle(), "KTestTool");
    ASSERT_EQ(d->GetItemCount(), 3);
    CToolConfigItem* flag = Item(d, "Flag");
    CToolConfigItem* label = Item(d, "Label");
    ASSERT_TRUE(flag && label);
    ASSERT_TRUE(flag->CheckBox());
    EXPECT_TRUE(flag->CheckBox()->isChecked());
    EXPECT_FALSE(flag->NameField());
    ASSERT_TRUE(label->ValueField() && label->NameField());
    EXPECT_EQ(label->ValueField()->text(), "abc");
    EXPECT_EQ(label->ValueField()->x(), 116);
    EXPECT_TRUE(label->NameField()->isReadOnly());
    // Rows 25 pixels apart from y 8.
    const CToolConfigItem* second = d->GetItem(1);
    EXPECT_EQ(second->CheckBox() ? second->CheckBox()->y() : second->NameField()->y(), 33);
    d->resize(400, 300);
    const int q = (400 - 8) / 4; // 98
    const int h = d->DoActionButton()->height();
    EXPECT_EQ(d->DoActionButton()->geometry(), QRect(4, 300 - h - 8, q - 8, h));
    EXPECT_EQ(d->ApplyButton()->x(), q + 4);
    EXPECT_EQ(d->OkButton()->x(), 2 * q + 4);
    EXPECT_EQ(d->CancelButton()->x(), 3 * q + 4);
}

TEST_F(ToolConfigTest, DoActionStoresThenRunsAndCancelStoresNothing)
{
    ASSERT_EQ(OpenToolConfiguration("KTestTool"), 1);
    CToolConfigDlg* d = Opened();
    ASSERT_TRUE(d);
    Item(d, "Flag")->CheckBox()->setChecked(false);
    Item(d, "Label")->ValueField()->setText("two words");
    d->DoActionButton()->click();
    EXPECT_EQ(g_Runs, 1);
    EXPECT_EQ(g_SeenLabel.str(), "two words"); // stored before the action ran
    MStr flag;
    ASSERT_EQ(ReadToolPrefString("KTestTool", "Flag", flag), 1);
    EXPECT_EQ(flag.str(), "0");
    EXPECT_TRUE(d->isVisible());

    // Cancel closes without storing; the dialog deletes itself.
    Item(d, "Label")->ValueField()->setText("thrown away");
    QPointer<CToolConfigDlg> watch(d);
    d->CancelButton()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    MStr label;
    ReadToolPrefString("KTestTool", "Label", label);
    EXPECT_EQ(label.str(), "two words");

    // OK stores and closes, without running the action.
    ASSERT_EQ(OpenToolConfiguration("KTestTool"), 1);
    d = Opened();
    ASSERT_TRUE(d);
    Item(d, "Scale")->ValueField()->setText("4");
    watch = d;
    d->OkButton()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    MStr scale;
    ReadToolPrefString("KTestTool", "Scale", scale);
    EXPECT_EQ(scale.str(), "4");
    EXPECT_EQ(g_Runs, 1);

    // A preference file spelt in another case is found all the same.
    dir.Write("prefs/tools/kothertool.ASCR", "Flag = 0;\n");
    EXPECT_EQ(OpenToolConfiguration("KOtherTool"), 1);
}
} // namespace
