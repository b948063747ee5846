// Shelf files, shelf pages and the top panel's tab control: the reader's edge
// cases, button placing and pictures, shelves in the order found, pages shown
// with their tabs, and dragging a shelf sideways.
#include "CAutoTabCtrl.h"
#include "CImageButton.h"
#include "CShelfDlg.h"
#include "CTopToolDlg.h"
#include "Globals.h"
#include "MFile.h"
#include "MShelfFile.h"
#include "MShelfManager.h"
#include "TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace
{
struct ParseCase
{
    const char* name;
    std::string text;
    const char* title;
    std::vector<std::pair<const char*, const char*>> entries;
};

TEST(ShelfFileTest, ReadsTitleAndPairsAsWritten)
{
    const std::vector<ParseCase> cases = {
        {"title only", "Shaders", "Shaders", {}},
        {"title and line end only", "Shaders\r\n", "Shaders", {}},
        {"trailing action without picture", "T,KEditUndo", "T", {}},
        {"trailing action after a pair", "T\nKA,a.bmp\nKB\n", "T", {{"KA", "a.bmp"}}},
        {"blank lines and spaces after commas",
         "T\r\n\r\n\r\n  KA,   a.bmp\n\n, KB ,b.bmp",
         "T",
         {{"KA", "a.bmp"}, {"KB ", "b.bmp"}}},
        {"inner and trailing spaces kept",
         "My Shelf \nK A ,p q.bmp ",
         "My Shelf ",
         {{"K A ", "p q.bmp "}}},
        {"empty title", ",KA,a.bmp", "", {{"KA", "a.bmp"}}},
        {"title keeps leading spaces", "  T", "  T", {}},
        {"zero bytes separate", std::string("T\0KA\0a.bmp", 10), "T", {{"KA", "a.bmp"}}},
        {"empty file", "", "", {}},
        {"only separators", ",,\r\n,", "", {}},
    };
    for (const ParseCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        MShelfFile file;
        file.Parse(c.text);
        EXPECT_EQ(file.m_Title.str(), c.title);
        ASSERT_EQ(file.m_Entries.size(), c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i)
        {
            EXPECT_EQ(file.m_Entries[i].action.str(), c.entries[i].first);
            EXPECT_EQ(file.m_Entries[i].picture.str(), c.entries[i].second);
        }
    }
}

TEST(ShelfFileTest, NamesMatchWithoutRegardToCase)
{
    TempDir dir;
    dir.Write("Prefs/Buttons/KEditUndo.bmp", "x");
    const std::string base = dir.Path().string();
    struct Case
    {
        std::string name;
        bool found;
    } cases[] = {
        {base + "/Prefs/Buttons/KEditUndo.bmp", true},
        {base + "\\prefs\\BUTTONS\\keditundo.BMP", true},
        {base + "/Prefs/Buttons/KEditRedo.bmp", false},
        {base + "/Prefs/Buttons", false}, // a folder is not a file
        {"", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!FindFileNoCase(MStr(c.name)).IsEmpty(), c.found);
    }
    EXPECT_TRUE(MatchFilePattern("*.shelf", "View.SHELF"));
    EXPECT_TRUE(MatchFilePattern("?.shelf", "a.shelf"));
    EXPECT_FALSE(MatchFilePattern("*.shelf", "View.shelf.bak"));
    EXPECT_FALSE(MatchFilePattern("?.shelf", "ab.shelf"));
}

// A shipped 32 x 32 button picture.
std::string Picture()
{
    return ReadWholeFile(std::filesystem::path(GLAZEN_TEST_DATA) /
                         "../../prefs/Buttons/KEditUndo.bmp");
}

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
    }
    void TearDown() override
    {
        manager.RemoveAllShelves();
        g_Config.m_ProgramFolder = savedFolder;
    }
    TempDir dir;
    TestSystem system;
    CTopToolDlg top;
    MShelfManager manager;
    MStr savedFolder;
};

