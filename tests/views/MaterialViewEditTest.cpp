// Editing in the material view with real mouse input: drag and drop of
// layers and nodes, selection, expansion, zoom and pan, and the popup menu.
#include "ViewTestSupport.h"

namespace
{
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

    // Cell centres on screen by row and slot: slot 0 the material, 1 the
    // layer, 2 and on the nodes.
    QPoint Cell(int row, int slot) const { return CellCentre(0.2f + 0.5f * slot, row * r); }

    // The materials' layers and nodes as "A: L1(N1 N2) L2(N3) | B: L4(N4)",
    // from the model's lists; "!" marks an owner pointer or a scene-tree
    // list out of step with them.
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

    int Warnings(const std::string& line) const
    {
        int n = 0;
        for (const std::string& l : sys.log.lines)
            n += l == line;
        return n;
    }

    MMaterial *a = nullptr, *b = nullptr;
    MMaterialLayer *l1 = nullptr, *l2 = nullptr, *l4 = nullptr;
    MBaseShaderNode *n1 = nullptr, *n2 = nullptr, *n3 = nullptr, *n4 = nullptr;
    float r = 0;
};

bool HasYellow(const QImage& image, QPoint from, QPoint to)
{
    int n = 0;
    for (int y = std::min(from.y(), to.y()) - 2; y <= std::max(from.y(), to.y()) + 2; ++y)
        for (int x = std::min(from.x(), to.x()) - 2; x <= std::max(from.x(), to.x()) + 2; ++x)
            if (image.rect().contains(x, y))
            {
                const QRgb p = image.pixel(x, y);
                n += qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) < 20;
            }
    return n > 10;
}

struct ActionCalls
{
    static inline int addLayer = 0, import = 0, exportShaders = 0;
    static int AddLayer() { return ++addLayer; }
    static int Import() { return ++import; }
    static int Export() { return ++exportShaders; }
};

const char* const kAsBuilt = "A: L1(N1 N2) L2(N3) | B: L4(N4)";
} // namespace

