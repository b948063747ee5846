// Shelf files and pages in the top panel, and the tool configuration dialog a
// shelf button opens.
#include "CAutoTabCtrl.h"
#include "CImageButton.h"
#include "CShelfDlg.h"
#include "CToolConfigDlg.h"
#include "CTopToolDlg.h"
#include "Globals.h"
#include "MAction.h"
#include "MConfig.h"
#include "MShelfFile.h"
#include "MShelfManager.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace
{
TEST(ShelfFileTest, ReadsTitleAndPairsAsWritten)
{
    // The text, its title and its entries as "action|picture;" each.
    const std::tuple<std::string, const char*, const char*> cases[] = {
        {"Shaders\r\n", "Shaders", ""},
        {"T,KEditUndo", "T", ""}, // a trailing action without a picture
        {"T\nKA,a.bmp\nKB\n", "T", "KA|a.bmp;"},
        {"T\r\n\r\n\r\n  KA,   a.bmp\n\n, KB ,b.bmp", "T", "KA|a.bmp;KB |b.bmp;"},
        {"My Shelf \nK A ,p q.bmp ", "My Shelf ", "K A |p q.bmp ;"},
        {",KA,a.bmp", "", "KA|a.bmp;"},
        {"  T", "  T", ""},
        {std::string("T\0KA\0a.bmp", 10), "T", "KA|a.bmp;"},
        {",,\r\n,", "", ""},
    };
    for (const auto& [text, title, entries] : cases)
    {
        SCOPED_TRACE(text);
        MShelfFile file;
        file.Parse(text);
        std::string read = file.m_Title.str() + ":";
        for (const auto& e : file.m_Entries)
            read += e.action.str() + "|" + e.picture.str() + ";";
        EXPECT_EQ(read, std::string(title) + ":" + entries);
    }
}

int g_Runs = 0;
MStr g_SeenLabel;
int KTestTool()
{
    ++g_Runs;
    ReadToolPrefString("KTestTool", "Label", g_SeenLabel);
    return 1;
}

// A temporary program folder, a top panel for the shelves and a tool.
class ShelfTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        savedFolder = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = dir.Path().string() + "/";
        top.resize(600, CTopToolDlg::kHeight);
        manager.SetTabControl(top.TabControl());
        top.show();
        g_ActionRegistry.RegisterAction("KTestTool", "Test Tool", "General", KTestTool);
        g_Runs = 0;
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            delete qobject_cast<CToolConfigDlg*>(w);
        g_ActionRegistry.Clear();
        manager.RemoveAllShelves();
        g_Config.m_ProgramFolder = savedFolder;
    }
    CShelfDlg* Add(const std::string& name, const std::string& text)
    {
        EXPECT_EQ(manager.AddShelf(MStr(dir.Write(name, text))), 1);
        return manager.GetShelf(manager.GetShelfCount() - 1);
    }
    static void Drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to)
    {
        QTest::mousePress(w, button, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(w->mapToGlobal(to)), Qt::NoButton,
                         button, {});
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, button, {}, to);
    }
    CToolConfigDlg* OpenTool()
    {
        EXPECT_EQ(OpenToolConfiguration("KTestTool"), 1);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CToolConfigDlg*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
    static CToolConfigItem* Item(CToolConfigDlg* d, const char* name)
    {
        for (int i = 0; i < d->GetItemCount(); ++i)
            if (d->GetItem(i)->GetVariable().name.EqualsNoCase(name))
                return d->GetItem(i);
        return nullptr;
    }
    static std::string Pref(const char* name)
    {
        MStr value;
        ReadToolPrefString("KTestTool", name, value);
        return value.str();
    }
    TempDir dir;
    TestSystem system;
    CTopToolDlg top;
    MShelfManager manager;
    MStr savedFolder;
};

TEST_F(ShelfTest, ButtonsStand34PixelsApartWithPicturesFoundWithoutRegardToCase)
{
    const std::string picture = ReadWholeFile(std::filesystem::path(GLAZEN_TEST_DATA) /
                                              "../../prefs/Buttons/KEditUndo.bmp");
    dir.Write("Prefs/Buttons/KA.bmp", picture);
    dir.Write("Prefs/Buttons/KC.bmp", picture);
    CShelfDlg* shelf = Add("Prefs/Tools.shelf", "Tools\r\nKA,Prefs\\Buttons\\KA.bmp\r\n"
                                                "KB,Prefs\\Buttons\\Missing.bmp\r\n"
                                                "KC,prefs\\buttons\\kc.BMP\r\n");
    ASSERT_EQ(shelf->GetButtonCount(), 3);
    EXPECT_EQ(top.TabControl()->tabText(0), "Tools");
    EXPECT_EQ(shelf->GetButton(2)->geometry(), QRect(68, 1, 32, 32));
    EXPECT_EQ(shelf->GetButton(0)->GetActionName().str(), "KA");
    EXPECT_FALSE(shelf->GetButton(2)->GetPicture().IsEmpty());
    // Without a picture a button keeps 33 pixels, and the miss is logged.
    EXPECT_TRUE(shelf->GetButton(1)->GetPicture().IsEmpty());
    EXPECT_EQ(shelf->GetButton(1)->width(), 33);
    EXPECT_TRUE(system.log.Contains(
        "Warning: Could not load image 'Prefs\\Buttons\\Missing.bmp' for button 'KB'"));
    EXPECT_TRUE(FindFileNoCase(MStr(dir.Path().string() + "/Prefs/Buttons")).IsEmpty());
}

