#include "ViewTestSupport.h"

namespace
{
class ShiftedView : public RecordingView
{
  public:
    void SetupProjection(int pickMode) override { MBaseOpenGLWnd::SetupProjection(pickMode); }
    void SetupViewTransform() override { glTranslatef(shift.x, shift.y, shift.z); }
    MVector3 shift;

  protected:
    void paintGL() override {}
};
class OpenGLView : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = AddView<ShiftedView>(QRect(0, 0, 200, 100), "Material View", 0);
        ShowMain();
        ASSERT_TRUE(view->isValid());
        ASSERT_EQ(view->MakeCurrent(), 0);
    }
    static std::array<float, 16> Projection()
    {
        std::array<float, 16> m{};
        glGetFloatv(GL_PROJECTION_MATRIX, m.data());
        return m;
    }
    static void Pixels(float l, float r, float b, float t, bool clear)
    {
        glMatrixMode(GL_PROJECTION);
        glOrtho(l, r, b, t, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        if (!clear)
            return;
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ShiftedView* view = nullptr;
};
} // namespace
TEST_F(OpenGLView, TheMaterialViewsContextStateAndGlyphLists)
{
    EXPECT_TRUE(
        sys.log.Contains("OpenGLWnd::InitOpenGL() - Pixel Format 16bpp, 0Alpha bits, 0ZBuf"));
    CMaterialViewWnd fresh;
    fresh.InitView();
    const QSurfaceFormat f = fresh.format();
    EXPECT_EQ((std::array<int, 5>{f.redBufferSize(), f.greenBufferSize(), f.blueBufferSize(),
                                  f.depthBufferSize(), f.alphaBufferSize()}),
              (std::array<int, 5>{5, 6, 5, 0, 0}));
    EXPECT_EQ(f.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(view->context()->format().profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(view->GetTextExtent().width(),
              QFontMetrics(MDefaultGuiFont()).horizontalAdvance(QString(kFontMeasureText)));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_NORMALIZE) && glIsEnabled(GL_LIGHT0));
    GLint modes[2] = {};
    glGetIntegerv(GL_SHADE_MODEL, &modes[0]);
    glGetIntegerv(GL_CULL_FACE_MODE, &modes[1]);
    EXPECT_EQ((std::array<GLint, 2>{modes[0], modes[1]}),
              (std::array<GLint, 2>{GL_SMOOTH, GL_BACK}));
    ASSERT_TRUE(MFontListsPresent());
    const QFontMetrics fm(MDefaultGuiFont());
    view->SetupProjection(0);
    Pixels(0, 200, 0, 100, true);
    glColor3f(1, 1, 1);
    glRasterPos2i(10, 40);
    MDrawGLText("WW");
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_EQ(QPointF(pos[0], pos[1]), QPointF(10 + 2 * fm.horizontalAdvance(QChar('W')), 40));
    std::vector<GLubyte> pixels(size_t(200 * 100 * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 200, 100, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0, outside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (pixels[size_t((y * 200 + x) * 4)] > 128)
                (x >= 8 && x <= pos[0] + 2 && y >= 40 - fm.descent() && y <= 40 + fm.ascent()
                     ? lit
                     : outside)++;
    EXPECT_GT(lit, 10);
    EXPECT_EQ(outside, 0);
    glRasterPos2i(10, 40);
    MDrawGLText("\x01");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], 10.0f);
}
TEST_F(OpenGLView, PickRegionsProjectionsAndRaysThroughThem)
{
    const std::tuple<QPointF, QPointF, int, MPickRegion> cases[] = {
        {{3, 4}, {50.7, 30.2}, 1, {50, 30, 4, 4}}, {{3, 4}, {50.7, 30.2}, 2, {50, 30, 4, 4}},
        {{10, 10}, {10, 40}, 3, {10, 25, 1, 30}},  {{40, 10}, {9, 5}, 4, {24, 7, 31, 5}},
        {{-5.9, -3}, {4, 0}, 3, {0, -1, 9, 3}},
    };
    for (const auto& [start, current, mode, region] : cases)
    {
        SCOPED_TRACE(mode);
        view->SetToolDragPositions(start, current);
        view->SetupProjection(mode);
        EXPECT_EQ(view->GetPickRegion(), region);
        const std::array<float, 16> m = Projection();
        EXPECT_FLOAT_EQ(m[0], 200.0f / region.width);
        EXPECT_FLOAT_EQ(m[5], 100.0f / region.height);
        EXPECT_FLOAT_EQ(m[12], (200.0f - 2 * region.centreX) / region.width);
        EXPECT_FLOAT_EQ(m[13], (100.0f - 2 * (100 - region.centreY)) / region.height);
    }
    EXPECT_EQ(view->GetDragStart(), QPoint(-5, -3));
    EXPECT_EQ(view->GetDragCurrent(), QPoint(4, 0));
    view->SetupProjection(0);
    EXPECT_FLOAT_EQ(Projection()[0], 1.0f);
    EXPECT_FLOAT_EQ(Projection()[12], 0.0f);
    EXPECT_FLOAT_EQ(view->GetAspect(), 2.0f);
    MRay ray = view->ScreenToRay(100, 50);
    ASSERT_TRUE(ray.IsValid());
    EXPECT_NEAR((ray.origin - MVector3(0, 0, -1)).Length(), 0, 1e-5);
    EXPECT_NEAR(ray.direction.z, 1, 1e-5);
    EXPECT_NEAR(ray.direction.Length(), 1, 1e-5);
    Pixels(-100, 100, -50, 50, false);
    ray = view->ScreenToRay(150, 25);
    EXPECT_NEAR((ray.origin - MVector3(50, 25, 100)).Length(), 0, 1e-3);
    EXPECT_NEAR(ray.direction.z, -1, 1e-5);
    bool hit = false;
    MVector3 p = view->ScreenToPlane(150, 25, MPlane({0, 0, 1}, 2), &hit);
    EXPECT_TRUE(hit);
    EXPECT_NEAR((p - MVector3(50, 25, 2)).Length(), 0, 1e-3);
    view->ScreenToPlane(150, 25, MPlane({1, 0, 0}, 5), &hit);
    EXPECT_FALSE(hit);
    view->shift = MVector3(10, 0, 0);
    glLoadIdentity();
    glTranslatef(0, 7, 0);
    ray = view->ScreenToRay(150, 25);
    EXPECT_NEAR((ray.origin - MVector3(40, 25, ray.origin.z)).Length(), 0, 1e-3);
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(mv[13], 7.0f);
}
TEST_F(OpenGLView, AxisGizmoDrawsTheFlaggedAxesUnderTheirPickNames)
{
    view->SetupProjection(0);
    Pixels(-100, 100, -50, 50, true);
    glLineWidth(2.0f);
    view->DrawAxisGizmo(40, 1, 3, false, GIZMO_X | GIZMO_HILIGHT_Y | GIZMO_CONES);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(width, 2.0f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    auto pixel = [](int x, int y)
    {
        GLubyte rgba[4];
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return qRgb(rgba[0], rgba[1], rgba[2]);
    };
    EXPECT_EQ(pixel(115, 50), qRgb(255, 0, 0));
    EXPECT_EQ(pixel(100, 65), qRgb(0, 0, 0));
    view->SetToolDragPositions(QPointF(), QPointF(100, 35));
    view->SetupProjection(1);
    Pixels(-100, 100, -50, 50, false);
    std::array<GLuint, 256> buffer{};
    glSelectBuffer(GLsizei(buffer.size()), buffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    view->DrawAxisGizmo(40, 1, 3, true, GIZMO_X | GIZMO_Y | GIZMO_Z);
    ASSERT_EQ(glRenderMode(GL_RENDER), 1);
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_EQ(buffer[3], 2u);
}
TEST_F(OpenGLView, ViewsClearToTheirBackgroundUnderTheOverlay)
{
    auto* material = AddView<CMaterialViewWnd>(QRect(0, 110, 200, 100), "Material View", 2);
    auto* outline = AddView<CSceneViewWnd>(QRect(250, 0, 200, 100), "Scene Outline", 1);
    SetActiveView(material);
    QImage image = material->grabFramebuffer();
    ASSERT_EQ(image.size(), QSize(200, 100));
    const auto red = [&](int x, int y) { return qRed(image.pixel(x, y)); };
    EXPECT_EQ(image.pixel(100, 60) & 0xFFFFFF, qRgb(102, 102, 102) & 0xFFFFFF);
    for (int x : {200 - 35, 200 - 27, 200 - 20, 200 - 18, 200 - 9, 200 - 6})
        EXPECT_NEAR(red(x, 9), 151, 6) << x;
    for (QPoint p : {QPoint(200 - 36, 9), QPoint(200 - 19, 9), QPoint(200 - 27, 17)})
        EXPECT_NEAR(red(p.x(), p.y()), 82, 6) << p.x() << ", " << p.y();
    EXPECT_EQ(red(200 - 38, 9), 102);
    EXPECT_EQ(red(200 - 27, 19), 102);
    for (QPoint p : {QPoint(1, 50), QPoint(198, 50), QPoint(100, 1), QPoint(100, 98)})
    {
        EXPECT_EQ(red(p.x(), p.y()), 0) << p.x() << ", " << p.y();
        EXPECT_NEAR(qGreen(image.pixel(p)), 76, 2) << p.x() << ", " << p.y();
    }
    EXPECT_EQ(red(4, 50), 102);
    int white = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (image.pixel(x, y) == qRgb(255, 255, 255))
            {
                ++white;
                EXPECT_TRUE(x >= 4 && x < 120 && y < 18) << x << ", " << y;
            }
    EXPECT_GT(white, 20);
    const uint32_t saved = g_ColourValues[0];
    g_ColourValues[0] = MakeColourValue(200, 10, 50);
    image = outline->grabFramebuffer();
    const QRgb window = outline->palette().color(QPalette::Base).rgb();
    EXPECT_EQ(image.pixel(100, 60) & 0xFFFFFF, window & 0xFFFFFF);
    EXPECT_EQ(image.pixel(1, 50) & 0xFFFFFF, window & 0xFFFFFF);
    image = material->grabFramebuffer();
    EXPECT_EQ(image.pixel(100, 60) & 0xFFFFFF, qRgb(200, 10, 50) & 0xFFFFFF);
    g_ColourValues[0] = saved;
}