TEST_F(MaterialEdit, DragsAndDropsMoveLayersAndNodesWhereTheLineShows)
{
    using CM = CMaterialViewWnd;
    struct Case
    {
        const char* what;
        std::vector<QPoint> path; // pressed at the first, released at the last
        Qt::KeyboardModifiers mods;
        int mode; // the drag mode at the last move
        int line; // -1 not checked, 0 none, 1 from (x0, y0) to (x1, y1)
        float x0, y0, x1, y1;
        const char* after;
        int warnings; // "No valid drag destination" lines
    };
    const QPoint belowB = Pixel(0.4f, 2 * r + 0.45f); // the strip left of B's layers
    const Case cases[] = {
        {"layer onto a layer: before it",
         {Cell(1, 1), Cell(0, 1) + QPoint(0, 30), Cell(0, 1)},
         {},
         CM::DRAG_LAYER,
         1,
         0.7f,
         -0.05f,
         2.2f,
         -0.05f,
         "A: L2(N3) L1(N1 N2) | B: L4(N4)",
         0},
        {"layer onto a node of another layer: before that layer",
         {Cell(1, 1), Cell(0, 2)},
         {},
         CM::DRAG_NODE,
         1,
         0.7f,
         -0.05f,
         2.2f,
         -0.05f,
         "A: L2(N3) L1(N1 N2) | B: L4(N4)",
         0},
        {"layer onto the strip of another material: appended",
         {Cell(0, 1), belowB},
         {},
         CM::DRAG_MATERIAL,
         1,
         0.7f,
         3 * r - 0.05f,
         1.1f,
         3 * r - 0.05f,
         "A: L2(N3) | B: L4(N4) L1(N1 N2)",
         0},
        {"layer onto another material's cell: appended",
         {Cell(2, 1), Cell(1, 0), Cell(0, 0)},
         {},
         CM::DRAG_MATERIAL,
         -1,
         0,
         0,
         0,
         0,
         "A: L1(N1 N2) L2(N3) L4(N4) | B:",
         0},
        {"layer onto itself",
         {Cell(0, 1) - QPoint(30, 30), Cell(0, 1) + QPoint(30, 30)},
         {},
         CM::DRAG_LAYER,
         -1,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
        {"layer onto its own node",
         {Cell(0, 1), Cell(0, 2), Cell(0, 3)},
         {},
         CM::DRAG_NODE,
         -1,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
        {"node onto a node: before it",
         {Cell(0, 3), Cell(0, 2)},
         {},
         CM::DRAG_NODE,
         1,
         1.15f,
         0.0f,
         1.15f,
         0.4f,
         "A: L1(N2 N1) L2(N3) | B: L4(N4)",
         0},
        {"node onto a node of another layer",
         {Cell(1, 2), Cell(0, 3)},
         {},
         CM::DRAG_NODE,
         1,
         1.65f,
         0.0f,
         1.65f,
         0.4f,
         "A: L1(N1 N3 N2) L2() | B: L4(N4)",
         0},
        {"node onto a layer: appended",
         {Cell(0, 2), Cell(2, 1)},
         {},
         CM::DRAG_LAYER,
         1,
         1.65f,
         2 * r,
         1.65f,
         2 * r + 0.4f,
         "A: L1(N2) L2(N3) | B: L4(N4 N1)",
         0},
        {"node into the gap after a layer's last node",
         {Cell(0, 2), Pixel(1.75f, r + 0.2f)},
         {},
         CM::DRAG_LAYER,
         1,
         1.65f,
         r,
         1.65f,
         r + 0.4f,
         "A: L1(N2) L2(N3 N1) | B: L4(N4)",
         0},
        {"node onto a material alone: refused",
         {Cell(0, 2), Cell(0, 0)},
         {},
         CM::DRAG_MATERIAL,
         -1,
         0,
         0,
         0,
         0,
         kAsBuilt,
         1},
        {"node onto itself",
         {Cell(0, 2) - QPoint(30, 30), Cell(0, 2) + QPoint(30, 30)},
         {},
         CM::DRAG_NODE,
         -1,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
        {"moves within 10 pixels",
         {Cell(1, 1), Cell(1, 1) + QPoint(-5, -4), Cell(1, 1) + QPoint(-10, 10)},
         {},
         CM::DRAG_NONE,
         0,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
        {"with Shift",
         {Cell(1, 1), Cell(0, 1)},
         Qt::ShiftModifier,
         CM::DRAG_NONE,
         0,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
        {"with Ctrl",
         {Cell(1, 2), Cell(0, 2)},
         Qt::ControlModifier,
         CM::DRAG_NONE,
         0,
         0,
         0,
         0,
         0,
         kAsBuilt,
         0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Build();
        sys.log.lines.clear();
        QTest::mousePress(view, Qt::LeftButton, c.mods, c.path.front());
        for (size_t i = 1; i < c.path.size(); ++i)
            QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, c.mods, c.path[i]);
        const QImage image = view->grabFramebuffer();
        EXPECT_EQ(view->GetDragMode(), c.mode);
        if (c.line >= 0)
            EXPECT_EQ(view->IsInsertionLineShown(), c.line == 1);
        if (c.line == 1)
        {
            EXPECT_NEAR(view->GetInsertionStart().x, c.x0, 1e-4);
            EXPECT_NEAR(view->GetInsertionStart().y, c.y0, 1e-4);
            EXPECT_NEAR(view->GetInsertionEnd().x, c.x1, 1e-4);
            EXPECT_NEAR(view->GetInsertionEnd().y, c.y1, 1e-4);
            EXPECT_TRUE(HasYellow(image, Pixel(c.x0, c.y0), Pixel(c.x1, c.y1)));
        }
        QTest::mouseRelease(view, Qt::LeftButton, c.mods, c.path.back());
        EXPECT_EQ(Shape(), c.after);
        EXPECT_EQ(view->GetDragMode(), CM::DRAG_NONE);
        EXPECT_TRUE(view->GetDragSource().IsEmpty());
        EXPECT_TRUE(view->GetDropTarget().IsEmpty());
        EXPECT_EQ(Warnings("Warning: No valid drag destination for shader") +
                      Warnings("Warning: No valid drag destination for layer"),
                  c.warnings);
    }
    // A moved layer is held by the material's list, the tree and the
    // selection; the drag records let go.
    Build();
    Drag(Cell(1, 1), Cell(0, 1));
    EXPECT_EQ(l2->GetRefCount(), 3);

    // Another drag control is followed: Shift, and a plain drag no more.
    g_Config.m_Controls[4] = MKeyState{1, 0, 0, 1, 0, 0};
    Build();
    Drag(Cell(1, 1), Cell(0, 1), Qt::ShiftModifier);
    EXPECT_EQ(Shape(), kAsBuilt); // moves carry no Shift
    Drag(Cell(1, 1), Cell(0, 1));
    EXPECT_EQ(Shape(), kAsBuilt);
}

TEST_F(MaterialEdit, ClicksSelectToggleWithCtrlAndClearOnEmptySpace)
{
    QTest::mouseClick(view, Qt::LeftButton, {}, Cell(0, 1));
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"L1"});
    QTest::mouseClick(view, Qt::LeftButton, {}, Cell(0, 2));
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"N1"});
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, Cell(0, 0));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, Cell(2, 1));
    // In tree order.
    EXPECT_EQ(Names(Scene()->GetSelectedList()), (Strings{"A", "N1", "L4"}));
    // Ctrl on a selected cell deselects that one only.
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, Cell(0, 2));
    EXPECT_EQ(Names(Scene()->GetSelectedList()), (Strings{"A", "L4"}));
    EXPECT_FALSE(n1->HasFlags(OBJ_SELECTED));

    // Alt changes nothing but the press point.
    const QPoint p = Cell(1, 2);
    QTest::mouseClick(view, Qt::LeftButton, Qt::AltModifier, p);
    EXPECT_EQ(Names(Scene()->GetSelectedList()), (Strings{"A", "L4"}));
    const MVector3 press = view->ScreenToWorld(p.x(), p.y());
    EXPECT_NEAR(view->GetPressPoint().x, press.x, 1e-5);
    EXPECT_NEAR(view->GetPressPoint().y, press.y, 1e-5);

    // Empty space clears.
    QTest::mouseClick(view, Qt::LeftButton, {}, Pixel(2.4f, 1.6f));
    EXPECT_EQ(Scene()->GetSelectedList().GetCount(), 0);
    EXPECT_FALSE(a->HasFlags(OBJ_SELECTED));
}

