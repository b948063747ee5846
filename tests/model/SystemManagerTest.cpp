#include "MFile.h"
#include "MMaterial.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MTranslator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
// A translator whose extension and import ability are parameters, so the
// copy the manager keeps (made with CreateNew) behaves like the original.
class FakeShaderTranslator : public MMaterialTranslator
{
  public:
    FakeShaderTranslator(const char* ext = "shader", const char* imports = "1")
    {
        AddStringParam("Ext", ext);
        AddStringParam("Imports", imports);
    }
    M_DECLARE_CLASS(FakeShaderTranslator, MMaterialTranslator)
    MStr GetFileFilter() const override
    {
        return GetParamByName("Ext") + " files|*." + GetParamByName("Ext").c_str();
    }
    bool CanImport() const override { return GetParamByName("Imports") == "1"; }
    bool CanExport() const override { return true; }
    bool CanImportFile(MStr fileName) override
    {
        return fileName.Lowered().str().ends_with("." + GetParamByName("Ext").str());
    }
    bool ImportFile(MStr, MScene*) override { return false; }
    bool ExportFile(MStr, MScene*) override { return false; }
    bool ExportObject(MStr, MBaseObject*) override { return false; }
};
class FakeImageTranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(FakeImageTranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "Targa|*.tga"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override
    {
        return fileName.Lowered().str().ends_with(".tga");
    }
    bool ImportImage(MStr, MImage*) override { return false; }
    bool ExportImage(MStr, MImage*) override { return false; }
};
// A translator whose CreateNew gives something that is not a translator.
class MiscopyingTranslator : public FakeImageTranslator
{
  public:
    MBaseObject* CreateNew() const override { return new Counted(); }
};
class Lines : public MOutputSink
{
  public:
    void WriteLine(const char* line) override { text += std::string(line) + "\n"; }
    std::string text;
};
} // namespace

TEST(SystemManager, LogGoesToTheGivenSinksWithPrintfFormatting)
{
    MSystemManager m;
    Lines a, b, file;
    m.SetConsoleOutput(&a, &b);
    m.LogOutput("%s has %d items at %.2f", "list", 3, 1.5);
    m.SetConsoleOutput(&a, &a); // one sink given twice writes once
    m.LogOutput("<%s|%d>", std::string(5000, 'x').c_str(), 42);
    m.SetConsoleOutput(nullptr, &b);
    m.LogLine("as is %d");
    m.SetConsoleOutput();
    m.LogOutput("nowhere");
    m.SetLogFileOutput(&file);
    m.LogOutput("file %d", 1);
    EXPECT_EQ(a.text, "list has 3 items at 1.50\n<" + std::string(5000, 'x') + "|42>\n");
    EXPECT_EQ(b.text, "list has 3 items at 1.50\nas is %d\n");
    EXPECT_EQ(file.text, "file 1\n");
    EXPECT_EQ(m.GetLogLineCount(), 5);
    {
        TestSystem sys; // announced while it lives
        EXPECT_EQ(GetSystemManager(), &sys.manager);
        EXPECT_EQ(sys.manager.GetProgramFolder().str().back(), '/');
    }
    EXPECT_EQ(GetSystemManager(), nullptr);
    auto* gone = new MSystemManager();
    SetSystemManager(gone);
    delete gone;
    EXPECT_EQ(GetSystemManager(), nullptr);
}

TEST(SystemManager, MatchFilePatternWildcardsIgnoreCase)
{
    // Pattern and name, one pair after the other.
    const char* const matching[] = {
        "*.DLF", "Pellow.dlf", "*.dlf", "PELLOW.DLF", "?ellow.*", "Pellow.dlf", "a*b*c", "aXXbYYbc",
        "*ab",   "aab",        "*",     "",           "**",       "x",          "",      ""};
    const char* const different[] = {"*.DLF",    "Pellow.DLM", "*.DLF", "Pellow.DLF.bak",
                                     "?ellow.*", "ellow.dlf",  "",      "a",
                                     "a?",       "a"};
    for (size_t i = 0; i < std::size(matching); i += 2)
        EXPECT_TRUE(MatchFilePattern(matching[i], matching[i + 1])) << matching[i + 1];
    for (size_t i = 0; i < std::size(different); i += 2)
        EXPECT_FALSE(MatchFilePattern(different[i], different[i + 1])) << different[i + 1];
}

