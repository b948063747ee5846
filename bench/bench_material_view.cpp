// Material view redraw over a small and a huge scene with the same cells on
// screen. The layout is walked afresh on every draw and never cached, so the
// walk over the materials off screen must stay cheap: the 100,000-material
// redraw may take at most three times as long as the 1,000-material one.
//
// Each material holds one layer with one file node (a small texture); every
// fifth material and its layer are expanded. The view is 1000 x 700 pixels
// and shows the first columns at zoom 0.45, as a person would see them.
//
// Figures: time per redraw (draw into the view's framebuffer and glFinish),
// per redraw with the view at the last columns (every material placed before
// anything is drawn) and per hit test that hits nothing (one whole layout
// walk without drawing), for 1,000 and 100,000 materials; at the end the
// ratio of the two redraw times of the first columns.
//
// It needs an OpenGL context on a window: run it on an X display, or under
// a virtual one:
//   cmake --preset bench -B build/bench && cmake --build build/bench --target bench_material_view
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/bench/bin/bench_material_view

#include "CMaterialViewWnd.h"
#include "Globals.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include "BenchSupport.h"
#include "MOpenGLSetup.h"

#include <QApplication>
#include <QElapsedTimer>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace
{
constexpr int kSmall = 1000;
constexpr int kLarge = 100000;
constexpr double kRatioLimit = 3.0;

CMaterialViewWnd* g_View = nullptr;
std::map<int, MScene*> g_Scenes;

// A 4 x 4 true-colour Targa file of one colour.
void WriteTexture(const std::filesystem::path& path)
{
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = 4;
    t[14] = 4;
    t[16] = 24;
    t[17] = 0x20;
    for (int i = 0; i < 16; ++i)
        t += std::string{char(40), char(120), char(200)};
    std::ofstream(path, std::ios::binary) << t;
}

MScene* BuildScene(int materials)
{
    auto* scene = new MScene();
    scene->AddRef();
    for (int i = 0; i < materials; ++i)
    {
        auto* material = new MMaterial();
        material->SetName(MStr::Printf("textures/bench/material_%06d", i));
        auto* layer = new MMaterialLayer();
        layer->SetName(MStr::Printf("Layer%d", i));
        auto* node = new MFileShaderNode();
        node->SetName(MStr::Printf("FileShader%d", i));
        node->SetParamByName("Fname", "bench.tga");
        if (i % 5 != 0)
            material->ClearFlags(OBJ_EXPANDED);
        layer->AddShader(node);
        material->AddLayer(layer);
        MBaseObjectTreeNode* m = scene->AddObject(material);
        MBaseObjectTreeNode* l = scene->AddObject(layer, m);
        scene->AddObject(node, l);
    }
    return scene;
}

void UseScene(int materials)
{
    g_CurrentScene = g_Scenes[materials];
    // The same place in both scenes: the first columns from the top-left.
    g_View->SetZoom(0.45f);
    g_View->SetPan(MVector3());
    const MVector3 corner = g_View->ScreenToWorld(0, 0);
    g_View->SetPan(MVector3(0.1f - corner.x, -0.1f - corner.y, 0.0f));
}

void BM_Redraw(benchmark::State& state)
{
    const int materials = int(state.range(0));
    UseScene(materials);
    g_View->makeCurrent();
    for (auto _ : state)
    {
        g_View->DrawView();
        glFinish();
    }
    state.counters["materials"] = materials;
}
BENCHMARK(BM_Redraw)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

// The view at the last columns: drawing walks every material first.
void BM_RedrawLastColumns(benchmark::State& state)
{
    const int materials = int(state.range(0));
    UseScene(materials);
    g_View->LayoutWalk();
    const MVector3 right = g_View->ScreenToWorld(g_View->width(), 0);
    MVector3 pan = g_View->GetPan();
    pan.x += g_View->GetExtentsMax().x + 0.1f - right.x;
    g_View->SetPan(pan);
    g_View->makeCurrent();
    for (auto _ : state)
    {
        g_View->DrawView();
        glFinish();
    }
    state.counters["materials"] = materials;
}
BENCHMARK(BM_RedrawLastColumns)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_HitTest(benchmark::State& state)
{
    const int materials = int(state.range(0));
    UseScene(materials);
    for (auto _ : state)
        benchmark::DoNotOptimize(g_View->HitTest(MVector3(-5.0f, -5.0f, 0.0f)));
    state.counters["materials"] = materials;
}
BENCHMARK(BM_HitTest)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    PrepareViewBenchmark();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    MSystemManager& sys = LoadBenchmarkPlugins();
    const std::filesystem::path textures =
        std::filesystem::temp_directory_path() / "glazen-bench-material-view";
    std::filesystem::create_directories(textures);
    WriteTexture(textures / "bench.tga");
    sys.GetImageSearchPaths().AddString(textures.string().c_str());

    QElapsedTimer built;
    built.start();
    g_Scenes[kSmall] = BuildScene(kSmall);
    g_Scenes[kLarge] = BuildScene(kLarge);
    std::printf("scenes built in %lld ms\n", static_cast<long long>(built.elapsed()));

    auto view = std::make_unique<CMaterialViewWnd>();
    g_View = view.get();
    if (!ShowWithContext(*view, "Material View"))
        return 2;
    const int result = RunAndCheckRedrawRatio(kSmall, kLarge, kRatioLimit);

    g_CurrentScene = nullptr;
    view.reset();
    for (auto& [count, scene] : g_Scenes)
        scene->Delete();
    std::error_code ec;
    std::filesystem::remove_all(textures, ec);
    return result;
}