TEST_F(MaterialEdit, ARightClickAnywhereSelectsAndOpensThePopup)
{
    Scene()->SelectObject(a, false);
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 2));
    EXPECT_EQ(view->popups, 1);
    EXPECT_EQ(view->selectedAtPopup, Strings{"N1"});
    // With Ctrl the selection grows.
    QTest::mouseClick(view, Qt::RightButton, Qt::ControlModifier, Cell(0, 1));
    EXPECT_EQ(view->selectedAtPopup, (Strings{"N1", "L1"}));
    // On a selected cell it deselects; on empty space it changes nothing.
    QTest::mouseClick(view, Qt::RightButton, Qt::ControlModifier, Cell(0, 2));
    EXPECT_EQ(view->selectedAtPopup, Strings{"L1"});
    QTest::mouseClick(view, Qt::RightButton, {}, Pixel(2.4f, 1.6f));
    EXPECT_EQ(view->selectedAtPopup, Strings{"L1"});
    EXPECT_EQ(view->popups, 4);
    // The whole view is the popup's area, to its edge pixels.
    for (QPoint p : {QPoint(0, 0), QPoint(799, 0), QPoint(0, 599), QPoint(799, 599)})
        QTest::mouseClick(view, Qt::RightButton, {}, p);
    EXPECT_EQ(view->popups, 8);

    // The chosen command acts on the selection made by the press.
    a->ClearFlags(OBJ_EXPANDED);
    view->chooseCommand = CMaterialViewWnd::ID_MATVIEW_EXPAND_SELECTION;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0));
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(l1->HasFlags(OBJ_EXPANDED));
    view->chooseCommand = CMaterialViewWnd::ID_MATVIEW_COLLAPSE_SELECTION;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0)); // deselects A first
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(l1->HasFlags(OBJ_EXPANDED));

    // A selected node takes the flag too, with nothing to show for it.
    n4->ClearFlags(OBJ_EXPANDED);
    Scene()->SelectObject(n4, false);
    EXPECT_EQ(view->OnViewCommand(CMaterialViewWnd::ID_MATVIEW_EXPAND_SELECTION), 1);
    EXPECT_TRUE(n4->HasFlags(OBJ_EXPANDED));
}