TEST(SystemManager, FindAndLoadDLLsSkipsAndLogsBadFiles)
{
    TestSystem sys;
    TempDir dir;
    dir.Write("x.DLF", "this is not a shared object\n");
    dir.Write("notes.txt", "not matched");
    fs::copy_file(BinDir() / "libtessary.so", dir.Path() / "bad.DLF");
    sys.manager.SetProgramFolder(dir.Path().string());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.dlf", true, true), 0);
    EXPECT_EQ(sys.manager.GetLoadedModuleCount(), 0);
    ASSERT_EQ(sys.log.lines.size(), 2u); // in name order
    EXPECT_NE(sys.log.lines[0].find("bad.DLF' skipped: it lacks one of the exports"),
              std::string::npos)
        << sys.log.lines[0];
    EXPECT_NE(sys.log.lines[1].find("x.DLF' skipped"), std::string::npos) << sys.log.lines[1];
    sys.log.lines.clear();
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", false, true), 0);
    EXPECT_TRUE(sys.log.lines.empty());
    sys.manager.SetProgramFolder((dir.Path() / "no such folder").string());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", true, true), 0);
    ASSERT_EQ(sys.log.lines.size(), 1u);
    EXPECT_NE(sys.log.lines[0].find("no such folder"), std::string::npos);
}

TEST(SystemManager, TranslatorRegistryKeepsOwnCopiesAndLooksUpByIndexAndFile)
{
    MSystemManager m;
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), nullptr);
    EXPECT_EQ(m.CreateMaterialTranslatorFilterString(), "");
    {
        FakeShaderTranslator shader, script("script"), exportOnly("out", "0");
        FakeImageTranslator tga;
        EXPECT_EQ(m.RegisterMaterialTranslator(&shader), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(&script), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(&exportOnly), 1);
        EXPECT_EQ(m.RegisterImageTranslator(&tga), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(nullptr), 0);
        EXPECT_NE(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1), &shader);
    } // the originals go; the manager's copies stay
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_MATERIAL), 3);
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_IMAGE), 1);
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_SCENE), 1); // the library's own scene files
    MTranslator* first = m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetParamByName("Ext"), "shader");
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 3)->GetParamByName("Ext"), "out");
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 0), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 4), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(-1, 1), nullptr);
    EXPECT_EQ(m.GetMaterialTranslator(0), first);
    EXPECT_EQ(m.GetMaterialTranslator(3), nullptr);
    EXPECT_EQ(m.GetSceneTranslator(0)->ClassName(), "MCompleteTranslator");
    EXPECT_EQ(m.GetSceneTranslator(1), nullptr);
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("maps/A.SCRIPT"), m.GetMaterialTranslator(1));
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), first);
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.out"), nullptr); // cannot import
    EXPECT_EQ(m.FindImageTranslatorThatImports("a.TGA"), m.GetImageTranslator(0));
    EXPECT_EQ(m.FindImageTranslatorThatImports("a.jpg"), nullptr);
    EXPECT_EQ(m.FindSceneTranslatorThatImports("/maps/Level.GLAZEN"), m.GetSceneTranslator(0));
    for (const char* name : {"a.shader", "a.glazen.bak", "/maps/glazen"})
        EXPECT_EQ(m.FindSceneTranslatorThatImports(name), nullptr) << name;
    EXPECT_EQ(m.FindTranslatorByClassName("FakeImageTranslator"), m.GetImageTranslator(0));
    EXPECT_EQ(m.CreateImageTranslatorFilterString(), "Targa|*.tga");
    EXPECT_EQ(m.CreateSceneAndMatTranslatorFilterString(),
              "Glazen Scene Files (*.glazen)|*.glazen|shader files|*.shader|script files|*.script|"
              "out files|*.out");
    // A translator whose copy is not a translator is refused without a leak.
    Counted::live = 0;
    MiscopyingTranslator odd;
    EXPECT_EQ(m.RegisterImageTranslator(&odd), 0);
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_IMAGE), 1);
    EXPECT_EQ(Counted::live, 0);
}

