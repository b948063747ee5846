// Scene file save and open of a 10,000-shader scene, built the way the shader
// reader builds one: each material holds an option layer with a QER and a
// surface node and two stage layers with file, blend, rgbGen and tcMod nodes,
// all placed in the scene tree material -> layer -> node.
//
// Figures: time per save (to a file, and to text only), time per open (from
// a file, and from text only); counters give the file size and object count.

#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
constexpr int kShaders = 10000;

MSystemManager& System()
{
    static MSystemManager* sys = []
    {
        auto* s = new MSystemManager();
        SetSystemManager(s);
        return s;
    }();
    return *sys;
}

template <class Node> Node* AddNode(MScene* scene, MMaterialLayer* layer)
{
    auto* node = new Node();
    node->SetName(scene->GenerateUniqueName(node->GetBaseName()));
    layer->AddShader(node);
    scene->AddObject(node, scene->FindObject(layer));
    return node;
}

MMaterialLayer* AddLayer(MScene* scene, MMaterial* material, const char* base)
{
    auto* layer = new MMaterialLayer();
    layer->SetName(scene->GenerateUniqueName(base));
    material->AddLayer(layer);
    scene->AddObject(layer, scene->FindObject(material));
    return layer;
}

void BuildScene(MScene* scene, int shaders)
{
    for (int i = 0; i < shaders; ++i)
    {
        const MStr name = MStr::Printf("textures/bench/shader_%05d", i);
        auto* material = new MMaterial();
        material->SetName(name);
        scene->AddObject(material);

        MMaterialLayer* option = AddLayer(scene, material, "OptionLayer");
        AddNode<MQERadiantShaderNode>(scene, option)
            ->SetParamByName("qer_editorimage", name + ".tga");
        auto* surface = AddNode<MQ3MapSurfaceShaderNode>(scene, option);
        surface->SetParamByName("nolightmap", "On");
        surface->SetParamByName("trans", "On");

        for (int stage = 0; stage < 2; ++stage)
        {
            MMaterialLayer* layer = AddLayer(scene, material, "Layer");
            AddNode<MFileShaderNode>(scene, layer)
                ->SetParamByName("Fname", stage ? name + "_glow.tga" : MStr("$lightmap"));
            auto* blend = AddNode<MBlendFuncShaderNode>(scene, layer);
            blend->SetParamByName("bmP", stage ? "add" : "filter");
            auto* rgb = AddNode<MRGBGenShaderNode>(scene, layer);
            rgb->SetParamByName("Ty", "wave");
            rgb->SetParamByName("Fr", "0.5");
            auto* scroll = AddNode<MTCScrollShaderNode>(scene, layer);
            scroll->SetParamByName("Ds", "0.1");
            scroll->SetParamByName("Dt", MStr::Printf("%g", 0.01 * (i % 7)));
        }
    }
}

struct BenchScene
{
    MScene scene;
    std::string path;
    BenchScene()
    {
        System();
        BuildScene(&scene, kShaders);
        path = (std::filesystem::temp_directory_path() /
                ("glazen-bench-" + std::to_string(getpid()) + ".glazen"))
                   .string();
    }
    ~BenchScene() { std::remove(path.c_str()); }
};

BenchScene& Shared()
{
    static BenchScene shared;
    return shared;
}

void SetCounters(benchmark::State& state, double bytes)
{
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["objects"] = Shared().scene.GetObjectCount();
    state.counters["shaders"] = kShaders;
}

void BM_SceneSave_10000Shaders(benchmark::State& state)
{
    BenchScene& b = Shared();
    MCompleteTranslator translator;
    for (auto _ : state)
        if (!translator.ExportFile(b.path, &b.scene))
            state.SkipWithError("the save failed");
    SetCounters(state, static_cast<double>(std::filesystem::file_size(b.path)));
}

void BM_SceneOpen_10000Shaders(benchmark::State& state)
{
    BenchScene& b = Shared();
    MCompleteTranslator translator;
    if (!translator.ExportFile(b.path, &b.scene))
    {
        state.SkipWithError("the save failed");
        return;
    }
    MScene opened;
    for (auto _ : state)
    {
        if (!translator.ImportFile(b.path, &opened))
            state.SkipWithError("the open failed");
        state.PauseTiming();
        opened.ClearScene();
        state.ResumeTiming();
    }
    SetCounters(state, static_cast<double>(std::filesystem::file_size(b.path)));
}

void BM_SceneWriteText_10000Shaders(benchmark::State& state)
{
    BenchScene& b = Shared();
    std::string text;
    MStr reason;
    for (auto _ : state)
        if (!MCompleteTranslator::WriteSceneText(&b.scene, text, reason))
            state.SkipWithError("the text could not be made");
    SetCounters(state, static_cast<double>(text.size()));
}

void BM_SceneReadText_10000Shaders(benchmark::State& state)
{
    BenchScene& b = Shared();
    std::string text;
    MStr reason;
    MCompleteTranslator::WriteSceneText(&b.scene, text, reason);
    MScene opened;
    for (auto _ : state)
    {
        if (!MCompleteTranslator::ReadSceneText(text, &opened, reason))
            state.SkipWithError("the text could not be read");
        state.PauseTiming();
        opened.ClearScene();
        state.ResumeTiming();
    }
    SetCounters(state, static_cast<double>(text.size()));
}
} // namespace

BENCHMARK(BM_SceneSave_10000Shaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneOpen_10000Shaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneWriteText_10000Shaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneReadText_10000Shaders)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