TEST_F(MaterialEdit, ADoubleClickTogglesExpansionAndMovesLaterMaterialsDown)
{
    a->ClearFlags(OBJ_EXPANDED);
    // Collapsed, A takes one row: B is on row 1.
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), b);
    const QImage before = view->grabFramebuffer();
    QTest::mouseDClick(view, Qt::LeftButton, {}, Cell(0, 0));
    EXPECT_TRUE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), nullptr);
    EXPECT_EQ(view->HitTest(MVector3(0.4f, 2 * r + 0.2f, 0)), b);
    EXPECT_EQ(view->HitTest(MVector3(0.9f, r + 0.2f, 0)), l2);
    // The next draw shows the layers.
    const QImage after = view->grabFramebuffer();
    const QPoint layerCorner = Pixel(0.7f, 0.0f);
    int changed = 0;
    for (int y = layerCorner.y(); y < layerCorner.y() + 120; ++y)
        for (int x = layerCorner.x() - 2; x < layerCorner.x() + 3; ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    EXPECT_GT(changed, 50);
    // The double-click's presses select the material, as single clicks do.
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"A"});

    QTest::mouseDClick(view, Qt::LeftButton, {}, Cell(0, 0));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), b);
    // On empty space nothing flips.
    QTest::mouseDClick(view, Qt::LeftButton, {}, Pixel(2.4f, 1.6f));
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(b->HasFlags(OBJ_EXPANDED));
}

TEST_F(MaterialEdit, ThePopupOffersEveryNodeClassNewestFirst)
{
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(1, 1));
    ASSERT_EQ(view->popups, 1);
    const std::vector<QString> top = {"Collapse All",
                                      "Exapand All",
                                      "Expand Selection",
                                      "Collapse Selection",
                                      "",
                                      "Import Materials...",
                                      "Export Materials...",
                                      "",
                                      "Add Layer",
                                      "Add Shader Node",
                                      "",
                                      "View"};
    EXPECT_EQ(view->texts, top);
    std::vector<std::pair<QString, int>> expected;
    int id = 10;
    for (MBaseObject* proto : sys.Manager().GetPrototypes())
        if (dynamic_cast<MBaseShaderNode*>(proto))
            expected.insert(expected.begin(),
                            {QString::fromStdString(proto->ClassName().str()), id++});
    ASSERT_GE(expected.size(), 10u);
    EXPECT_EQ(view->nodeItems, expected);
    EXPECT_EQ(view->nodeItems.back(), (std::pair<QString, int>{"MFileShaderNode", 10}));
}

TEST_F(MaterialEdit, AddShaderNodeGivesTheFirstSelectedLayerANewSelectedNode)
{
    // A name taken already: the next unique one.
    auto* taken = new MBaseObject();
    taken->SetName("MFileShaderNode1");
    Scene()->AddObject(taken);
    view->chooseCommand = 10; // the first node class: MFileShaderNode
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(1, 1));
    ASSERT_EQ(l2->GetShaderCount(), 2);
    MBaseShaderNode* added = l2->GetShader(1);
    EXPECT_EQ(added->ClassName(), "MFileShaderNode");
    EXPECT_EQ(Shape(), "A: L1(N1 N2) L2(N3 MFileShaderNode2) | B: L4(N4)");
    EXPECT_EQ(Names(Scene()->GetSelectedList()), Strings{"MFileShaderNode2"});
    // Held by the layer's list, the tree and the selection.
    EXPECT_EQ(added->GetRefCount(), 3);

    // Two layers selected: the first in tree order gets the node.
    Scene()->SelectObject(l4, false);
    Scene()->SelectObject(l2, true);
    EXPECT_EQ(view->OnViewCommand(10), 0);
    EXPECT_EQ(l2->GetShaderCount(), 3);
    EXPECT_EQ(l4->GetShaderCount(), 1);
    // A selected node: its layer.
    Scene()->SelectObject(n4, false);
    view->OnViewCommand(11);
    ASSERT_EQ(l4->GetShaderCount(), 2);
    EXPECT_EQ(l4->GetShader(1)->ClassName(), "MAnimFileShaderNode");

    // Nothing suitable selected, or no such class: nothing is added.
    Scene()->SelectObject(a, false);
    view->OnViewCommand(10);
    Scene()->SelectObject(l1, false);
    view->OnViewCommand(110);
    EXPECT_EQ(l1->GetShaderCount(), 2);
    EXPECT_EQ(l2->GetShaderCount(), 3);
    EXPECT_EQ(l4->GetShaderCount(), 2);
}

