// 3D viewport redraw and picking.
//
// Figures:
//  - BM_CorpusFrame: one redraw of a Perspective view in textured mode over
//    every material of the corpus, framed on all of them (the selection
//    centre) and pulled back as far as the far plane lets it see: ms a
//    frame. Goal: at most 50 ms on software OpenGL.
//  - BM_Redraw/1000 and /100000: generated materials (one textured stage
//    each), the view on the same first rows in both, so the same surfaces
//    are on screen. Goal: the 100,000 redraw at most 1.5 times the 1,000 one
//    (the ratio is printed at the end).
//  - BM_Pick/10000: one click pick (select buffer, pick matrix, hit list)
//    over 10,000 materials.
//
// It needs an OpenGL context on a window:
//   cmake --preset bench && cmake --build build/bench --target bench_viewport
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/bench/bin/bench_viewport

#include "COpenGLWnd.h"
#include "Globals.h"
#include "MBaseObjectList.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MTranslator.h"

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

namespace fs = std::filesystem;

namespace
{
constexpr int kSmall = 1000;
constexpr int kLarge = 100000;
constexpr int kPick = 10000;
constexpr double kRatioLimit = 1.5;

COpenGLWnd* g_View = nullptr;
std::map<int, MScene*> g_Scenes;
MScene* g_Corpus = nullptr;

// A 64 x 64 true-colour Targa file with a gradient.
void WriteTexture(const fs::path& path)
{
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = 64;
    t[14] = 64;
    t[16] = 24;
    t[17] = 0x20;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            t += std::string{char(x * 4), char(y * 4), char(200)};
    std::ofstream(path, std::ios::binary) << t;
}

MScene* NewScene()
{
    auto* scene = new MScene();
    scene->AddRef();
    return scene;
}

MScene* BuildScene(int materials)
{
    MScene* scene = NewScene();
    for (int i = 0; i < materials; ++i)
    {
        auto* material = new MMaterial();
        material->SetName(MStr::Printf("textures/bench/material_%06d", i));
        auto* options = new MMaterialLayer();
        auto* layer = new MMaterialLayer();
        auto* node = new MFileShaderNode();
        node->SetParamByName("Fname", "bench.tga");
        layer->AddShader(node);
        material->AddLayer(options);
        material->AddLayer(layer);
        MBaseObjectTreeNode* m = scene->AddObject(material);
        scene->AddObject(options, m);
        MBaseObjectTreeNode* l = scene->AddObject(layer, m);
        scene->AddObject(node, l);
    }
    return scene;
}

MScene* LoadCorpus()
{
    MScene* scene = NewScene();
    MSystemManager& sys = g_SystemManager;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(GLAZEN_CORPUS_DIR) / "shaders"))
    {
        if (e.path().extension() != ".shader")
            continue;
        if (MMaterialTranslator* t =
                sys.FindMaterialTranslatorThatImports(e.path().string().c_str()))
            t->ImportFile(e.path().string().c_str(), scene);
    }
    return scene;
}

// The Perspective preset's camera.
void Perspective(const MVector3& target, float distance)
{
    g_View->AddFlags(VIEW_PERSPECTIVE);
    g_View->m_Angles = MVector3(-70, 0, -120);
    g_View->m_ShadingMode = 4;
    g_View->m_Target = target;
    g_View->m_Distance = distance;
    g_View->UpdateCameraMatrices();
}

void BM_CorpusFrame(benchmark::State& state)
{
    g_CurrentScene = g_Corpus;
    // Framed on all: every material selected, the target at their centre.
    g_Corpus->SelectAllOf<MMaterial>();
    const MVector3 centre = g_Corpus->GetSelectionCentre(-1);
    g_Corpus->SelectNone();
    Perspective(MVector3(centre.x, centre.y, -centre.z), 4500.0f);
    g_View->makeCurrent();
    for (auto _ : state)
    {
        g_View->DrawNow();
        glFinish();
    }
    int materials = 0;
    g_Corpus->ForEachNode([&](MBaseObjectTreeNode* n)
                          { materials += dynamic_cast<MMaterial*>(n->GetObject()) != nullptr; });
    state.counters["materials"] = materials;
    state.counters["on_screen"] = g_Corpus->GetLastDrawnCount();
}
BENCHMARK(BM_CorpusFrame)->Unit(benchmark::kMillisecond);

void BM_Redraw(benchmark::State& state)
{
    const int materials = int(state.range(0));
    g_CurrentScene = g_Scenes[materials];
    // The first rows, seen alike in both scenes.
    Perspective(MVector3(800, -600, 0), 1500.0f);
    g_View->makeCurrent();
    for (auto _ : state)
    {
        g_View->DrawNow();
        glFinish();
    }
    state.counters["materials"] = materials;
    state.counters["on_screen"] = g_CurrentScene->GetLastDrawnCount();
}
BENCHMARK(BM_Redraw)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_Pick(benchmark::State& state)
{
    const int materials = int(state.range(0));
    MScene* scene = g_Scenes[materials];
    g_CurrentScene = scene;
    // The centre of the screen on the surface of cell (2, 1).
    Perspective(MVector3(672, -352, 0), 1500.0f);
    MRef<MBaseObjectList> hits(new MBaseObjectList());
    const MVector3 centre(500, 350, 0);
    int found = 0;
    for (auto _ : state)
    {
        hits->RemoveAll();
        scene->SetPickMode(1);
        g_View->PickScene(centre, centre, hits.Get());
        scene->SetPickMode(0);
        found = hits->GetCount();
    }
    state.counters["materials"] = materials;
    state.counters["hits"] = found;
}
BENCHMARK(BM_Pick)->Arg(kPick)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    PrepareViewBenchmark();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    MSystemManager& sys = LoadBenchmarkPlugins();
    const fs::path textures = fs::temp_directory_path() / "glazen-bench-viewport";
    fs::create_directories(textures);
    WriteTexture(textures / "bench.tga");
    sys.GetImageSearchPaths().AddString(textures.string().c_str());
    sys.GetImageSearchPaths().AddString((fs::path(GLAZEN_CORPUS_DIR) / "images").string().c_str());

    QElapsedTimer built;
    built.start();
    g_Scenes[kSmall] = BuildScene(kSmall);
    g_Scenes[kPick] = BuildScene(kPick);
    g_Scenes[kLarge] = BuildScene(kLarge);
    g_Corpus = LoadCorpus();
    std::printf("scenes built in %lld ms\n", static_cast<long long>(built.elapsed()));

    auto view = std::make_unique<COpenGLWnd>();
    g_View = view.get();
    if (!ShowWithContext(*view, "Perspective"))
        return 2;
    const int result = RunAndCheckRedrawRatio(kSmall, kLarge, kRatioLimit);

    g_CurrentScene = nullptr;
    view.reset();
    for (auto& [count, scene] : g_Scenes)
        scene->Delete();
    g_Corpus->ClearScene();
    g_Corpus->Delete();
    std::error_code ec;
    fs::remove_all(textures, ec);
    return result;
}