TEST(SystemManager, PrototypesOfEveryBuiltInClassMakeIndependentObjects)
{
    MSystemManager m;
    for (const char* name : {"MMaterial",
                             "MMaterialLayer",
                             "MFileShaderNode",
                             "MAnimFileShaderNode",
                             "MRGBGenShaderNode",
                             "MAlphaGenShaderNode",
                             "MBlendFuncShaderNode",
                             "MAlphaFuncShaderNode",
                             "MTCScrollShaderNode",
                             "MTCRotateShaderNode",
                             "MTCScaleShaderNode",
                             "MTCStretchShaderNode",
                             "MTCTurbShaderNode",
                             "MTCGenShaderNode",
                             "MQERadiantShaderNode",
                             "MQ3MapSurfaceShaderNode",
                             "MQ3SkyParmsShaderNode",
                             "MQ3SunShaderNode",
                             "MDeformVertsShaderNode",
                             "MVerbatimShaderNode"})
    {
        SCOPED_TRACE(name);
        MBaseObject* proto = m.FindPrototype(name);
        ASSERT_NE(proto, nullptr);
        proto->SetName("n1");
        MBaseObject* raw = m.CreateObject(name);
        EXPECT_EQ(raw->GetRefCount(), 0);
        MRef<MBaseObject> made(raw);
        EXPECT_EQ(made->ClassName() + made->GetName(), MStr(name) + "n1");
        ASSERT_EQ(made->GetParamCount(), proto->GetParamCount());
        for (int i = 0; i < made->GetParamCount(); ++i)
            EXPECT_EQ(made->GetParam(i)->GetName(), proto->GetParam(i)->GetName());
        made->SetName("changed");
        EXPECT_EQ(proto->GetName(), "n1");
    }
    EXPECT_EQ(m.CreateObject("MNothing"), nullptr);
    // A second prototype of a class replaces the first and releases it.
    MRef<MBaseObject> old(m.FindPrototype("MFileShaderNode"));
    const size_t count = m.GetPrototypes().size();
    auto* mine = new MFileShaderNode();
    mine->SetParamByName("Fname", "default.tga");
    m.RegisterPrototype(mine);
    m.RegisterPrototype(mine); // again: still held once
    m.RegisterPrototype(nullptr);
    EXPECT_EQ(m.GetPrototypes().size(), count);
    EXPECT_EQ(old->GetRefCount(), 1);
    EXPECT_EQ(mine->GetRefCount(), 1);
    MRef<MBaseObject> made(m.CreateObject("MFileShaderNode"));
    EXPECT_EQ(made->GetParamByName("Fname"), "default.tga");
}

TEST(SystemManager, FindImageFileIgnoresCaseAndTriesPlacesInOrder)
{
    TempDir first, second;
    const std::string wall = first.Write("Textures/Base/Wall.TGA", "a");
    const std::string wall2 = second.Write("textures/base/wall.tga", "b");
    const std::string extra = second.Write("textures/Extra.jpg", "c");
    first.Write("textures/folder.tga/inside.tga", "d"); // "textures" beside "Textures"
    MSystemManager m;
    EXPECT_EQ(m.FindImageFile("textures/base/wall.tga"), ""); // no search places yet
    m.GetImageSearchPaths().AddString(first.Path().string());
    m.GetImageSearchPaths().AddString(second.Path().string() + "/");
    EXPECT_EQ(m.FindImageFile("textures/base/wall.tga"), wall);
    EXPECT_EQ(m.FindImageFile("TEXTURES\\BASE\\WALL.tga"), wall);
    EXPECT_EQ(m.FindImageFile("textures/extra.JPG"), extra);
    EXPECT_EQ(m.FindImageFile(wall2), wall2); // a full path stands as it is
    // Missing, a folder, not an image, and nothing.
    for (const char* no : {"textures/base/missing.tga", "nofolder/wall.tga", "textures/base",
                           "textures/folder.tga", ""})
        EXPECT_EQ(m.FindImageFile(no), "") << no;
    m.GetImageSearchPaths().RemoveAt(0);
    EXPECT_EQ(m.FindImageFile("textures/base/WALL.tga"), wall2);
    // Relative names of full paths, with '/' separators.
    std::string backslashed = wall2, upper = extra;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(m.GetRelativeImageFilename(wall2), "textures/base/wall.tga");
    EXPECT_EQ(m.GetRelativeImageFilename(upper), "TEXTURES/EXTRA.JPG");
    EXPECT_EQ(m.GetRelativeImageFilename(backslashed), "textures/base/wall.tga");
    for (const std::string& outside : {wall, second.Path().string() + "x/a.tga", std::string()})
        EXPECT_EQ(m.GetRelativeImageFilename(outside), "") << outside;
}