TEST_F(MaterialEdit, MenuCommandsRunTheirActionsByName)
{
    g_ActionRegistry.RegisterAction("KMaterialAddLayer", "Add Layer", "Material",
                                    &ActionCalls::AddLayer);
    g_ActionRegistry.RegisterAction("KFileImportShaders", "Import", "File", &ActionCalls::Import);
    g_ActionRegistry.RegisterAction("KFileExportShaders", "Export", "File", &ActionCalls::Export);
    ActionCalls::addLayer = ActionCalls::import = ActionCalls::exportShaders = 0;
    view->chooseCommand = CMaterialViewWnd::ID_MATVIEW_ADD_LAYER;
    QTest::mouseClick(view, Qt::RightButton, {}, Cell(0, 0));
    EXPECT_EQ(ActionCalls::addLayer, 1);
    EXPECT_EQ(view->OnViewCommand(CMaterialViewWnd::ID_MATVIEW_IMPORT), 0);
    EXPECT_EQ(view->OnViewCommand(CMaterialViewWnd::ID_MATVIEW_EXPORT), 0);
    EXPECT_EQ(ActionCalls::import, 1);
    EXPECT_EQ(ActionCalls::exportShaders, 1);
    EXPECT_EQ(ActionCalls::addLayer, 1);

    // Expand All and Collapse All act on every material and layer.
    EXPECT_EQ(view->OnViewCommand(CMaterialViewWnd::ID_MATVIEW_COLLAPSE_ALL), 1);
    EXPECT_FALSE(a->HasFlags(OBJ_EXPANDED));
    EXPECT_FALSE(l4->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(n4->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->OnViewCommand(CMaterialViewWnd::ID_MATVIEW_EXPAND_ALL), 1);
    EXPECT_TRUE(b->HasFlags(OBJ_EXPANDED));
    EXPECT_TRUE(l1->HasFlags(OBJ_EXPANDED));
    EXPECT_EQ(view->OnViewCommand(4242), 0);
}

TEST_F(MaterialEdit, ZoomAndPanByTheMouseKeepThePressPointAndNeverReachZero)
{
    // The default zoom control: Alt with the left and middle buttons.
    const QPoint press = Pixel(1.0f, 0.5f);
    const auto move = [&](QPoint p)
    { QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, Qt::AltModifier, p); };
    QTest::mousePress(view, Qt::MiddleButton, Qt::AltModifier, press);
    QTest::mousePress(view, Qt::LeftButton, Qt::AltModifier, press);
    // Right by 50 pixels: 1.5 times; the world point under the press stays.
    move(press + QPoint(50, 0));
    EXPECT_NEAR(view->GetZoom(), 1.5f, 1e-5);
    MVector3 under = view->ScreenToWorld(press.x(), press.y());
    EXPECT_NEAR(under.x, 1.0f, 2e-3);
    EXPECT_NEAR(under.y, 0.5f, 2e-3);
    // Left by 250 pixels in one event: the factor would be -1.5; one event
    // zooms out at most tenfold.
    move(press + QPoint(-200, 0));
    EXPECT_NEAR(view->GetZoom(), 0.15f, 1e-5);
    under = view->ScreenToWorld(press.x(), press.y());
    EXPECT_NEAR(under.x, 1.0f, 2e-2);
    // Many such moves: the zoom stops at its bound, positive and finite.
    for (int i = 0; i < 10; ++i)
    {
        move(press + QPoint(50, 0));
        move(press + QPoint(-200, 0));
    }
    EXPECT_FLOAT_EQ(view->GetZoom(), CMaterialViewWnd::kMinZoom);
    EXPECT_TRUE(std::isfinite(view->GetPan().x));
    EXPECT_TRUE(std::isfinite(view->GetPan().y));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::AltModifier, press);
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::AltModifier, press);
    // Nothing was selected by the presses; the picture is still drawn.
    EXPECT_EQ(Scene()->GetSelectedList().GetCount(), 0);
    EXPECT_EQ(view->grabFramebuffer().size(), QSize(800, 600));

    // Pan: Alt and the middle button; 300 pixels to a world unit at zoom 1.
    view->SetZoom(1.0f);
    const QPoint start(400, 300);
    const MVector3 before = view->GetPan();
    QTest::mousePress(view, Qt::MiddleButton, Qt::AltModifier, start);
    move(start + QPoint(30, -20));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::AltModifier, start + QPoint(30, -20));
    EXPECT_NEAR(view->GetPan().x, before.x - 0.1f, 1e-5);
    EXPECT_NEAR(view->GetPan().y, before.y + 20.0f / 300.0f, 1e-5);
    // Without Alt it is no pan.
    QTest::mousePress(view, Qt::MiddleButton, {}, start);
    QTest::mouseMove(view, start + QPoint(30, 30));
    QTest::mouseRelease(view, Qt::MiddleButton, {}, start + QPoint(30, 30));
    EXPECT_NEAR(view->GetPan().x, before.x - 0.1f, 1e-5);
}

