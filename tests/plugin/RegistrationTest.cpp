#include "MJPGTranslator.h"
#include "MQ3AShaderTranslator.h"
#include "MTGATranslator.h"
#include "TestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace
{
// Opens the built plug-in directly, as a second handle beside the manager's.
struct PluginHandle
{
    PluginHandle() : h(dlopen((BinDir() / "Pellow.dlf").c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~PluginHandle() { h ? dlclose(h) : 0; }
    template <class F> F Get(const char* name) { return reinterpret_cast<F>(dlsym(h, name)); }
    void* h;
};
} // namespace

TEST(PellowModule, ExportsAnswerAndRegisterInOrderAndTheLoaderFindsThePluginByPattern)
{
    PluginHandle plugin; // outlives the manager, which holds objects of its code
    ASSERT_NE(plugin.h, nullptr) << dlerror();
    auto version = plugin.Get<int (*)(uint32_t*)>("ModQueryVersion");
    auto desc = plugin.Get<int (*)(char*)>("ModQueryDesc");
    auto count = plugin.Get<int (*)()>("ModQueryCount");
    auto reg = plugin.Get<int (*)(MSystemManager*, int)>("ModRegister");
    ASSERT_TRUE(version && desc && count && reg);
    unsigned char bytes[8] = {0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_EQ(version(reinterpret_cast<uint32_t*>(bytes)), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "QV02");
    EXPECT_EQ(bytes[4], 0xAB) << "the version tag is four bytes, no terminator";
    char text[128];
    std::fill(std::begin(text), std::end(text), 'x');
    EXPECT_EQ(desc(text), 1);
    EXPECT_STREQ(text, "This is the description for the Pellow dll file");
    EXPECT_EQ(count(), 3);

    TestSystem sys;
    for (int index : {0, 1, 2})
    {
        EXPECT_EQ(reg(nullptr, index), 0) << "no manager, nothing to register with";
        EXPECT_EQ(reg(&sys.manager, index), 1);
    }
    EXPECT_EQ(reg(&sys.manager, 3), 0);
    EXPECT_EQ(reg(&sys.manager, -1), 0);
    ASSERT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_IMAGE), 2);
    ASSERT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_MATERIAL), 1);
    EXPECT_EQ(sys.manager.CreateImageTranslatorFilterString(),
              "Targa Files (*.TGA)|*.TGA|JPG Files (*.JPG)|*.JPG");
    // The temporaries are gone; the registry's own copies still answer.
    MTranslator* shader = sys.manager.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1);
    EXPECT_EQ(shader->ClassName(), "MQ3AShaderTranslator");
    for (const char* name : {"maps/x.Shader", "maps/x.shd", "maps/x.shader.bak", "maps/shader"})
        EXPECT_EQ(shader->CanImportFile(name), name == std::string("maps/x.Shader")) << name;
    EXPECT_TRUE(shader->CanExport());

    // The loader finds the plug-in by pattern without regard to case.
    TestSystem loader;
    EXPECT_EQ(loader.manager.FindAndLoadDLLs("*.DLM", true, true), 0);
    EXPECT_EQ(loader.manager.FindAndLoadDLLs("*.DLF", true, true), 2); // and PellowImages
    EXPECT_NE(loader.manager.FindMaterialTranslatorThatImports("a.SHADER"), nullptr);
    EXPECT_EQ(loader.manager.FindMaterialTranslatorThatImports("a.tga"), nullptr);
    // A second search loads nothing twice, so no translator is listed twice.
    EXPECT_EQ(loader.manager.FindAndLoadDLLs("*.DLF", true, true), 0);
    EXPECT_EQ(loader.manager.GetTranslatorCount(TRANSLATOR_MATERIAL), 1);
    EXPECT_EQ(loader.manager.GetLoadedModuleCount(), 2);
}
