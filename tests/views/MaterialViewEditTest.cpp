#include "ViewTestSupport.h"

namespace
{
using CM = CMaterialViewWnd;
struct Line
{
    int shown;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
// Two materials, both expanded:
//   A: L1 (N1, N2), L2 (N3)        rows 0 and 1
//   B: L4 (N4)                     row 2
class MaterialEdit : public MaterialViewTest
{
  protected:
    void SetUp() override
    {
        MaterialViewTest::SetUp();
        view->SetZoom(1.0f);
        view->SetPan(MVector3(1.4f, 0.8f, 0.0f));
        Build();
        r = view->GetRowHeight();
    }
    void Build()
    {
        Scene()->ClearScene();
        a = AddMaterial("A", true);
        l1 = AddLayer(a, "L1");
        n1 = AddNode(l1, "N1");
        n2 = AddNode(l1, "N2");
        l2 = AddLayer(a, "L2");
        n3 = AddNode(l2, "N3");
        b = AddMaterial("B", true);
        l4 = AddLayer(b, "L4");
        n4 = AddNode(l4, "N4");
    }
    QPoint Cell(int row, int slot) const { return Pixel(0.4f + 0.5f * slot, row * r + 0.2f); }
    std::string Shape()
    {
        std::string s;
        for (MMaterial* m : {a, b})
        {
            s += (m == a ? "" : " | ") + m->GetName().str() + ":";
            s += TreeChildren(m) == Names(m->GetLayerList()) ? "" : "!";
            for (MBaseObject* o : m->GetLayerList())
            {
                auto* l = static_cast<MMaterialLayer*>(o);
                s += " " + l->GetName().str() + (l->GetMaterial() == m ? "(" : "!(");
                s += TreeChildren(l) == Names(l->GetShaderList()) ? "" : "!";
                for (MBaseObject* n : l->GetShaderList())
                    s += (n == l->GetShader(0) ? "" : " ") + n->GetName().str() +
                         (static_cast<MBaseShaderNode*>(n)->GetLayer() == l ? "" : "!");
                s += ")";
            }
        }
        return s;
    }
    void Drop(const char* what, std::vector<QPoint> path, int mode, Line line, const char* after,
              int warnings = 0, Qt::KeyboardModifiers mods = {})
    {
        SCOPED_TRACE(what);
        sys.log.lines.clear();
        QTest::mousePress(view, Qt::LeftButton, mods, path.front());
        for (size_t i = 1; i < path.size(); ++i)
            QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, mods, path[i]);
        const QImage image = view->grabFramebuffer();
        if (mode >= 0)
        {
            EXPECT_EQ(view->GetDragMode(), mode);
        }
        if (line.shown >= 0)
        {
            EXPECT_EQ(view->IsInsertionLineShown(), line.shown == 1);
        }
        if (line.shown == 1)
        {
            EXPECT_LT((view->GetInsertionStart() - MVector3(line.x0, line.y0, 0)).Length(), 1e-4);
            EXPECT_LT((view->GetInsertionEnd() - MVector3(line.x1, line.y1, 0)).Length(), 1e-4);
            const QRect box = QRect(Pixel(line.x0, line.y0), Pixel(line.x1, line.y1))
                                  .normalized()
                                  .adjusted(-2, -2, 2, 2);
            int yellow = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    yellow += image.pixel(x, y) == qRgb(255, 255, 0);
            EXPECT_GT(yellow, 10);
        }
        QTest::mouseRelease(view, Qt::LeftButton, mods, path.back());
        EXPECT_EQ(Shape(), after);
        EXPECT_EQ(view->GetDragMode(), CM::DRAG_NONE);
        EXPECT_TRUE(view->GetDragSource().IsEmpty());
        EXPECT_TRUE(view->GetDropTarget().IsEmpty());
        int warned = 0;
        for (const std::string& l : sys.log.lines)
            warned += l.rfind("Warning: No valid drag destination for ", 0) == 0;
        EXPECT_EQ(warned, warnings);
        Build();
    }
    MMaterial *a = nullptr, *b = nullptr;
    MMaterialLayer *l1 = nullptr, *l2 = nullptr, *l4 = nullptr;
    MBaseShaderNode *n1 = nullptr, *n2 = nullptr, *n3 = nullptr, *n4 = nullptr;
    float r = 0;
};
const char* const kAsBuilt = "A: L1(N1 N2) L2(N3) | B: L4(N4)";
const Line kAnyLine{-1}, kNoLine{0};
} // namespace
TEST_F(MaterialEdit, DragsAndDropsMoveLayersAndNodesWhereTheLineShows)
{
    const char* const layersSwapped = "A: L2(N3) L1(N1 N2) | B: L4(N4)";
    Drop("layer onto a layer: before it", {Cell(1, 1), Cell(0, 1) + QPoint(0, 30), Cell(0, 1)},
         CM::DRAG_LAYER, {1, 0.7f, -0.05f, 2.2f, -0.05f}, layersSwapped);
    Drop("layer onto a node of another layer: before that layer", {Cell(1, 1), Cell(0, 2)},
         CM::DRAG_NODE, {1, 0.7f, -0.05f, 2.2f, -0.05f}, layersSwapped);
    Drop("layer onto the strip left of another material's layers: appended",
         {Cell(0, 1), Pixel(0.4f, 2 * r + 0.45f)}, CM::DRAG_MATERIAL,
         {1, 0.7f, 3 * r - 0.05f, 1.1f, 3 * r - 0.05f}, "A: L2(N3) | B: L4(N4) L1(N1 N2)");
    Drop("layer onto another material's cell: appended", {Cell(2, 1), Cell(1, 0), Cell(0, 0)},
         CM::DRAG_MATERIAL, kAnyLine, "A: L1(N1 N2) L2(N3) L4(N4) | B:");
    Drop("layer onto itself", {Cell(0, 1) - QPoint(30, 30), Cell(0, 1) + QPoint(30, 30)},
         CM::DRAG_LAYER, kAnyLine, kAsBuilt);
    Drop("layer onto its own node", {Cell(0, 1), Cell(0, 2), Cell(0, 3)}, CM::DRAG_NODE, kAnyLine,
         kAsBuilt);
    Drop("node onto a node: before it", {Cell(0, 3), Cell(0, 2)}, CM::DRAG_NODE,
         {1, 1.15f, 0.0f, 1.15f, 0.4f}, "A: L1(N2 N1) L2(N3) | B: L4(N4)");
    Drop("node onto a node of another layer", {Cell(1, 2), Cell(0, 3)}, CM::DRAG_NODE,
         {1, 1.65f, 0.0f, 1.65f, 0.4f}, "A: L1(N1 N3 N2) L2() | B: L4(N4)");
    Drop("node onto a layer: appended", {Cell(0, 2), Cell(2, 1)}, CM::DRAG_LAYER,
         {1, 1.65f, 2 * r, 1.65f, 2 * r + 0.4f}, "A: L1(N2) L2(N3) | B: L4(N4 N1)");
    Drop("node into the gap after a layer's last node", {Cell(0, 2), Pixel(1.75f, r + 0.2f)},
         CM::DRAG_LAYER, {1, 1.65f, r, 1.65f, r + 0.4f}, "A: L1(N2) L2(N3 N1) | B: L4(N4)");
    Drop("node onto a material alone: refused", {Cell(0, 2), Cell(0, 0)}, CM::DRAG_MATERIAL,
         kAnyLine, kAsBuilt, 1);
    Drop("node onto itself", {Cell(0, 2) - QPoint(30, 30), Cell(0, 2) + QPoint(30, 30)},
         CM::DRAG_NODE, kAnyLine, kAsBuilt);
    Drop("moves within 10 pixels",
         {Cell(1, 1), Cell(1, 1) + QPoint(-5, -4), Cell(1, 1) + QPoint(-10, 10)}, CM::DRAG_NONE,
         kNoLine, kAsBuilt);
    Drop("with Shift", {Cell(1, 1), Cell(0, 1)}, CM::DRAG_NONE, kNoLine, kAsBuilt, 0,
         Qt::ShiftModifier);
    Drop("with Ctrl", {Cell(1, 2), Cell(0, 2)}, CM::DRAG_NONE, kNoLine, kAsBuilt, 0,
         Qt::ControlModifier);
    QTest::mousePress(view, Qt::LeftButton, {}, Cell(1, 1));
    QTest::mouseMove(view, Cell(0, 1) + QPoint(0, 30));
    QTest::mouseMove(view, Cell(0, 1));
    QTest::mouseRelease(view, Qt::LeftButton, {}, Cell(0, 1));
    EXPECT_EQ(l2->GetRefCount(), 3);
    g_Config.m_Controls[4] = MKeyState{1, 0, 0, 1, 0, 0};
    Drop("Shift control, with Shift", {Cell(1, 1), Cell(0, 1)}, -1, kAnyLine, kAsBuilt, 0,
         Qt::ShiftModifier);
    Drop("Shift control, plain", {Cell(1, 1), Cell(0, 1)}, CM::DRAG_NONE, kNoLine, kAsBuilt);
}
TEST_F(MaterialEdit, TheInsertionLineShowsExactlyWhereTheDropLandsAndNoLineMeansNoChange)
{
    // beam, expanded, and beam_blue, collapsed:
    //   row 0: beam, OptionLayer (QERNode, SurfaceNode)
    //   row 1:       Layer1 (FileNode, ScrollNode, BlendNode, AlphaGenNode)
    //   row 2: beam_blue
    const auto build = [this]
    {
        Scene()->ClearScene();
        a = AddMaterial("beam", true);
        MMaterialLayer* option = AddLayer(a, "OptionLayer");
        AddNode(option, "QERNode");
        AddNode(option, "SurfaceNode");
        MMaterialLayer* layer1 = AddLayer(a, "Layer1");
        for (const char* n : {"FileNode", "ScrollNode", "BlendNode", "AlphaGenNode"})
            AddNode(layer1, n);
        b = AddMaterial("beam_blue");
        AddNode(AddLayer(b, "OptionLayer1"), "QERNode1");
        AddLayer(b, "Layer2");
    };
    const char* const asRead = "beam: OptionLayer(QERNode SurfaceNode) "
                               "Layer1(FileNode ScrollNode BlendNode AlphaGenNode) | "
                               "beam_blue: OptionLayer1(QERNode1) Layer2()";
    const QPoint layer1 = Cell(1, 1);
    const QPoint gapLeft = Pixel(0.4f, 2 * r - 0.06f), gapRight = Pixel(2.2f, 2 * r - 0.06f);
    const QPoint blue = Pixel(0.4f, 2 * r + 0.3f);
    build();
    Drop("gap left", {layer1, gapLeft}, -1, {1, 0.7f, 2 * r - 0.05f, 1.1f, 2 * r - 0.05f}, asRead);
    build();
    Drop("gap right", {layer1, gapRight}, -1, kNoLine, asRead);
    build();
    Drop("beam_blue then gap right", {layer1, blue, gapRight}, -1, kNoLine, asRead);
    build();
    Drop("beam_blue", {layer1, blue}, -1, {1, 0.65f, 2 * r, 0.65f, 2 * r + 0.4f},
         "beam: OptionLayer(QERNode SurfaceNode) | beam_blue: "
         "OptionLayer1(QERNode1) Layer2() "
         "Layer1(FileNode ScrollNode BlendNode AlphaGenNode)");
}
TEST_F(MaterialEdit, LeftAndRightClicksSelectToggleWithCtrlAndClearOnEmptySpace)
{
    const QPoint empty = Pixel(2.4f, 1.6f);
    const std::tuple<Qt::MouseButton, Qt::KeyboardModifiers, QPoint, Strings> cases[] = {
        {Qt::LeftButton, {}, Cell(0, 1), {"L1"}},
        {Qt::LeftButton, {}, Cell(0, 2), {"N1"}},
        {Qt::LeftButton, Qt::ControlModifier, Cell(0, 0), {"A", "N1"}},
        {Qt::LeftButton, Qt::ControlModifier, Cell(2, 1), {"A", "N1", "L4"}},
        {Qt::LeftButton, Qt::ControlModifier, Cell(0, 2), {"A", "L4"}},
        {Qt::LeftButton, Qt::AltModifier, Cell(1, 2), {"A", "L4"}},
        {Qt::LeftButton, {}, empty, {}},
        {Qt::RightButton, {}, Cell(0, 2), {"N1"}},
        {Qt::RightButton, Qt::ControlModifier, Cell(0, 1), {"N1", "L1"}},
        {Qt::RightButton, Qt::ControlModifier, Cell(0, 2), {"L1"}},
        {Qt::RightButton, {}, empty, {"L1"}}};
    int popups = 0;
    for (const auto& [button, mods, at, selected] : cases)
    {
        SCOPED_TRACE(testing::Message() << at.x() << ", " << at.y());
        QTest::mouseClick(view, button, mods, at);
        EXPECT_EQ(Names(Scene()->GetSelectedList()), selected);
        popups += button == Qt::RightButton;
        EXPECT_EQ(view->popups, popups);
        if (button == Qt::RightButton) // selected before the popup opened
        {
            EXPECT_EQ(view->selectedAtPopup, selected);
        }
        const MVector3 press = view->ScreenToWorld(at.x(), at.y());
        if (mods == Qt::AltModifier) // the press point only
        {
            EXPECT_NEAR((view->GetPressPoint() - press).Length(), 0.0f, 1e-4);
        }
    }
    for (QPoint p : {QPoint(0, 0), QPoint(799, 0), QPoint(0, 599), QPoint(799, 599)})
        QTest::mouseClick(view, Qt::RightButton, {}, p);
    EXPECT_EQ(view->popups, popups + 4);
}
TEST_F(MaterialEdit, ExpansionFollowsDoubleClicksAndThePopupsCommands)
{
    a->ClearFlags(OBJ_EXPANDED);
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), b);
    const QImage before = view->grabFramebuffer();
    QTest::mouseDClick(view, Qt::LeftButton, {}, Cell(0, 0));
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), nullptr);
    EXPECT_EQ(view->HitTest(MVector3(0.4f, 2 * r + 0.2f, 0)), b);
    EXPECT_EQ(view->HitTest(MVector3(0.9f, r + 0.2f, 0)), l2);
    const QImage after = view->grabFramebuffer();
    const QPoint corner = Pixel(0.7f, 0.0f);
    int changed = 0;
    for (int y = corner.y(); y < corner.y() + 120; ++y)
        for (int x = corner.x() - 2; x < corner.x() + 3; ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    EXPECT_GT(changed, 50);
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"A"});
    QTest::mouseDClick(view, Qt::LeftButton, {}, Cell(0, 0));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), b);
    QTest::mouseDClick(view, Qt::LeftButton, {}, Pixel(2.4f, 1.6f));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(b->HasFlags(OBJ_EXPANDED));
    view->chooseCommand = CM::ID_MATVIEW_EXPAND_SELECTION;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0));
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    view->chooseCommand = CM::ID_MATVIEW_COLLAPSE_SELECTION;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0)); // deselects A first
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(l1->HasFlags(OBJ_EXPANDED));
    n4->ClearFlags(OBJ_EXPANDED);
    Scene()->SelectObject(n4, false);
    EXPECT_EQ(view->OnViewCommand(CM::ID_MATVIEW_EXPAND_SELECTION), 1);
    EXPECT_TRUE(n4->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->OnViewCommand(CM::ID_MATVIEW_COLLAPSE_ALL), 1);
    EXPECT_FALSE(b->HasFlags(OBJ_EXPANDED));
    EXPECT_FALSE(l4->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(n4->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->OnViewCommand(CM::ID_MATVIEW_EXPAND_ALL), 1);
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(l1->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->OnViewCommand(4242), 0);
}
TEST_F(MaterialEdit, ThePopupOffersEveryNodeClassNewestFirstAndAddsTheChosenOne)
{
    static int calls[3];
    g_ActionRegistry.RegisterAction("KMaterialAddLayer", "Add Layer", "Material",
                                    [] { return ++calls[0]; });
    g_ActionRegistry.RegisterAction("KFileImportShaders", "Import", "File",
                                    [] { return ++calls[1]; });
    g_ActionRegistry.RegisterAction("KFileExportShaders", "Export", "File",
                                    [] { return ++calls[2]; });
    view->chooseCommand = CM::ID_MATVIEW_ADD_LAYER;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(1, 1));
    ASSERT_EQ(view->popups, 1);
    EXPECT_EQ(view->texts, (std::vector<QString>{"Collapse All", "Exapand All", "Expand Selection",
                                                 "Collapse Selection", "", "Import Materials...",
                                                 "Export Materials...", "", "Add Layer",
                                                 "Add Shader Node", "", "View"}));
    std::vector<std::pair<QString, int>> expected;
    int id = 10;
    for (MBaseObject* proto : sys.Manager().GetPrototypes())
        if (dynamic_cast<MBaseShaderNode*>(proto))
            expected.insert(expected.begin(),
                            {QString::fromStdString(proto->ClassName().str()), id++});
    ASSERT_GE(expected.size(), 10u);
    EXPECT_EQ(view->nodeItems, expected);
    EXPECT_EQ(view->nodeItems.back(), (std::pair<QString, int>{"MFileShaderNode", 10}));
    EXPECT_EQ(view->OnViewCommand(CM::ID_MATVIEW_IMPORT), 0);
    EXPECT_EQ(view->OnViewCommand(CM::ID_MATVIEW_EXPORT), 0);
    EXPECT_EQ((std::array<int, 3>{calls[0], calls[1], calls[2]}), (std::array<int, 3>{1, 1, 1}));
    Scene()->AddObject(Named<MBaseObject>("MFileShaderNode1"));
    view->chooseCommand = 10;
    Scene()->SelectNone();
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(1, 1));
    ASSERT_EQ(l2->GetShaderCount(), 2);
    MBaseShaderNode* added = l2->GetShader(1);
    EXPECT_EQ(added->ClassName(), "MFileShaderNode");
    EXPECT_EQ(Shape(), "A: L1(N1 N2) L2(N3 MFileShaderNode2) | B: L4(N4)");
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"MFileShaderNode2"});
    EXPECT_EQ(added->GetRefCount(), 3);
    Scene()->SelectObject(l4, false);
    Scene()->SelectObject(l2, true);
    EXPECT_EQ(view->OnViewCommand(10), 0);
    Scene()->SelectObject(n4, false);
    view->OnViewCommand(11);
    ASSERT_EQ(l4->GetShaderCount(), 2);
    EXPECT_EQ(l4->GetShader(1)->ClassName(), "MAnimFileShaderNode");
    Scene()->SelectObject(a, false);
    view->OnViewCommand(10);
    Scene()->SelectObject(l1, false);
    view->OnViewCommand(110);
    EXPECT_EQ(l1->GetShaderCount(), 2);
    EXPECT_EQ(l2->GetShaderCount(), 3);
    EXPECT_EQ(l4->GetShaderCount(), 2);
}
TEST_F(MaterialEdit, ZoomAndPanByTheMouseKeepThePressPointAndNeverReachZero)
{
    const QPoint press = Pixel(1.0f, 0.5f);
    const auto move = [&](QPoint p)
    { QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, Qt::AltModifier, p); };
    const auto under = [&] { return view->ScreenToWorld(press.x(), press.y()); };
    QTest::mousePress(view, Qt::MiddleButton, Qt::AltModifier, press);
    QTest::mousePress(view, Qt::LeftButton, Qt::AltModifier, press);
    move(press + QPoint(50, 0));
    EXPECT_NEAR(view->GetZoom(), 1.5f, 1e-5);
    EXPECT_NEAR((under() - MVector3(1.0f, 0.5f, 0)).Length(), 0.0f, 3e-3);
    move(press + QPoint(-200, 0));
    EXPECT_NEAR(view->GetZoom(), 0.15f, 1e-5);
    EXPECT_NEAR(under().x, 1.0f, 2e-2);
    for (int i = 0; i < 10; ++i)
    {
        move(press + QPoint(50, 0));
        move(press + QPoint(-200, 0));
    }
    EXPECT_FLOAT_EQ(view->GetZoom(), CM::kMinZoom);
    EXPECT_TRUE(std::isfinite(view->GetPan().x) && std::isfinite(view->GetPan().y));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::AltModifier, press);
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::AltModifier, press);
    EXPECT_EQ(Scene()->GetSelectedList().GetCount(), 0);
    EXPECT_EQ(view->grabFramebuffer().size(), QSize(800, 600));
    view->SetZoom(1.0f);
    const QPoint start(400, 300);
    const MVector3 before = view->GetPan();
    QTest::mousePress(view, Qt::MiddleButton, Qt::AltModifier, start);
    move(start + QPoint(30, -20));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::AltModifier, start + QPoint(30, -20));
    EXPECT_NEAR(view->GetPan().x, before.x - 0.1f, 1e-5);
    EXPECT_NEAR(view->GetPan().y, before.y + 20.0f / 300.0f, 1e-5);
    QTest::mousePress(view, Qt::MiddleButton, {}, start);
    QTest::mouseMove(view, start + QPoint(30, 30));
    QTest::mouseRelease(view, Qt::MiddleButton, {}, start + QPoint(30, 30));
    EXPECT_NEAR(view->GetPan().x, before.x - 0.1f, 1e-5);
}
