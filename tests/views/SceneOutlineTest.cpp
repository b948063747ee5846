// The scene outline driven with the mouse on a corpus scene: rows and the
// type filter, selection with one undo node per click, collapse, drag to
// re-parent with undo, refused drops, scroll bars and drawing only the rows
// on screen; and pictures of it collapsed and expanded.
#include "ViewTestSupport.h"

#include "KUndoActions.h"
#include "MBaseShaderNode.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MTranslator.h"
#include "MUndoList.h"

#include <QScrollBar>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
// An outline whose popup menu "chooses" a given command.
class ChoosingOutline : public CSceneViewWnd
{
  public:
    int chooseCommand = 0;
    std::vector<std::pair<QString, bool>> items; // text and checked

  protected:
    QAction* TrackPopupMenu(QMenu* menu, int, int) override
    {
        items.clear();
        for (QAction* a : menu->actions())
            items.emplace_back(a->text(), a->isChecked());
        return MFindMenuItem(menu, chooseCommand);
    }
};

class SceneOutline : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        ASSERT_GT(sys.LoadPlugins(), 0);
        g_CurrentScene = sys.Scene();
        g_UndoList.Purge();
        g_RedoList.Purge();
        Import("oapowerups.shader");
        outline = AddView<ChoosingOutline>(QRect(0, 0, 300, 400), "Scene Outline");
        ShowMain();
    }
    void TearDown() override
    {
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_CurrentScene = nullptr;
        ViewTest::TearDown();
    }
    void Import(const char* file)
    {
        const fs::path path = CorpusDir() / "shaders" / "openarena" / file;
        MMaterialTranslator* t =
            sys.Manager().FindMaterialTranslatorThatImports(path.string().c_str());
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(t->ImportFile(path.string().c_str(), sys.Scene()));
    }
    MMaterial* Material(const char* name)
    {
        return dynamic_cast<MMaterial*>(sys.Scene()->FindObjectByName(name));
    }
    // A point on the row of an object: on its text, or on its expand circle.
    QPoint OnRow(MBaseObject* obj, bool circle = false)
    {
        MBaseObjectTreeNode* n = sys.Scene()->FindObject(obj);
        int depth = 0;
        for (MBaseObjectTreeNode* p = n->GetParent(); p != sys.Scene()->GetRoot();
             p = p->GetParent())
            ++depth;
        return QPoint(depth * 24 + (circle ? 10 : 40), outline->RowY(n));
    }
    void Press(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(outline, Qt::LeftButton, mods, p);
    }
    void Release(QPoint p) { QTest::mouseRelease(outline, Qt::LeftButton, {}, p); }
    void MoveTo(QPoint p)
    {
        QMouseEvent move(QEvent::MouseMove, p, outline->mapToGlobal(p), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(outline, &move);
    }
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        MoveTo(to);
        Release(to);
    }
    bool StructureOk()
    {
        MStr problem;
        const bool ok = sys.Scene()->CheckStructure(&problem);
        EXPECT_TRUE(ok) << problem.c_str();
        return ok;
    }
    void Save(const char* name)
    {
        const fs::path folder = BinDir().parent_path() / "screenshots";
        fs::create_directories(folder);
        ASSERT_TRUE(
            outline->grabFramebuffer().save(QString::fromStdString((folder / name).string())));
    }

    ChoosingOutline* outline = nullptr;
};
} // namespace

TEST_F(SceneOutline, ListsShadersWithStagesAndFiltersByTypeFromThePopup)
{
    EXPECT_EQ(outline->GetTypeFilter(), 0x270000u);
    // Layers and nodes carry the material bit: every object has a row.
    EXPECT_EQ(outline->GetRowCount(), sys.Scene()->GetObjectCount());
    MMaterial* quad = Material("quadDamage");
    EXPECT_LT(outline->RowY(sys.Scene()->FindObject(quad)),
              outline->RowY(sys.Scene()->FindObject(quad->GetLayer(1))));

    // A modifier is not listed until "Modifiers" is chosen, and then checked.
    MRef<Counted> modifier(new Counted("Bend"));
    modifier->AddFlags(OBJ_TYPE_MODIFIER);
    sys.Scene()->AddObject(modifier.Get());
    const int before = outline->GetRowCount();
    EXPECT_EQ(before, sys.Scene()->GetObjectCount() - 1);
    outline->chooseCommand = ID_OUTLINE_MODIFIERS;
    outline->ShowPopupMenu(0, 0);
    EXPECT_EQ(outline->GetRowCount(), before + 1);
    outline->chooseCommand = 0;
    outline->ShowPopupMenu(0, 0);
    const std::vector<std::pair<QString, bool>> checks(outline->items.begin(),
                                                       outline->items.begin() + 5);
    EXPECT_EQ(checks, (std::vector<std::pair<QString, bool>>{{"Meshes", true},
                                                             {"Lights", true},
                                                             {"Cameras", true},
                                                             {"Materials", true},
                                                             {"Modifiers", true}}));
}

