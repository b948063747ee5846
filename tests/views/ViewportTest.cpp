#include "ViewTestSupport.h"

#include "MBaseUndoNode.h"
#include "MConfig.h"
#include "MMesh.h"
#include "MPanOrbitToolType.h"
#include "MPanTrackToolType.h"
#include "MPanZoomToolType.h"
#include "MSelectToolType.h"
#include "MSelectionItem.h"

namespace
{
class ViewportTest : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        g_ToolManager.Release();
        view = ShowSceneView<Choosing<COpenGLWnd>>(QRect(0, 0, 400, 200), "Top");
        SetActiveView(view);
    }
    QPoint TopPixel(float x, float y) const
    {
        const float scale =
            view->m_Zoom * float(view->width()) / (view->m_ProjRight - view->m_ProjLeft);
        return QPoint(int(std::lround(view->width() / 2.0f + (x - view->m_Target.x) * scale)),
                      int(std::lround(view->height() / 2.0f - (y - view->m_Target.y) * scale)));
    }
    static QPoint Project(COpenGLWnd* v, const MVector3& p)
    {
        EXPECT_EQ(v->MakeCurrent(), 0);
        v->SetupProjection(0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        v->SetupViewTransform();
        GLdouble mv[16], pr[16], x = 0, y = 0, z = 0;
        GLint vp[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        glGetIntegerv(GL_VIEWPORT, vp);
        gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
        return QPoint(int(x), int(v->height() - y));
    }
    COpenGLWnd* Perspective()
    {
        EXPECT_EQ(KViewportPerspective(), 1);
        auto* gl = static_cast<COpenGLWnd*>(g_ActiveView);
        gl->m_ShadingMode = 4;
        return gl;
    }
    Choosing<COpenGLWnd>* view = nullptr;
};
class HandleTool : public MToolType
{
  public:
    int Draw(bool pick, const MKeyState&, MBaseViewWnd*) override
    {
        if (!pick)
            return 0;
        ++draws;
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glPushName(7);
        glBegin(GL_QUADS);
        for (MVector3 c : {MVector3(-1e3f, -1e3f, 0), MVector3(1e3f, -1e3f, 0),
                           MVector3(1e3f, 1e3f, 0), MVector3(-1e3f, 1e3f, 0)})
            glVertex3f(c.x, c.y, c.z);
        glEnd();
        glPopName();
        return 0;
    }
    int OnToolMouseDown(float, float, const MKeyState&) override
    {
        handles.push_back(m_Handle);
        return 0;
    }
    std::vector<int> handles;
    int draws = 0;
};
} // namespace
TEST_F(ViewportTest, CameraPresetsReplaceTheActiveView)
{
    const std::tuple<int (*)(), const char*, bool, MVector3, MVector3, MVector3> cases[] = {
        {KViewportTop, "Top", false, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
        {KViewportFront, "Front", false, {-90, 0, 0}, {1, 0, 0}, {0, 0, 1}},
        {KViewportRight, "Right", false, {-90, 0, -90}, {0, 1, 0}, {0, 0, 1}},
        {KViewportBottom, "Bottom", false, {180, 0, 0}, {1, 0, 0}, {0, 1, 0}},
        {KViewportBack, "Back", false, {90, 0, 0}, {1, 0, 0}, {0, 0, 1}},
        {KViewportLeft, "Left", false, {-90, 0, 90}, {0, 1, 0}, {0, 0, 1}},
        {KViewportPerspective, "Perspective", true, {-70, 0, -120}, {1, 0, 0}, {0, 1, 0}}};
    for (const auto& [action, name, perspective, angles, gridU, gridV] : cases)
    {
        SCOPED_TRACE(name);
        ASSERT_EQ(action(), 1);
        auto* gl = dynamic_cast<COpenGLWnd*>(g_ActiveView);
        ASSERT_NE(gl, nullptr);
        EXPECT_EQ(g_ViewPanes[0], gl);
        EXPECT_EQ(gl->GetViewName(), name);
        EXPECT_EQ(gl->windowTitle(), "GLView");
        EXPECT_EQ(gl->IsPerspective(), perspective);
        EXPECT_EQ(gl->m_Angles, angles);
        EXPECT_EQ(std::pair(gl->m_GridU, gl->m_GridV), std::pair(gridU, gridV));
        EXPECT_EQ(gl->m_Target, MVector3());
        EXPECT_EQ(std::pair(gl->m_Distance, gl->m_Zoom), std::pair(100.0f, 1.0f));
        EXPECT_EQ(gl->GetFlags() & (VIEW_BACKFACE_CULL | VIEW_GRID_VISIBLE),
                  uint32_t(VIEW_BACKFACE_CULL | VIEW_GRID_VISIBLE));
    }
    view = nullptr;
    g_ActiveView = nullptr;
    EXPECT_EQ(KViewportFront(), 0);
    EXPECT_EQ(KViewportMakeCopy(), 0);
}
TEST_F(ViewportTest, CameraToolsProjectionViewTransformAndCameraMatrices)
{
    const MKeyState left{0, 0, 0, 1, 0, 0};
    struct Case
    {
        float elevation, azimuth, dx, wantAzimuth;
    };
    for (const Case& c : {Case{90, 100, 20, 90}, Case{270, 100, 20, 110}, Case{90, 5, 20, 355}})
    {
        view->m_Angles = MVector3(c.elevation, 0, c.azimuth);
        MPanOrbitToolType orbit;
        orbit.m_StartX = 100;
        orbit.m_StartY = 50;
        EXPECT_EQ(orbit.OnDrag(100 + c.dx, 50, left), 1);
        EXPECT_FLOAT_EQ(view->m_Angles.z, c.wantAzimuth);
    }
    EXPECT_EQ(view->GetViewName(), "User");
    view->m_Zoom = 1.2f;
    MPanZoomToolType zoom;
    zoom.m_StartX = 100;
    EXPECT_EQ(zoom.OnDrag(90, 0, left), 1);
    EXPECT_FLOAT_EQ(view->m_Zoom, 1.0f);
    zoom.m_StartX = 100;
    zoom.OnDrag(160, 0, left);
    EXPECT_TRUE(std::isfinite(view->m_Zoom));
    EXPECT_FLOAT_EQ(view->m_Zoom, 1.0f / MPanZoomToolType::kMinDivisor);
    EXPECT_EQ(zoom.OnDrag(0, 0, MKeyState()), 0);
    EXPECT_EQ(zoom.m_StartX, 0);
    view->m_Zoom = 1.0f;
    view->m_Angles = MVector3();
    view->m_Target = MVector3();
    view->UpdateCameraMatrices();
    view->SetupProjection(0);
    MPanTrackToolType track;
    track.m_StartX = 100;
    track.m_StartY = 100;
    EXPECT_EQ(track.OnDrag(125, 100, left), 1);
    EXPECT_LT((view->m_Target - MVector3(-25.0f * 128.0f / 400.0f, 0, 0)).Length(), 1e-4f);
    view->SetupProjection(0);
    EXPECT_EQ(QRectF(QPointF(view->m_ProjLeft, view->m_ProjBottom),
                     QPointF(view->m_ProjRight, view->m_ProjTop)),
              QRectF(-64, -32, 128, 64));
    view->AddFlags(VIEW_PERSPECTIVE);
    view->SetupProjection(0);
    EXPECT_EQ(QPointF(view->m_ProjRight, view->m_ProjTop), QPointF(2, 1));
    view->ClearFlags(VIEW_PERSPECTIVE);
    view->m_Target = MVector3(30, -20, -5);
    view->m_Angles = MVector3(-70, 0, -120);
    view->AddFlags(VIEW_PERSPECTIVE);
    view->SetupProjection(0);
    const MRay ray = view->ScreenToRay(200, 100);
    const MVector3 target(30, -20, 5);
    const MVector3 toTarget = target - ray.origin;
    const MVector3 off = toTarget - ray.direction * toTarget.Dot(ray.direction);
    EXPECT_LT(off.Length(), 0.5f);
    view->m_Angles = MVector3(0, 0, 0);
    view->UpdateCameraMatrices();
    const MVector3 right = view->m_InverseCameraMatrix * MVector3(1, 0, 0);
    EXPECT_NEAR(right.x, 1.0f, 1e-5f);
    const MVector3 down = view->m_InverseCameraMatrix * MVector3(0, 1, 0);
    EXPECT_NEAR(down.y, -1.0f, 1e-5f);
}
TEST_F(ViewportTest, GridLinesAtTheExpectedPixels)
{
    view->m_ShadingMode = 0;
    const QImage image = view->grabFramebuffer();
    const int row = 150;
    auto darkest = [row](const QImage& img, int x)
    { return std::min(qGreen(img.pixel(x - 1, row)), qGreen(img.pixel(x, row))); };
    EXPECT_LE(darkest(image, TopPixel(0, -16).x()), 30);
    EXPECT_NEAR(darkest(image, TopPixel(10, -16).x()), 77, 8);
    EXPECT_NEAR(darkest(image, TopPixel(-10, -16).x()), 77, 8);
    EXPECT_TRUE(IsGrey(image.pixel(TopPixel(5, -16).x(), row), 102));
    const auto saved = g_ColourValues;
    g_ColourValues[COLOUR_GRID] = MakeColourValue(0, 200, 0);
    g_ColourValues[COLOUR_BACKGROUND] = MakeColourValue(0, 40, 0);
    const QImage coloured = view->grabFramebuffer();
    g_ColourValues = saved;
    EXPECT_NEAR(qGreen(coloured.pixel(TopPixel(10, -16).x(), row)) +
                    qGreen(coloured.pixel(TopPixel(10, -16).x() - 1, row)),
                240, 8);
    EXPECT_EQ(qGreen(coloured.pixel(TopPixel(5, -16).x(), row)), 40);
    EXPECT_EQ(KViewportToggleGrid(), 1);
    EXPECT_NEAR(darkest(view->grabFramebuffer(), TopPixel(10, -16).x()), 102, 3);
}
TEST_F(ViewportTest, PopupShowsChecksAndRunsCommands)
{
    view->chooseCommand = COpenGLWnd::ID_SHADE_FLAT;
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 8));
    EXPECT_EQ(view->m_ShadingMode, 2);
    EXPECT_EQ(view->checked, (std::vector<int>{32950, 32955, 32976, 33003}));
    view->chooseCommand = COpenGLWnd::ID_GRID_XZ;
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 8));
    EXPECT_EQ(view->checked, (std::vector<int>{32950, 32954, 32976, 33003}));
    EXPECT_EQ(view->m_GridV, MVector3(0, 1, 0));
    const std::pair<int, std::function<bool()>> commands[] = {
        {32950, [&] { return !view->HasFlags(VIEW_BACKFACE_CULL); }},
        {32951, [&] { return view->m_ShadingMode == 5; }},
        {32952, [&] { return view->m_ShadingMode == 4; }},
        {32953, [&] { return view->m_ShadingMode == 3; }},
        {32955, [&] { return view->m_ShadingMode == 0; }},
        {32976, [&] { return !view->HasFlags(VIEW_GRID_VISIBLE); }},
        {33002, [&] { return view->m_TextureFilter == GL_NEAREST; }},
        {33003, [&] { return view->m_TextureFilter == GL_LINEAR; }}};
    for (const auto& [id, check] : commands)
    {
        EXPECT_EQ(view->OnViewCommand(id), 1) << id;
        EXPECT_TRUE(check()) << id;
    }
    EXPECT_EQ(view->OnViewCommand(12345), 0);
}
TEST_F(ViewportTest, ZoomFrameAndCopyActions)
{
    for (int (*action)() : {KViewportZoomIn, KViewportZoomIn, KViewportZoomOut, KViewportZoomIn})
        EXPECT_EQ(action(), 1);
    EXPECT_NEAR(view->m_Zoom, 1.96f, 1e-5f);
    view->m_Target = MVector3(5, 5, 5);
    EXPECT_EQ(KViewportFrameSelected(), 1);
    EXPECT_EQ(view->m_Target, MVector3());
    MMaterial* m = AddMaterial("a");
    Scene()->SelectObject(m);
    EXPECT_EQ(KViewportFrameAll(), 1);
    EXPECT_EQ(view->m_Target, MVector3(64, -64, 0));
    ASSERT_EQ(KViewportPerspective(), 1);
    auto* original = static_cast<COpenGLWnd*>(g_ActiveView);
    original->m_ShadingMode = 4;
    original->m_Target = MVector3(1, 2, 3);
    ASSERT_EQ(KViewportMakeCopy(), 1);
    auto* copy = dynamic_cast<COpenGLWnd*>(g_ActiveView);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, original);
    EXPECT_TRUE(copy->isWindow() && copy->IsPerspective());
    EXPECT_EQ(copy->GetViewName(), "Perspective");
    EXPECT_EQ(std::pair(copy->m_Angles, copy->m_Target),
              std::pair(original->m_Angles, original->m_Target));
    EXPECT_EQ(copy->m_ShadingMode, 4);
    CMaterialViewWnd material;
    material.SetFlags(VIEW_FULL_VIEW | VIEW_GRID_VISIBLE);
    std::unique_ptr<MBaseObject> materialCopy(material.CreateNew());
    EXPECT_EQ(static_cast<MBaseViewWnd*>(materialCopy.get())->GetFlags(),
              uint32_t(VIEW_GRID_VISIBLE));
    EXPECT_EQ(KViewportZoomIn(), 1);
    EXPECT_FLOAT_EQ(copy->m_Distance, 70.0f);
    EXPECT_FLOAT_EQ(original->m_Distance, 100.0f);
    copy->m_ShadingMode = 0;
    EXPECT_EQ(original->m_ShadingMode, 4);
    EXPECT_EQ(KViewportZoomOut() + KViewportZoomOut(), 2);
    EXPECT_FLOAT_EQ(copy->m_Distance, 130.0f);
}
TEST_F(ViewportTest, ToolStackKeepsTenAndTemporaryToolsComeAndGo)
{
    MToolManager& tm = g_ToolManager;
    EXPECT_EQ(tm.GetCurrentTool()->GetName(), "KToolSelect");
    EXPECT_EQ(tm.GetCount(), 1);
    MToolType* first = tm.GetCurrentTool();
    for (int i = 0; i < 10; ++i)
        tm.PushTool(new MPanZoomToolType());
    EXPECT_EQ(tm.GetCount(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(tm.GetTool(i), first);
    tm.SetTemporaryTool(new MPanOrbitToolType());
    tm.SetTemporaryTool(new MPanTrackToolType());
    EXPECT_EQ(tm.GetCurrentTool()->GetName(), "KToolPanTrack");
    EXPECT_EQ(tm.GetTool(1)->GetName(), "KToolPanZoom");
    tm.EndTemporaryTool();
    EXPECT_EQ(tm.GetCurrentTool()->GetName(), "KToolPanZoom");
    tm.EndTemporaryTool();
    EXPECT_EQ(tm.GetCurrentTool()->GetName(), "KToolPanZoom");
    tm.Release();
    EXPECT_EQ(KToolSelect(), 1);
    EXPECT_EQ(KToolCycle(), 1);
    EXPECT_EQ(tm.GetCount(), 2);
    EXPECT_EQ(tm.GetCurrentTool()->ClassName(), "MSelectToolType");
}
TEST_F(ViewportTest, SelectToolClicksAndBoxesRecordOneSelectNode)
{
    AddMaterial("a");
    AddMaterial("b");
    MMaterial* c = AddMaterial("c");
    view->m_Zoom = 0.1f;
    view->m_Target = MVector3(224, -224, 0);
    view->SetupProjection(0);
    const QPoint pa = TopPixel(64, -64), pb = TopPixel(384, -64);
    MVector3 lo, hi;
    ASSERT_TRUE(Scene()->GetMaterialSurface(c, lo, hi));
    EXPECT_EQ(lo, MVector3(0, -448, 0));
    const QPoint pc2 = TopPixel((lo.x + hi.x) / 2, (lo.y + hi.y) / 2);
    const std::tuple<Qt::KeyboardModifiers, QPoint, const char*> clicks[] = {
        {{}, pa, "a "},
        {Qt::ControlModifier, pb, "a b "},
        {Qt::ControlModifier, pa, "b "},
        {Qt::ShiftModifier, pb, ""},
        {Qt::ControlModifier, pa, "a "},
        {{}, QPoint(5, 190), ""}};
    int nodes = 0;
    for (const auto& [mods, at, selected] : clicks)
    {
        QTest::mouseClick(view, Qt::LeftButton, mods, at);
        EXPECT_EQ(Selection(*Scene()), selected) << at.x() << ", " << at.y();
        EXPECT_EQ(g_UndoList.GetCount(), ++nodes);
        EXPECT_EQ(g_UndoList.GetHead()->GetName(), "Select");
    }
    const QPoint from(2, 20), to(398, 198);
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    EXPECT_EQ(Selection(*Scene()), "a b c ");
    EXPECT_EQ(g_UndoList.GetCount(), nodes + 1);
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, pc2 - QPoint(8, 8));
    for (QPoint p : {pc2, pc2 + QPoint(8, 8)})
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), view->mapToGlobal(QPointF(p)), Qt::NoButton,
                         Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(view, &move);
    }
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, pc2 + QPoint(8, 8));
    EXPECT_EQ(Selection(*Scene()), "a b ");
    EXPECT_EQ(Scene()->GetPickMode(), 0);
    auto* tool = new HandleTool();
    g_ToolManager.PushTool(tool);
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(5, 190));
    EXPECT_EQ(tool->handles.size(), 1u);
}
TEST_F(ViewportTest, PickingMeshComponents)
{
    auto* object = Named<MSceneObject>("mesh");
    auto* mesh = new MMesh();
    for (MVector3 v : {MVector3(-20, -10, 0), MVector3(20, -10, 0), MVector3(0, 20, 0)})
        mesh->AddVertex(v);
    mesh->AddTriangle(0, 1, 2);
    object->SetGeometry(mesh);
    Scene()->AddObject(object);
    view->SetupProjection(0);
    QTest::mouseClick(view, Qt::LeftButton, {}, TopPixel(0, 0));
    EXPECT_EQ(Selection(*Scene()), "mesh ");
    Scene()->SetSelectionMode(COMPONENT_VERTEX);
    QTest::mouseClick(view, Qt::LeftButton, {}, TopPixel(20, -10));
    EXPECT_EQ(mesh->GetVertexFlags(), (std::vector<uint32_t>{0, 0x100, 0}));
    Scene()->SetSelectionMode(COMPONENT_TRIANGLE);
    QTest::mouseClick(view, Qt::LeftButton, {}, TopPixel(0, 0));
    EXPECT_EQ(mesh->GetTriangleFlags(), (std::vector<uint32_t>{0x400}));
    Scene()->SetSelectionMode(0);
}
TEST_F(ViewportTest, APressPicksTheHandleTheToolDrawsUnderIt)
{
    auto* tool = new HandleTool();
    g_ToolManager.PushTool(tool);
    ASSERT_EQ(view->MakeCurrent(), 0);
    view->SetToolDragPositions(QPointF(200, 100), QPointF(200, 100));
    view->SetupProjection(1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    view->SetupViewTransform();
    EXPECT_EQ(view->PickAt(true), 7);
    EXPECT_EQ(view->PickAt(false), 0); // not asked to pick
    EXPECT_EQ(tool->draws, 1);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(200, 100));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 190));
    EXPECT_EQ(tool->handles, (std::vector<int>{7, 7}));
}
TEST_F(ViewportTest, CameraDragsWrapTheCursorAtTheScreenEdges)
{
    const QRect g = view->screen()->geometry();
    const auto move = [&](QPoint global)
    {
        QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, Qt::AltModifier,
                          view->mapFromGlobal(global));
    };
    QTest::mousePress(view, Qt::LeftButton, Qt::AltModifier, QPoint(200, 100));
    move(view->mapToGlobal(QPoint(210, 100)));
    const std::pair<QPoint, QPoint> edges[] = {
        {{g.left() + 100, g.top()}, {g.left() + 100, g.bottom() - 2}},
        {{g.left(), g.top() + 100}, {g.right() - 2, g.top() + 100}},
        {{g.right(), g.top() + 100}, {g.left() + 2, g.top() + 100}}};
    for (const auto& [at, to] : edges)
    {
        move(at);
        EXPECT_EQ(QCursor::pos(view->screen()), to) << at.x() << ", " << at.y();
        move(view->mapToGlobal(QPoint(210, 100)));
    }
    QTest::mouseRelease(view, Qt::LeftButton, Qt::AltModifier, QPoint(200, 100));
}
TEST_F(ViewportTest, TexturedMaterialInPerspectiveScrollsWithTime)
{
    std::vector<RgbPixel> pixels;
    for (int i = 0; i < 64 * 64; ++i)
        pixels.push_back(i % 64 < 32 ? RgbPixel{255, 0, 0} : RgbPixel{0, 0, 255});
    LoadPluginsAndImages();
    const auto reddish = [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80; };
    const auto bluish = [](QRgb c) { return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80; };
    dir.Write("textures/test/halves.tga", Targa(64, 64, pixels));
    MMaterial* m = AddMaterial("halves");
    AddLayer(m, "Options");
    MMaterialLayer* stage = AddLayer(m, "Stage");
    AddNode<MFileShaderNode>(stage, "File", "textures/test/halves.tga");
    AddNode<MTCScrollShaderNode>(stage, "Scroll")->SetParamByName("Ds", "0.5");
    COpenGLWnd* gl = Perspective();
    gl->m_Target = MVector3(32, -32, 0);
    QCoreApplication::processEvents();
    const QPoint quarter = Project(gl, MVector3(16, -32, 0));
    const QPoint threeQuarters = Project(gl, MVector3(48, -32, 0));
    for (int frame : {0, 30})
    {
        Scene()->SetTime(frame * TICKS_PER_FRAME);
        const QImage image = gl->grabFramebuffer();
        const QRgb left = image.pixel(quarter), right = image.pixel(threeQuarters);
        EXPECT_TRUE(frame ? bluish(left) && reddish(right) : reddish(left) && bluish(right))
            << frame << std::hex << " " << left << " " << right;
    }
    EXPECT_EQ(qRed(gl->grabFramebuffer().pixel(3, gl->height() - 40)), 102);
    auto minFilter = [&]
    {
        EXPECT_EQ(gl->MakeCurrent(), 0);
        MTextureCache::Instance().BindImage("textures/test/halves.tga");
        GLint f = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &f);
        return f;
    };
    const GLint before = minFilter();
    gl->m_TextureFilter = GL_NEAREST;
    gl->grabFramebuffer();
    EXPECT_EQ(minFilter(), before);
}
TEST_F(ViewportTest, ScreenshotsOfCorpusShaders)
{
    LoadPluginsAndImages();
    const std::filesystem::path corpus = CorpusDir();
    ImportCorpus({"nkoa-newsfx.shader", "ctf.shader", "ctf_unified.shader"});
    const char* tga[] = {"oa-multi.tga", "oa-holdable_medkit.tga",
                         "oa-ta_techspawn_blue-editor.tga", "oa-am_galmevish.tga"};
    const char* jpg[] = {"oa-beam_dusty2.jpg", "oa-fog-darkgreen.jpg", "oa-ice.jpg",
                         "oa-jumpcircneutral.jpg"};
    std::vector<MBaseObject*> drop;
    int kept = 0;
    Scene()->InitPosition(TRAVERSE_TOP_LEVEL);
    while (MBaseObject* o = Scene()->GetNext())
        if (auto* m = dynamic_cast<MMaterial*>(o))
        {
            int maps = 0;
            for (int i = 1; i < m->GetLayerCount() && kept < 20; ++i)
                for (MBaseObject* n : m->GetLayer(i)->GetShaderList())
                    if (auto* f = dynamic_cast<MFileShaderNode*>(n))
                    {
                        const std::string map = f->GetParamByName("Fname").str();
                        const std::string ext = map.size() > 4 ? map.substr(map.size() - 4) : "";
                        const char* const* from = ext == ".tga"   ? tga
                                                  : ext == ".jpg" ? jpg
                                                                  : nullptr;
                        if (from && map[0] != '$')
                            dir.Write(map,
                                      ReadWholeFile(corpus / "images" / from[(kept + maps++) % 4]));
                    }
            if (maps)
                ++kept;
            else
                drop.push_back(m);
        }
    for (MBaseObject* o : drop)
        Scene()->DeleteObject(o);
    ASSERT_EQ(kept, 20);
    main->resize(1100, 800);
    COpenGLWnd* gl = Perspective();
    gl->resize(1000, 700);
    gl->m_Target = MVector3(750, -600, 0);
    gl->m_Distance = 1900;
    gl->m_Angles = MVector3(-55, 0, -15);
    QCoreApplication::processEvents();
    const QImage textured = gl->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    Save(textured, "viewport-textured.png");
    gl->m_ShadingMode = 0;
    const QImage wire = gl->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    Save(wire, "viewport-wireframe.png");
    auto coloured = [](const QImage& img)
    {
        int n = 0;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3)
                n += !IsGrey(img.pixel(x, y), 102, 40);
        return n;
    };
    EXPECT_GT(coloured(textured), 3000);
    EXPECT_LT(coloured(wire), coloured(textured) / 2);
}
