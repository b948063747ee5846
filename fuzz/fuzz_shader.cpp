// Feeds arbitrary bytes to the shader script reader, then writes what it read
// and reads that back: neither side may crash, leak or read out of bounds.

#include "MMaterial.h"
#include "MQ3AShaderReader.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MSystemManager* manager = []
    {
        auto* m = new MSystemManager();
        SetSystemManager(m);
        return m;
    }();
    MScene* scene = manager->GetScene();
    scene->ClearScene();

    MQ3AShaderReader reader(std::string(reinterpret_cast<const char*>(data), size), scene);
    reader.ReadAll();
    scene->SelectAllOf<MMaterial>();
    MQ3AShaderWriter writer;
    writer.WriteScene(scene);

    scene->ClearScene();
    MQ3AShaderReader again(writer.GetText(), scene);
    again.ReadAll();
    scene->ClearScene();
    return 0;
}
