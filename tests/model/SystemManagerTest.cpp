#include "MFile.h"
#include "MMaterial.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MTranslator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
// A translator whose extension and import ability are parameters, so the
// copy the manager keeps (made with CreateNew) behaves like the original.
class FakeShaderTranslator : public MMaterialTranslator
{
  public:
    FakeShaderTranslator()
    {
        AddStringParam("Ext", "shader");
        AddStringParam("Imports", "1");
    }
    M_DECLARE_CLASS(FakeShaderTranslator, MMaterialTranslator)
    MStr GetFileFilter() const override
    {
        const MStr ext = GetParamByName("Ext");
        return ext + " files|*." + ext.c_str();
    }
    bool CanImport() const override { return GetParamByName("Imports") == "1"; }
    bool CanExport() const override { return true; }
    bool CanImportFile(MStr fileName) override
    {
        const MStr ext = "." + GetParamByName("Ext").str();
        return fileName.GetLength() > ext.GetLength() &&
               fileName.Right(ext.GetLength()).CompareNoCase(ext) == 0;
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

bool LogHas(const CaptureSink& log, const std::string& part)
{
    for (const std::string& line : log.lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}
} // namespace

TEST(SystemManager, LogGoesToTheGivenSinksWithPrintfFormatting)
{
    MSystemManager m;
    Lines a, b;
    m.SetConsoleOutput(&a, &b);
    m.LogOutput("%s has %d items at %.2f", "list", 3, 1.5);
    m.SetConsoleOutput(&a, &a); // one sink given twice writes once
    m.LogOutput("only a");
    m.SetConsoleOutput(nullptr, &b);
    m.LogOutput("only b");
    m.SetConsoleOutput();
    m.LogOutput("nowhere");
    EXPECT_EQ(a.text, "list has 3 items at 1.50\nonly a\n");
    EXPECT_EQ(b.text, "list has 3 items at 1.50\nonly b\n");
    EXPECT_EQ(m.GetLogLineCount(), 4);

    const std::string longText(5000, 'x');
    m.SetConsoleOutput(&a);
    a.text.clear();
    m.LogOutput("<%s|%d>", longText.c_str(), 42);
    EXPECT_EQ(a.text, "<" + longText + "|42>\n");
    m.LogLine("as is %d");
    EXPECT_EQ(a.text.substr(a.text.size() - 9), "as is %d\n");
}

TEST(SystemManager, AnnouncedManagerIsFoundUntilItGoes)
{
    {
        TestSystem sys;
        EXPECT_EQ(GetSystemManager(), &sys.manager);
        ASSERT_NE(sys.Scene(), nullptr);
        EXPECT_EQ(sys.Scene()->GetObjectCount(), 0);
        EXPECT_EQ(sys.manager.GetProgramFolder().str().back(), '/');
    }
    EXPECT_EQ(GetSystemManager(), nullptr);
    auto* m = new MSystemManager();
    SetSystemManager(m);
    delete m;
    EXPECT_EQ(GetSystemManager(), nullptr);
}

TEST(SystemManager, MatchFilePatternWildcardsIgnoreCase)
{
    EXPECT_TRUE(MatchFilePattern("*.DLF", "Pellow.dlf"));
    EXPECT_TRUE(MatchFilePattern("*.dlf", "PELLOW.DLF"));
    EXPECT_FALSE(MatchFilePattern("*.DLF", "Pellow.DLM"));
    EXPECT_FALSE(MatchFilePattern("*.DLF", "Pellow.DLF.bak"));
    EXPECT_TRUE(MatchFilePattern("?ellow.*", "Pellow.dlf"));
    EXPECT_FALSE(MatchFilePattern("?ellow.*", "ellow.dlf"));
    EXPECT_TRUE(MatchFilePattern("a*b*c", "aXXbYYbc"));
    EXPECT_TRUE(MatchFilePattern("*ab", "aab"));
    EXPECT_TRUE(MatchFilePattern("*", ""));
    EXPECT_TRUE(MatchFilePattern("**", "x"));
    EXPECT_FALSE(MatchFilePattern("", "a"));
    EXPECT_FALSE(MatchFilePattern("a?", "a"));
    EXPECT_TRUE(MatchFilePattern("", ""));
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
    EXPECT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_MATERIAL), 0);
    ASSERT_EQ(sys.log.lines.size(), 2u);
    // Name order: bad.DLF before x.DLF.
    EXPECT_NE(sys.log.lines[0].find("bad.DLF' skipped: it lacks one of the exports"),
              std::string::npos)
        << sys.log.lines[0];
    EXPECT_NE(sys.log.lines[1].find("x.DLF' skipped"), std::string::npos) << sys.log.lines[1];
    EXPECT_FALSE(LogHas(sys.log, "notes.txt"));

    sys.log.lines.clear();
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", false, true), 0);
    EXPECT_TRUE(sys.log.lines.empty());

    sys.manager.SetProgramFolder((dir.Path() / "no such folder").string());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", true, true), 0);
    EXPECT_TRUE(LogHas(sys.log, "no such folder"))
        << (sys.log.lines.empty() ? "" : sys.log.lines[0]);
}

