#include "ViewTestSupport.h"

namespace
{
class SceneOutline : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        ASSERT_GT(sys.LoadPlugins(), 0);
        g_CurrentScene = Scene();
        ImportCorpus({"oapowerups.shader"});
        outline = AddView<Choosing<CSceneViewWnd>>(QRect(0, 0, 300, 400), "Scene Outline");
        ShowMain();
        quad = dynamic_cast<MMaterial*>(Scene()->FindObjectByName("quadDamage"));
        other = dynamic_cast<MMaterial*>(Scene()->FindObjectByName("invisItem"));
    }
    QPoint OnRow(MBaseObject* obj, bool circle = false)
    {
        MBaseObjectTreeNode* n = Scene()->FindObject(obj);
        int depth = 0;
        for (MBaseObjectTreeNode* p = n->GetParent(); p != Scene()->GetRoot(); p = p->GetParent())
            ++depth;
        return QPoint(depth * 24 + (circle ? 10 : 40), outline->RowY(n));
    }
    void Click(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(outline, Qt::LeftButton, mods, p);
        QTest::mouseRelease(outline, Qt::LeftButton, {}, p);
    }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(outline, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, outline->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(outline, &move);
        QTest::mouseRelease(outline, Qt::LeftButton, {}, to);
    }
    Choosing<CSceneViewWnd>* outline = nullptr;
    MMaterial *quad = nullptr, *other = nullptr;
};
struct SelectChildren
{
    static inline int runs = 0;
    static int Run() { return ++runs; }
};
} // namespace
TEST_F(SceneOutline, ListsShadersWithStagesAndRunsThePopupsCommands)
{
    EXPECT_EQ(outline->GetTypeFilter(), 0x270000u);
    const int all = Scene()->GetObjectCount();
    EXPECT_EQ(outline->GetRowCount(), all);
    EXPECT_LT(outline->RowY(Scene()->FindObject(quad)),
              outline->RowY(Scene()->FindObject(quad->GetLayer(1))));
    MRef<Counted> modifier(new Counted("Bend"));
    modifier->AddFlags(OBJ_TYPE_MODIFIER);
    Scene()->AddObject(modifier.Get());
    EXPECT_EQ(outline->GetRowCount(), all);
    g_ActionRegistry.RegisterAction("KEditSelectChildren", "Select Children", "Edit",
                                    &SelectChildren::Run);
    SelectChildren::runs = 0;
    Scene()->SelectObject(quad, false);
    const int tops = Scene()->GetRoot()->GetChildCount(),
              quadLayers = int(TreeChildren(quad).size());
    const std::tuple<int, uint32_t, int> cases[] = {
        {ID_OUTLINE_MODIFIERS, 0x2F0000, all + 1},
        {ID_OUTLINE_COLLAPSE_ALL, 0x2F0000, tops},
        {ID_OUTLINE_EXPAND_SELECTION, 0x2F0000, tops + quadLayers},
        {ID_OUTLINE_EXPAND_ALL, 0x2F0000, all + 1},
        {ID_OUTLINE_MATERIALS, 0x2B0000, 1},
        {ID_OUTLINE_MATERIALS, 0x2F0000, all + 1},
        {ID_OUTLINE_MODIFIERS, 0x270000, all},
        {ID_OUTLINE_MESHES, 0x260000, all},
        {ID_OUTLINE_LIGHTS, 0x240000, all},
        {ID_OUTLINE_CAMERAS, 0x040000, all},
        {ID_OUTLINE_SELECT_CHILDREN, 0x040000, all}};
    for (const auto& [id, filter, rows] : cases)
    {
        SCOPED_TRACE(id);
        const int redraws = outline->redraws;
        outline->chooseCommand = id;
        outline->ShowPopupMenu(0, 0);
        EXPECT_EQ(outline->redraws, redraws + 1);
        EXPECT_EQ(outline->GetTypeFilter(), filter);
        EXPECT_EQ(outline->GetRowCount(), rows);
    }
    EXPECT_EQ(SelectChildren::runs, 1);
    outline->chooseCommand = 0;
    outline->ShowPopupMenu(0, 0);
    EXPECT_EQ(std::vector<QString>(outline->texts.begin(), outline->texts.begin() + 5),
              (std::vector<QString>{"Meshes", "Lights", "Cameras", "Materials", "Modifiers"}));
    EXPECT_EQ(outline->checked, std::vector<int>{ID_OUTLINE_MATERIALS});
}
TEST_F(SceneOutline, ClicksSelectOrToggleAndCollapseWithOneUndoNodeEach)
{
    Click(OnRow(quad));
    EXPECT_EQ(Selection(*Scene()), "quadDamage ");
    Click(OnRow(other), Qt::ControlModifier);
    EXPECT_EQ(Selection(*Scene()), "quadDamage invisItem ");
    Click(OnRow(quad), Qt::ControlModifier);
    EXPECT_EQ(Selection(*Scene()), "invisItem ");
    Click(OnRow(quad));
    EXPECT_EQ(Selection(*Scene()), "quadDamage ");
    EXPECT_EQ(g_UndoList.GetCount(), 4);
    EXPECT_EQ(g_UndoList.HeadName(), "Select");
    Scene()->SelectNone();
    const QPoint circle = OnRow(quad, true);
    QImage image = outline->grabFramebuffer();
    const auto dark = [&](QPoint p) { return qRed(image.pixel(p)) < 64; };
    EXPECT_TRUE(dark(circle + QPoint(0, -5)));
    EXPECT_TRUE(dark(circle + QPoint(5, 0)));
    EXPECT_FALSE(dark(circle + QPoint(0, -6)));
    EXPECT_FALSE(dark(circle + QPoint(3, 0)));
    EXPECT_FALSE(dark(circle + QPoint(-1, -3)));
    const int rows = outline->GetRowCount();
    int descendants = 0;
    Scene()->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        { descendants += MBaseObjectTree::IsChildOf(n, Scene()->FindObject(quad)); });
    Click(circle);
    EXPECT_TRUE(quad->HasFlags(OBJ_COLLAPSED));
    EXPECT_EQ(outline->GetRowCount(), rows - descendants);
    image = outline->grabFramebuffer();
    EXPECT_TRUE(dark(circle + QPoint(3, 0)));
    EXPECT_TRUE(dark(circle + QPoint(-1, -3))); // the plus
    Click(circle);
    EXPECT_EQ(outline->GetRowCount(), rows);
    EXPECT_EQ(g_UndoList.GetCount(), 6);
}
TEST_F(SceneOutline, DragReparentsAfterNinePixelsWithUndoAndRefusesBreakingDrops)
{
    MMaterialLayer* stage = quad->GetLayer(1);
    const std::string before = TreeShape(*Scene());
    const QPoint from = OnRow(stage);
    Drag(from, from + QPoint(8, 8));
    EXPECT_EQ(TreeShape(*Scene()), before);
    EXPECT_EQ(g_UndoList.HeadName(), "Select");
    const int otherLayers = other->GetLayerCount();
    Drag(OnRow(stage), OnRow(other));
    EXPECT_EQ(stage->GetMaterial(), other);
    EXPECT_EQ(other->GetLayerCount(), otherLayers + 1);
    EXPECT_EQ(g_UndoList.HeadName(), "Parent/Child");
    EXPECT_TRUE(Scene()->CheckStructure());
    KEditUndo();
    EXPECT_EQ(TreeShape(*Scene()), before);
    EXPECT_EQ(stage->GetMaterial(), quad);
    EXPECT_TRUE(Scene()->CheckStructure());
    MBaseObject* node = other->GetLayer(1)->GetShader(0);
    const std::pair<MBaseObject*, QPoint> refused[] = {
        {stage, OnRow(node)}, {quad, OnRow(other->GetLayer(1))}, {node, OnRow(quad)}};
    for (const auto& [obj, to] : refused)
    {
        SCOPED_TRACE(obj->GetName().c_str());
        const int count = g_UndoList.GetCount();
        sys.log.lines.clear();
        Drag(OnRow(obj), to);
        EXPECT_EQ(TreeShape(*Scene()), before);
        EXPECT_EQ(g_UndoList.GetCount(), count + 1); // the press's "Select" only
        EXPECT_EQ(g_UndoList.HeadName(), "Select");
        ASSERT_FALSE(sys.log.lines.empty());
        EXPECT_NE(sys.log.lines.back().find("cannot"), std::string::npos) << sys.log.lines.back();
    }
}
TEST_F(SceneOutline, ScrollBarsOnlyWhenNeededAndOnlyRowsOnScreenAreDrawn)
{
    outline->resize(300, 4000);
    QCoreApplication::processEvents();
    outline->grabFramebuffer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(outline->GetVerticalBar()->isVisible());
    EXPECT_FALSE(outline->GetHorizontalBar()->isVisible());
    ImportCorpus({"nkoa-newsfx.shader"});
    outline->resize(120, 300);
    outline->grabFramebuffer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(outline->GetVerticalBar()->isVisible());
    EXPECT_TRUE(outline->GetHorizontalBar()->isVisible());
    const int onScreen = 300 / outline->GetRowHeight() + 3;
    EXPECT_LE(outline->GetDrawnRowCount(), onScreen);
    EXPECT_GT(outline->GetRowCount(), 10 * onScreen);
    outline->GetVerticalBar()->setValue(outline->GetVerticalBar()->maximum());
    MBaseObjectTreeNode* last = Scene()->GetRoot()->GetLastChild();
    while (last->GetLastChild())
        last = last->GetLastChild();
    const int y = outline->RowY(last);
    EXPECT_GT(y, 0);
    EXPECT_LT(y, 300);
}
TEST_F(SceneOutline, ScreenshotsCollapsedAndExpanded)
{
    ImportCorpus({"ctf.shader"});
    outline->resize(320, 480);
    Scene()->SelectObject(quad, false);
    Scene()->SelectObject(quad->GetLayer(1)->GetShader(0), true);
    other->ClearFlags(OBJ_VISIBLE);
    QCoreApplication::processEvents();
    Save(outline->grabFramebuffer(), "outline-expanded.png");
    outline->chooseCommand = ID_OUTLINE_COLLAPSE_ALL;
    outline->ShowPopupMenu(0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(outline->GetRowCount(), Scene()->GetRoot()->GetChildCount());
    Save(outline->grabFramebuffer(), "outline-collapsed.png");
}