TEST_F(SceneOutline, ClicksSelectOrToggleAndCollapseWithOneUndoNodeEach)
{
    MMaterial* quad = Material("quadDamage");
    MMaterial* other = Material("invisItem");
    Press(OnRow(quad));
    Release(OnRow(quad));
    EXPECT_EQ(Selection(*sys.Scene()), "quadDamage ");
    Press(OnRow(other), Qt::ControlModifier);
    Release(OnRow(other));
    EXPECT_EQ(Selection(*sys.Scene()), "quadDamage invisItem ");
    Press(OnRow(quad), Qt::ControlModifier);
    Release(OnRow(quad));
    EXPECT_EQ(Selection(*sys.Scene()), "invisItem ");
    Press(OnRow(quad));
    Release(OnRow(quad));
    EXPECT_EQ(Selection(*sys.Scene()), "quadDamage ");
    EXPECT_EQ(g_UndoList.GetCount(), 4);
    EXPECT_EQ(g_UndoList.HeadName(), "Select");

    // The circle collapses: the descendants' rows go, a plus shows.
    const int rows = outline->GetRowCount();
    int descendants = 0;
    sys.Scene()->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        { descendants += MBaseObjectTree::IsChildOf(n, sys.Scene()->FindObject(quad)); });
    const QPoint circle = OnRow(quad, true);
    Press(circle);
    Release(circle);
    EXPECT_TRUE(quad->HasFlags(OBJ_COLLAPSED));
    EXPECT_EQ(outline->GetRowCount(), rows - descendants);
    const QImage image = outline->grabFramebuffer();
    EXPECT_EQ(QColor(image.pixel(circle + QPoint(3, 0))), QColor(Qt::black)); // the plus
    Press(circle);
    Release(circle);
    EXPECT_EQ(outline->GetRowCount(), rows);
    EXPECT_EQ(g_UndoList.GetCount(), 6);
}

TEST_F(SceneOutline, DragReparentsAfterNinePixelsWithUndoAndRefusesBreakingDrops)
{
    MMaterial* quad = Material("quadDamage");
    MMaterial* other = Material("invisItem");
    MMaterialLayer* stage = quad->GetLayer(1);
    const std::string before = TreeShape(*sys.Scene());

    // Eight pixels is a click, not a drag.
    const QPoint from = OnRow(stage);
    Drag(from, from + QPoint(8, 8));
    EXPECT_EQ(TreeShape(*sys.Scene()), before);
    EXPECT_EQ(g_UndoList.HeadName(), "Select");

    // Onto another shader: the stage moves there, in the list as well.
    const int otherLayers = other->GetLayerCount();
    Drag(OnRow(stage), OnRow(other));
    EXPECT_EQ(stage->GetMaterial(), other);
    EXPECT_EQ(other->GetLayerCount(), otherLayers + 1);
    EXPECT_EQ(g_UndoList.HeadName(), "Parent/Child");
    StructureOk();
    KEditUndo();
    EXPECT_EQ(TreeShape(*sys.Scene()), before);
    EXPECT_EQ(stage->GetMaterial(), quad);
    StructureOk();

    // A stage onto a node, a shader onto a stage, a node onto a shader:
    // refused with a log line and no undo node.
    MBaseObject* node = other->GetLayer(1)->GetShader(0);
    const std::pair<MBaseObject*, QPoint> refused[] = {
        {stage, OnRow(node)},
        {quad, OnRow(other->GetLayer(1))},
        {node, OnRow(quad)},
    };
    for (const auto& [obj, to] : refused)
    {
        const int count = g_UndoList.GetCount();
        sys.log.lines.clear();
        Drag(OnRow(obj), to);
        EXPECT_EQ(TreeShape(*sys.Scene()), before) << obj->GetName().c_str();
        EXPECT_EQ(g_UndoList.GetCount(), count + 1); // the press's "Select" only
        EXPECT_EQ(g_UndoList.HeadName(), "Select");
        ASSERT_FALSE(sys.log.lines.empty());
        EXPECT_NE(sys.log.lines.back().find("cannot"), std::string::npos) << sys.log.lines.back();
    }
}

TEST_F(SceneOutline, ScrollBarsOnlyWhenNeededAndOnlyRowsOnScreenAreDrawn)
{
    // One shader file fits in a tall window.
    outline->resize(300, 4000);
    QCoreApplication::processEvents();
    outline->grabFramebuffer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(outline->GetVerticalBar()->isVisible());
    EXPECT_FALSE(outline->GetHorizontalBar()->isVisible());

    Import("nkoa-newsfx.shader");
    outline->resize(120, 300);
    outline->grabFramebuffer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(outline->GetVerticalBar()->isVisible());
    EXPECT_TRUE(outline->GetHorizontalBar()->isVisible());
    const int onScreen = 300 / outline->GetRowHeight() + 3;
    EXPECT_LE(outline->GetDrawnRowCount(), onScreen);
    EXPECT_GT(outline->GetRowCount(), 10 * onScreen);

    // Scrolled to the end, the last row lies within the window.
    outline->GetVerticalBar()->setValue(outline->GetVerticalBar()->maximum());
    MBaseObjectTreeNode* last = sys.Scene()->GetRoot()->GetLastChild();
    while (last->GetLastChild())
        last = last->GetLastChild();
    const int y = outline->RowY(last);
    EXPECT_GT(y, 0);
    EXPECT_LT(y, 300);
}

TEST_F(SceneOutline, ScreenshotsCollapsedAndExpanded)
{
    Import("ctf.shader");
    outline->resize(320, 480);
    MMaterial* quad = Material("quadDamage");
    sys.Scene()->SelectObject(quad, false);
    sys.Scene()->SelectObject(quad->GetLayer(1)->GetShader(0), true);
    Material("invisItem")->ClearFlags(OBJ_VISIBLE);
    QCoreApplication::processEvents();
    Save("outline-expanded.png");
    outline->chooseCommand = ID_OUTLINE_COLLAPSE_ALL;
    outline->ShowPopupMenu(0, 0);
    QCoreApplication::processEvents();
    int tops = 0;
    for (MBaseObjectTreeNode* n = sys.Scene()->GetRoot()->GetFirstChild(); n;
         n = n->GetNextSibling())
        ++tops;
    EXPECT_EQ(outline->GetRowCount(), tops);
    Save("outline-collapsed.png");
}