TEST(SystemManager, TranslatorRegistryKeepsOwnCopiesAndLooksUpByIndexAndFile)
{
    MSystemManager m;
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1), nullptr);
    EXPECT_EQ(m.CreateMaterialTranslatorFilterString(), "");

    {
        FakeShaderTranslator shader;
        FakeShaderTranslator script;
        script.SetParamByName("Ext", "script");
        FakeShaderTranslator exportOnly;
        exportOnly.SetParamByName("Ext", "out");
        exportOnly.SetParamByName("Imports", "0");
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
    EXPECT_EQ(m.GetTranslatorCount(7), 0);
    MTranslator* first = m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetParamByName("Ext"), "shader");
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 3)->GetParamByName("Ext"), "out");
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 0), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 4), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(-1, 1), nullptr);
    EXPECT_EQ(m.GetTranslatorFromIndex(3, 1), nullptr);
    EXPECT_EQ(m.GetMaterialTranslator(0), first);
    EXPECT_EQ(m.GetMaterialTranslator(3), nullptr);
    ASSERT_NE(m.GetSceneTranslator(0), nullptr);
    EXPECT_EQ(m.GetSceneTranslator(0)->ClassName(), "MCompleteTranslator");
    EXPECT_EQ(m.GetSceneTranslator(1), nullptr);
    EXPECT_EQ(m.FindSceneTranslatorThatImports("x.GLAZEN"), m.GetSceneTranslator(0));

    EXPECT_EQ(m.FindMaterialTranslatorThatImports("maps/A.SCRIPT"),
              m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 2));
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), first);
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.out"), nullptr); // cannot import
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.tga"), nullptr);
    EXPECT_EQ(m.FindImageTranslatorThatImports("a.TGA"), m.GetImageTranslator(0));
    EXPECT_EQ(m.FindImageTranslatorThatImports("a.jpg"), nullptr);
    EXPECT_EQ(m.FindSceneTranslatorThatImports("a.shader"), nullptr);
    EXPECT_EQ(m.FindTranslatorByClassName("FakeImageTranslator"), m.GetImageTranslator(0));
    EXPECT_EQ(m.FindTranslatorByClassName("Nothing"), nullptr);
    EXPECT_EQ(m.CreateMaterialTranslatorFilterString(),
              "shader files|*.shader|script files|*.script|out files|*.out");
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

TEST(SystemManager, PrototypesForEveryBuiltInClass)
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
        EXPECT_EQ(proto->ClassName(), name);
        MBaseObject* raw = m.CreateObject(name);
        ASSERT_NE(raw, nullptr);
        EXPECT_NE(raw, proto);
        EXPECT_EQ(raw->GetRefCount(), 0);
        MRef<MBaseObject> made(raw);
        EXPECT_EQ(made->ClassName(), name);
        EXPECT_EQ(made->GetParamCount(), proto->GetParamCount());
        made->SetName("changed");
        EXPECT_NE(proto->GetName(), "changed");
    }
    EXPECT_EQ(m.CreateObject("MNothing"), nullptr);

    // A second prototype of a class replaces the first and releases it.
    MRef<MBaseObject> old(m.FindPrototype("MFileShaderNode"));
    EXPECT_EQ(old->GetRefCount(), 2);
    const size_t count = m.GetPrototypes().size();
    auto* mine = new MFileShaderNode();
    mine->SetParamByName("Fname", "default.tga");
    m.RegisterPrototype(mine);
    m.RegisterPrototype(mine); // again: still held once
    m.RegisterPrototype(nullptr);
    EXPECT_EQ(m.GetPrototypes().size(), count);
    EXPECT_EQ(old->GetRefCount(), 1);
    EXPECT_EQ(mine->GetRefCount(), 1);
    EXPECT_EQ(m.FindPrototype("MFileShaderNode"), mine);
    MRef<MBaseObject> made(m.CreateObject("MFileShaderNode"));
    EXPECT_EQ(made->GetParamByName("Fname"), "default.tga");
}

TEST(SystemManager, FindImageFileIgnoresCaseAndTriesPlacesInOrder)
{
    TempDir first, second;
    const std::string wall = first.Write("Textures/Base/Wall.TGA", "a");
    const std::string wall2 = second.Write("textures/base/wall.tga", "b");
    const std::string extra = second.Write("textures/Extra.jpg", "c");
    first.Write("textures/folder.tga/inside.tga", "d");
    MSystemManager m;
    EXPECT_EQ(m.FindImageFile("textures/base/wall.tga"), ""); // no search places yet
    m.GetImageSearchPaths().AddString(first.Path().string());
    m.GetImageSearchPaths().AddString(second.Path().string() + "/");

    EXPECT_EQ(m.FindImageFile("textures/base/wall.tga"), wall);
    EXPECT_EQ(m.FindImageFile("TEXTURES\\BASE\\WALL.tga"), wall);
    EXPECT_EQ(m.FindImageFile("textures/extra.JPG"), extra);
    EXPECT_EQ(m.FindImageFile("textures/base/missing.tga"), "");
    EXPECT_EQ(m.FindImageFile("nofolder/wall.tga"), "");
    EXPECT_EQ(m.FindImageFile("textures/base"), ""); // a folder, not an image
    EXPECT_EQ(m.FindImageFile("textures/folder.tga"), "");
    EXPECT_EQ(m.FindImageFile(""), "");
    EXPECT_EQ(m.FindImageFile(wall2), wall2); // a full path stands as it is

    m.GetImageSearchPaths().RemoveAt(0);
    EXPECT_EQ(m.FindImageFile("textures/base/WALL.tga"), wall2);

    // Relative names of full paths, with '/' separators.
    EXPECT_EQ(m.GetRelativeImageFilename(wall2), "textures/base/wall.tga");
    std::string upper = extra;
    for (char& c : upper)
        c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    EXPECT_EQ(m.GetRelativeImageFilename(upper), "TEXTURES/EXTRA.JPG");
    std::string backslashed = wall2;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    EXPECT_EQ(m.GetRelativeImageFilename(backslashed), "textures/base/wall.tga");
    EXPECT_EQ(m.GetRelativeImageFilename(wall), "");
    EXPECT_EQ(m.GetRelativeImageFilename(second.Path().string() + "x/a.tga"), "");
    EXPECT_EQ(m.GetRelativeImageFilename(""), "");
}