TEST_F(ShelfTest, ShelvesComeInNameOrderAndAMissingFileGivesAnEmptyPage)
{
    dir.Write("Prefs/b.SHELF", "Second");
    dir.Write("Prefs/A.shelf", "First\nKA,x.bmp");
    dir.Write("Prefs/c.txt", "Not a shelf");
    EXPECT_EQ(manager.LoadShelves(g_Config.m_ProgramFolder + "prefs\\*.shelf"), 2);
    EXPECT_EQ(manager.AddShelf(MStr(dir.Path().string() + "/nothing.shelf")), 1);
    ASSERT_EQ(top.TabControl()->count(), 3);
    for (auto [tab, text] : {std::pair{0, "First"}, {1, "Second"}, {2, "."}})
        EXPECT_EQ(top.TabControl()->tabText(tab), text);
    EXPECT_EQ(manager.GetShelf(2)->GetButtonCount(), 0);
    // Only the page of the current tab is shown.
    QApplication::processEvents();
    for (int tab : {0, 1})
    {
        top.TabControl()->setCurrentIndex(tab);
        EXPECT_EQ(std::pair(manager.GetShelf(0)->isVisible(), manager.GetShelf(1)->isVisible()),
                  std::pair(tab == 0, tab == 1));
    }
    manager.RemoveAllShelves();
    EXPECT_EQ(std::pair(top.TabControl()->count(), manager.GetShelfCount()), std::pair(0, 0));
}

TEST_F(ShelfTest, AShelfScrollsSidewaysOnlyAndStaysWithinItsButtons)
{
    std::string text = "Wide";
    for (int i = 0; i < 30; ++i)
        text += "\nK" + std::to_string(i) + ",none.bmp";
    CShelfDlg* shelf = Add("w.shelf", text);
    QApplication::processEvents();
    // Middle-drag over a button, left and up: only the sideways part moves.
    const QPoint start = shelf->GetButton(1)->rect().center();
    Drag(shelf->GetButton(1), Qt::MiddleButton, start, start - QPoint(100, 50));
    EXPECT_EQ(shelf->GetButton(0)->pos(), QPoint(-100, 1));
    // A far left-drag on the background stops with the last button and the margin in view.
    Drag(shelf, Qt::LeftButton, QPoint(5, 5), QPoint(-5000, 400));
    EXPECT_EQ(shelf->GetButton(29)->geometry().right() + 1 + CDragScrollDlg::kMargin,
              shelf->width());
}

TEST_F(ShelfTest, ToolConfigurationStoresBeforeDoActionRunsOkStoresAndCancelDoesNot)
{
    // The preference file is found whatever the case of its name.
    dir.Write("prefs/tools/ktesttool.ASCR", "Flag = 1;\nLabel = abc;\nScale = 2.5;\n");
    CToolConfigDlg* d = OpenTool();
    ASSERT_TRUE(d);
    EXPECT_EQ(std::pair(d->windowTitle(), d->width()), std::pair(QString("KTestTool"), 300));
    // Rows 25 pixels apart from y 8: a check box, or a value right of its name.
    ASSERT_EQ(d->GetItemCount(), 3);
    QCheckBox* flag = Item(d, "Flag")->CheckBox();
    QLineEdit *label = Item(d, "Label")->ValueField(), *scale = Item(d, "Scale")->ValueField();
    EXPECT_EQ((std::set<int>{flag->y(), label->y(), scale->y()}), (std::set<int>{8, 33, 58}));
    EXPECT_TRUE(flag->isChecked());
    EXPECT_EQ(label->x(), 116);
    EXPECT_TRUE(Item(d, "Label")->NameField()->isReadOnly());
    // The four buttons share the bottom edge.
    d->resize(400, 300);
    const int q = (400 - 8) / 4, h = d->OkButton()->height();
    QPushButton* buttons[] = {d->DoActionButton(), d->ApplyButton(), d->OkButton(),
                              d->CancelButton()};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(buttons[i]->geometry(), QRect(i * q + 4, 300 - h - 8, q - 8, h)) << i;

    flag->setChecked(false);
    label->setText("two words");
    d->DoActionButton()->click();
    EXPECT_EQ(g_Runs, 1);
    EXPECT_EQ(g_SeenLabel.str(), "two words"); // stored before the action ran
    EXPECT_EQ(Pref("Flag"), "0");
    EXPECT_TRUE(d->isVisible());
    // Cancel closes without storing, OK stores and closes without running;
    // either way the dialog deletes itself.
    for (bool ok : {false, true})
    {
        Item(d, "Scale")->ValueField()->setText(ok ? "4" : "9");
        QPointer<CToolConfigDlg> watch(d);
        (ok ? d->OkButton() : d->CancelButton())->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watch.isNull());
        EXPECT_EQ(Pref("Scale"), ok ? "4" : "2.5");
        d = ok ? d : OpenTool();
        ASSERT_TRUE(d);
    }
    EXPECT_EQ(g_Runs, 1);
}
} // namespace
