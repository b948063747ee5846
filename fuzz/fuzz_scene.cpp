// Scene file reader: the input, straight from memory, is opened into a scene
// that already holds a material. A refused file must leave the scene exactly
// as it was; an accepted one must save and open again to the same text.

#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace
{
// What the scene holds, down to the object identities.
std::string Snapshot(MScene* scene)
{
    std::string text;
    MStr reason;
    if (!MCompleteTranslator::WriteSceneText(scene, text, reason))
        std::abort();
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        { text += std::to_string(reinterpret_cast<uintptr_t>(n->GetObject())) + " "; });
    return text;
}

void Check(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "fuzz_scene: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MSystemManager* manager = []
    {
        auto* m = new MSystemManager();
        SetSystemManager(m);
        return m;
    }();
    (void)manager;

    MScene scene;
    auto* material = new MMaterial();
    material->SetName("textures/fuzz/before");
    scene.AddObject(material);
    auto* layer = new MMaterialLayer();
    layer->SetName("OptionLayer1");
    material->AddLayer(layer);
    scene.AddObject(layer, scene.FindObject(material));
    auto* surface = new MQ3MapSurfaceShaderNode();
    surface->SetName("SurfaceNode1");
    surface->SetParamByName("nolightmap", "On");
    layer->AddShader(surface);
    scene.AddObject(surface, scene.FindObject(layer));
    scene.SelectObject(surface);
    const std::string before = Snapshot(&scene);

    MStr reason;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!MCompleteTranslator::ReadSceneText(text, &scene, reason))
    {
        Check(Snapshot(&scene) == before, "a refused file changed the scene");
        return 0;
    }

    std::string first, second;
    Check(MCompleteTranslator::WriteSceneText(&scene, first, reason),
          "an opened scene cannot be saved");
    MScene again;
    Check(MCompleteTranslator::ReadSceneText(first, &again, reason),
          "a saved scene cannot be opened");
    Check(MCompleteTranslator::WriteSceneText(&again, second, reason),
          "a reopened scene cannot be saved");
    Check(first == second, "save and open do not give back the same scene");
    return 0;
}