TEST_F(ShelfTest, ButtonsStand34PixelsApartWithPicturesFromTheProgramFolder)
{
    dir.Write("Prefs/Buttons/KA.bmp", Picture());
    dir.Write("Prefs/Buttons/KC.bmp", Picture());
    const std::string file = dir.Write("Prefs/Tools.shelf", "Tools\r\nKA,Prefs\\Buttons\\KA.bmp\r\n"
                                                            "KB,Prefs\\Buttons\\Missing.bmp\r\n"
                                                            "KC,prefs\\buttons\\kc.BMP\r\n");
    ASSERT_EQ(manager.AddShelf(MStr(file)), 1);
    CShelfDlg* shelf = manager.GetShelf(0);
    ASSERT_EQ(shelf->GetButtonCount(), 3);
    EXPECT_EQ(top.TabControl()->tabText(0), "Tools");
    EXPECT_EQ(shelf->GetButton(2)->geometry(), QRect(68, 1, 32, 32));
    EXPECT_EQ(shelf->GetButton(0)->GetActionName().str(), "KA");
    EXPECT_FALSE(shelf->GetButton(0)->GetPicture().IsEmpty());
    // Without a picture the button keeps 33 pixels, and the miss is logged.
    EXPECT_TRUE(shelf->GetButton(1)->GetPicture().IsEmpty());
    EXPECT_EQ(shelf->GetButton(1)->width(), 33);
    EXPECT_TRUE(system.log.Contains(
        "Warning: Could not load image 'Prefs\\Buttons\\Missing.bmp' for button 'KB'"));
}

TEST_F(ShelfTest, ShelvesComeInNameOrderAndAMissingFileGivesAnEmptyPage)
{
    dir.Write("Prefs/b.SHELF", "Second");
    dir.Write("Prefs/A.shelf", "First\nKA,x.bmp");
    dir.Write("Prefs/c.txt", "Not a shelf");
    EXPECT_EQ(manager.LoadShelves(g_Config.m_ProgramFolder + "prefs\\*.shelf"), 2);
    ASSERT_EQ(top.TabControl()->count(), 2);
    EXPECT_EQ(top.TabControl()->tabText(0), "First");
    EXPECT_EQ(top.TabControl()->tabText(1), "Second");
    // Only the first page is shown; the second waits for its tab.
    QApplication::processEvents();
    EXPECT_TRUE(manager.GetShelf(0)->isVisible());
    EXPECT_FALSE(manager.GetShelf(1)->isVisible());
    top.TabControl()->setCurrentIndex(1);
    EXPECT_TRUE(manager.GetShelf(1)->isVisible());
    EXPECT_FALSE(manager.GetShelf(0)->isVisible());

    EXPECT_EQ(manager.AddShelf(MStr(dir.Path().string() + "/nothing.shelf")), 1);
    EXPECT_EQ(top.TabControl()->tabText(2), ".");
    EXPECT_EQ(manager.GetShelf(2)->GetButtonCount(), 0);

    manager.RemoveAllShelves();
    EXPECT_EQ(top.TabControl()->count(), 0);
    EXPECT_EQ(manager.GetShelfCount(), 0);
    MShelfManager without;
    EXPECT_EQ(without.AddShelf(MStr(dir.Path().string() + "/Prefs/A.shelf")), 0);
}

TEST_F(ShelfTest, AShelfScrollsSidewaysOnlyAndStaysWithinItsButtons)
{
    std::string text = "Wide";
    for (int i = 0; i < 30; ++i)
        text += "\nK" + std::to_string(i) + ",none.bmp";
    ASSERT_EQ(manager.AddShelf(MStr(dir.Write("w.shelf", text))), 1);
    CShelfDlg* shelf = manager.GetShelf(0);
    QApplication::processEvents();
    const int width = shelf->width();
    ASSERT_GT(width, 0);
    // Middle-drag over a button, left and up: only the sideways part moves.
    CImageButton* button = shelf->GetButton(1);
    const QPoint start = button->rect().center();
    QTest::mousePress(button, Qt::MiddleButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start - QPoint(100, 50)),
                     QPointF(button->mapToGlobal(start - QPoint(100, 50))), Qt::NoButton,
                     Qt::MiddleButton, {});
    QApplication::sendEvent(button, &move);
    QTest::mouseRelease(button, Qt::MiddleButton, {}, start - QPoint(100, 50));
    EXPECT_EQ(shelf->GetScrollOffset(), QPoint(-100, 0));
    EXPECT_EQ(shelf->GetButton(0)->pos(), QPoint(-100, 1));
    // A far drag to the left stops with the last button and the margin in view.
    QTest::mousePress(shelf, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent far(QEvent::MouseMove, QPointF(-5000, 400),
                    QPointF(shelf->mapToGlobal(QPoint(-5000, 400))), Qt::NoButton, Qt::LeftButton,
                    {});
    QApplication::sendEvent(shelf, &far);
    QTest::mouseRelease(shelf, Qt::LeftButton, {}, QPoint(-5000, 400));
    const int content = 29 * 34 + 33 + CDragScrollDlg::kMargin;
    EXPECT_EQ(shelf->GetScrollOffset(), QPoint(width - content, 0));
    EXPECT_EQ(shelf->GetButton(29)->geometry().right() + 1 + CDragScrollDlg::kMargin, width);
}
} // namespace