namespace
{
// textures/nkoa-newsfx/beam of the OpenArena scripts, expanded, and the
// shader after it, beam_blue, collapsed:
//   row 0: beam, OptionLayer (QERNode, SurfaceNode)
//   row 1:       Layer1 (FileNode, ScrollNode, BlendNode, AlphaGenNode)
//   row 2: beam_blue
class BeamDrag : public MaterialViewTest
{
  protected:
    void SetUp() override
    {
        MaterialViewTest::SetUp();
        view->SetZoom(1.0f);
        view->SetPan(MVector3(1.4f, 0.8f, 0.0f));
        beam = AddMaterial("textures/nkoa-newsfx/beam", true);
        MMaterialLayer* option = AddLayer(beam, "OptionLayer");
        AddNode(option, "QERNode");
        AddNode(option, "SurfaceNode");
        MMaterialLayer* layer1 = AddLayer(beam, "Layer1");
        for (const char* n : {"FileNode", "ScrollNode", "BlendNode", "AlphaGenNode"})
            AddNode(layer1, n);
        blue = AddMaterial("textures/nkoa-newsfx/beam_blue");
        AddNode(AddLayer(blue, "OptionLayer1"), "QERNode1");
        AddLayer(blue, "Layer2");
        r = view->GetRowHeight();
    }
    MMaterial *beam = nullptr, *blue = nullptr;
    float r = 0;
};
} // namespace

TEST_F(BeamDrag, TheInsertionLineShowsExactlyWhereTheDropLandsAndNoLineMeansNoChange)
{
    struct Point
    {
        float x, y;
    };
    struct Case
    {
        const char* what;
        std::vector<Point> path; // world points the pointer passes
        bool line;
        Point from, to; // the line
        Strings beamLayers, blueLayers;
    };
    const Strings beamAsRead{"OptionLayer", "Layer1"}, blueAsRead{"OptionLayer1", "Layer2"};
    const float gapY = 2 * r - 0.06f; // between beam's last row and beam_blue's
    // The last case moves Layer1 out of sight, so it comes last.
    const Case cases[] = {
        // Left in the gap: after beam's last layer, a line across the gap.
        {"gap left",
         {{0.4f, gapY}},
         true,
         {0.7f, 2 * r - 0.05f},
         {1.1f, 2 * r - 0.05f},
         beamAsRead,
         blueAsRead},
        // Right in the gap: no place, no line, no change; also after
        // passing over beam_blue first.
        {"gap right", {{2.2f, gapY}}, false, {}, {}, beamAsRead, blueAsRead},
        {"beam_blue then gap right",
         {{0.4f, 2 * r + 0.3f}, {2.2f, gapY}},
         false,
         {},
         {},
         beamAsRead,
         blueAsRead},
        // Over beam_blue: beside its cell on its own row, not in the gap.
        {"beam_blue",
         {{0.4f, 2 * r + 0.3f}},
         true,
         {0.65f, 2 * r},
         {0.65f, 2 * r + 0.4f},
         {"OptionLayer"},
         {"OptionLayer1", "Layer2", "Layer1"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        QTest::mousePress(view, Qt::LeftButton, {}, CellCentre(0.7f, r));
        QPoint at;
        for (const Point& p : c.path)
            QTest::mouseMove(view, at = Pixel(p.x, p.y));
        view->grabFramebuffer();
        EXPECT_EQ(view->IsInsertionLineShown(), c.line);
        if (c.line)
        {
            EXPECT_NEAR(view->GetInsertionStart().x, c.from.x, 1e-4);
            EXPECT_NEAR(view->GetInsertionStart().y, c.from.y, 1e-4);
            EXPECT_NEAR(view->GetInsertionEnd().x, c.to.x, 1e-4);
            EXPECT_NEAR(view->GetInsertionEnd().y, c.to.y, 1e-4);
        }
        QTest::mouseRelease(view, Qt::LeftButton, {}, at);
        EXPECT_EQ(Names(beam->GetLayerList()), c.beamLayers);
        EXPECT_EQ(TreeChildren(beam), c.beamLayers);
        EXPECT_EQ(Names(blue->GetLayerList()), c.blueLayers);
        EXPECT_EQ(TreeChildren(blue), c.blueLayers);
    }
}
