// The picture button's action running, auto-repeat, Ctrl+click and tool tip
// text; the tool tip's owner rule; the folder chooser's result; the colour
// picker's controls.
#include "CColorPickerDlg.h"
#include "CDirPickerDlg.h"
#include "CImageButton.h"
#include "Globals.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "MKeyCodes.h"
#include "MToolTipWnd.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace
{
int g_Runs = 0;
int CountRun()
{
    ++g_Runs;
    return 1;
}

class WindowPartsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_Runs = 0;
        g_ActionRegistry.RegisterAction("KTestStep", "Step Forward", "Main", CountRun);
        g_ActionRegistry.RegisterAction("KTestQuiet", "", "Main", CountRun);
        g_KeyBindingTable.SetActionRegistry(&g_ActionRegistry);
        SetSystemManager(&g_SystemManager);
        g_SystemManager.SetLogFileOutput(&log);
        g_Config.m_ProgramFolder = home.Path().string() + "/";
        button.SetActionName("KTestStep");
        button.resize(32, 32);
        button.show();
    }
    void TearDown() override
    {
        g_SystemManager.SetLogFileOutput(nullptr);
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
        DestroyToolTip();
    }
    TempDir home;
    CaptureSink log;
    CImageButton button;
};

TEST_F(WindowPartsTest, HoldingTheButtonRepeatsAfter800ThenEvery200MsUntilRelease)
{
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(g_Runs, 1);
    QTest::qWait(300);
    EXPECT_EQ(g_Runs, 1); // timers never fire early
    EXPECT_TRUE(QTest::qWaitFor([] { return g_Runs >= 3; }, 5000));
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_FALSE(button.IsRepeating());
    const int runs = g_Runs;
    QTest::qWait(450);
    EXPECT_EQ(g_Runs, runs);
}

TEST_F(WindowPartsTest, CtrlClickOpensTheToolConfigurationInsteadOfRunning)
{
    QTest::mouseClick(&button, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(g_Runs, 0);
    EXPECT_FALSE(button.IsRepeating());
    EXPECT_TRUE(std::any_of(log.lines.begin(), log.lines.end(),
                            [](const std::string& l)
                            { return l.find("KTestStep.ascr") != std::string::npos; }));
}

TEST_F(WindowPartsTest, TipNamesTheShortcutWhenBoundAndShowsOnlyForTheWindowUnderTheMouse)
{
    EXPECT_EQ(button.TipText(), "Step Forward");
    g_KeyBindingTable.AddBinding("KTestStep", "Main", MVirtualKeyFromQt(Qt::Key_F5, {}), false,
                                 false, false);
    EXPECT_EQ(button.TipText(), "Step Forward (F5)");
    button.SetActionName("KTestQuiet");
    EXPECT_EQ(button.TipText(), "KTestQuiet");

    QWidget other;
    for (QWidget* under : {&other, static_cast<QWidget*>(&button)})
    {
        ToolTip().SetWindowUnderMouse(under);
        ToolTip().ShowTip(&button, 10, 10, 0, 2000, "Step Forward");
        ASSERT_EQ(ToolTip().GetTipWindow() != nullptr, under == &button);
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return ToolTip().GetTipWindow()->isVisible(); }, 2000));
    // Another window under the mouse takes the tip away.
    ToolTip().SetWindowUnderMouse(&other);
    EXPECT_EQ(ToolTip().GetTipWindow(), nullptr);
    // Moving over the button starts its tip once and keeps it.
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&button, &move);
    const QPointer<QWidget> tip = ToolTip().GetTipWindow();
    QApplication::sendEvent(&button, &move);
    EXPECT_TRUE(tip && tip == ToolTip().GetTipWindow());
}

TEST_F(WindowPartsTest, FolderChooserFollowsTypingAndTheTreeAndGivesTheFolderAfterOk)
{
    std::filesystem::create_directories(home.Path() / "maps" / "textures");
    const QString maps = QString::fromStdString((home.Path() / "maps").string());
    CDirPickerDlg picker(nullptr, MStr(home.Path().string().c_str()));
    picker.show();
    QTest::keyClicks(picker.PathField(), "/maps/textures");
    EXPECT_EQ(QString::fromUtf8(picker.SelectedFolder().c_str()), maps + "/textures");
    QTest::keyClicks(picker.PathField(), "/no-such-folder");
    EXPECT_EQ(QString::fromUtf8(picker.SelectedFolder().c_str()), maps + "/textures"); // unmoved
    // Choosing in the tree writes the folder into the field.
    picker.Tree()->setCurrentIndex(picker.Tree()->currentIndex().parent());
    EXPECT_EQ(picker.PathField()->text(), maps);
    QTimer::singleShot(0, &picker, [&] { picker.findChild<QPushButton*>("OK")->click(); });
    EXPECT_TRUE(picker.DoModal());
    EXPECT_EQ(QString::fromUtf8(picker.GetPath().c_str()), maps);
}
TEST(ColourPickerTest, ShowsTheColourInItsFieldsAndSlidersAndFollowsASlider)
{
    CColorPickerDlg picker;
    picker.SetColor(1, 0.5f, 0.2f);
    QStringList shown;
    for (int i = 0; i < 3; ++i)
        shown << picker.findChildren<QLineEdit*>()[i]->text()
              << QString::number(picker.GetSlider(i)->value());
    EXPECT_EQ(shown, QStringList({"1.00", "100", "0.50", "50", "0.20", "20"}));
    picker.GetSlider(2)->setValue(60);
    EXPECT_FLOAT_EQ(picker.GetComponent(2), 0.6f);
    EXPECT_EQ(picker.GetColorValue() & 0xFFFF, 0x7FFFu); // red and green; blue is above
    EXPECT_NEAR(picker.GetColorValue() >> 16, 153, 1);
    picker.SetColor(1.5f, -0.5f, 0.0f); // out of range: clamped, not wrapped
    EXPECT_EQ(picker.GetColorValue(), 0xFFu);
}
} // namespace
