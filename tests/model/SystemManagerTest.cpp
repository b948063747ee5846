#include "MFile.h"
#include "MImage.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MTextureCache.h"
#include "MTranslator.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
constexpr size_t npos = std::string::npos;

namespace
{
// Extension and import ability are parameters, so the manager's copy keeps them.
class FakeShaderTranslator : public MMaterialTranslator
{
  public:
    FakeShaderTranslator(const char* ext = "shader", const char* imports = "1")
    {
        AddStringParam("Ext", ext);
        AddStringParam("Imports", imports);
    }
    M_DECLARE_CLASS(FakeShaderTranslator, MMaterialTranslator)
    MStr Ext() const { return GetParamByName("Ext"); }
    MStr GetFileFilter() const override { return Ext() + " files|*." + Ext().c_str(); }
    bool CanImport() const override { return GetParamByName("Imports") == "1"; }
    bool CanExport() const override { return true; }
    bool CanImportFile(MStr name) override
    {
        return name.Lowered().str().ends_with("." + Ext().str());
    }
    bool ImportFile(MStr, MScene*) override { return false; }
    bool ExportFile(MStr, MScene*) override { return false; }
    bool ExportObject(MStr, MBaseObject*) override { return false; }
};
// Reads ".tga" files (not "bad" ones) as 100 high and 32 wide per file byte.
class FakeImageTranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(FakeImageTranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "Targa|*.tga"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override { return fileName.Right(4).EqualsNoCase(".tga"); }
    bool ImportImage(MStr fileName, MImage* image) override
    {
        ++imports;
        return fileName.str().find("bad") == std::string::npos &&
               image->SetSize(32 * int(ReadWholeFile(fileName.str()).size()), 100);
    }
    bool ExportImage(MStr, MImage*) override { return false; }
    static inline int imports = 0;
};
// A translator whose CreateNew gives something that is not a translator.
class MiscopyingTranslator : public FakeImageTranslator
{
  public:
    MBaseObject* CreateNew() const override { return new Counted(); }
};
class TextureCacheFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        MTextureCache::Instance().Clear();
        FakeImageTranslator::imports = 0;
        FakeImageTranslator proto;
        sys.Manager().RegisterImageTranslator(&proto);
        sys.Manager().GetImageSearchPaths().AddString(dir.Path().string().c_str());
    }
    void TearDown() override { MTextureCache::Instance().Clear(); }
    std::string In(const TempDir& d, const char* name) const { return (d.Path() / name).string(); }
    TestSystem sys;
    TempDir dir;
};
} // namespace

TEST(SystemManager, LogGoesToTheGivenSinksAndBadPlugInFilesAreSkippedWithALogLine)
{
    MSystemManager m;
    CaptureSink a, b, file;
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
    using Lines = std::vector<std::string>;
    EXPECT_EQ(a.lines, (Lines{"list has 3 items at 1.50", "<" + std::string(5000, 'x') + "|42>"}));
    EXPECT_EQ(b.lines, (Lines{"list has 3 items at 1.50", "as is %d"}));
    EXPECT_EQ(file.lines, Lines{"file 1"});
    EXPECT_EQ(m.GetLogLineCount(), 5);
    auto* gone = new MSystemManager(); // an announced manager is forgotten as it goes
    SetSystemManager(gone);
    delete gone;
    EXPECT_EQ(GetSystemManager(), nullptr);
    TestSystem sys;
    TempDir dir;
    dir.Write("x.DLF", "this is not a shared object\n");
    dir.Write("notes.txt", "not matched");
    fs::copy_file(BinDir() / "libtessary.so", dir.Path() / "bad.DLF");
    sys.manager.SetProgramFolder(dir.Path().string());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.dlf", true, true), 0);
    EXPECT_EQ(sys.manager.GetLoadedModuleCount(), 0);
    ASSERT_EQ(sys.log.lines.size(), 2u); // in name order
    EXPECT_NE(sys.log.lines[0].find("bad.DLF' skipped: it lacks one of the exports"), npos);
    EXPECT_NE(sys.log.lines[1].find("x.DLF' skipped"), npos);
    sys.log.lines.clear();
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", false, true), 0); // quietly
    EXPECT_TRUE(sys.log.lines.empty());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("?.d*f", true, true), 0); // x.DLF alone
    EXPECT_EQ(sys.log.lines.size(), 1u);
    sys.manager.SetProgramFolder((dir.Path() / "no such folder").string());
    EXPECT_EQ(sys.manager.FindAndLoadDLLs("*.DLF", true, true), 0);
    EXPECT_NE(sys.log.lines.back().find("no such folder"), npos);
}
TEST(SystemManager, RegistriesKeepOwnCopiesAndImageFilesAreFoundInAnyCase)
{
    MSystemManager m;
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), nullptr);
    {
        FakeShaderTranslator shader, script("script"), exportOnly("out", "0");
        FakeImageTranslator tga;
        EXPECT_EQ(m.RegisterMaterialTranslator(&shader), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(&script), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(&exportOnly), 1);
        EXPECT_EQ(m.RegisterImageTranslator(&tga), 1);
        EXPECT_EQ(m.RegisterMaterialTranslator(nullptr), 0);
    } // the originals go; the manager's copies stay
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_MATERIAL), 3);
    EXPECT_EQ(m.GetTranslatorCount(TRANSLATOR_IMAGE), 1);
    MTranslator* first = m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetParamByName("Ext"), "shader");
    EXPECT_EQ(m.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, 3)->GetParamByName("Ext"), "out");
    for (auto [kind, index] : {std::pair(3, 1), {1, 0}, {1, 4}, {-1, 1}})
        EXPECT_EQ(m.GetTranslatorFromIndex(kind, index), nullptr) << kind << " " << index;
    EXPECT_EQ(m.GetMaterialTranslator(0), first);
    EXPECT_EQ(m.GetMaterialTranslator(3), nullptr);
    EXPECT_EQ(m.GetSceneTranslator(0)->ClassName(), "MCompleteTranslator");
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("maps/A.SCRIPT"), m.GetMaterialTranslator(1));
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.shader"), first);
    EXPECT_EQ(m.FindMaterialTranslatorThatImports("a.out"), nullptr); // cannot import
    EXPECT_EQ(m.FindImageTranslatorThatImports("a.TGA"), m.GetImageTranslator(0));
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
    std::istringstream classes(
        "MMaterial MMaterialLayer MFileShaderNode MAnimFileShaderNode MRGBGenShaderNode "
        "MAlphaGenShaderNode MBlendFuncShaderNode MAlphaFuncShaderNode MTCScrollShaderNode "
        "MTCRotateShaderNode MTCScaleShaderNode MTCStretchShaderNode MTCTurbShaderNode "
        "MTCGenShaderNode MQERadiantShaderNode MQ3MapSurfaceShaderNode MQ3SkyParmsShaderNode "
        "MQ3SunShaderNode MDeformVertsShaderNode MVerbatimShaderNode");
    for (std::string name; classes >> name;)
    {
        SCOPED_TRACE(name);
        MBaseObject* proto = m.FindPrototype(name.c_str());
        ASSERT_NE(proto, nullptr);
        proto->SetName("n1");
        MBaseObject* raw = m.CreateObject(name.c_str());
        EXPECT_EQ(raw->GetRefCount(), 0);
        MRef<MBaseObject> made(raw);
        EXPECT_EQ(made->ClassName() + made->GetName(), MStr(name + "n1"));
        EXPECT_EQ(made->GetParamCount(), proto->GetParamCount());
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
    // Image files are found in any case, trying the places in order.
    TempDir dirA, dirB;
    const std::string wall = dirA.Write("Textures/Base/Wall.TGA", "a");
    const std::string wall2 = dirB.Write("textures/base/wall.tga", "b");
    const std::string extra = dirB.Write("textures/Extra.jpg", "c");
    dirA.Write("textures/folder.tga/inside.tga", "d"); // "textures" beside "Textures"
    m.GetImageSearchPaths().AddString(dirA.Path().string());
    m.GetImageSearchPaths().AddString(dirB.Path().string() + "/");
    EXPECT_EQ(m.FindImageFile("textures/base/wall.tga"), wall);
    EXPECT_EQ(m.FindImageFile("textures/extra.JPG"), extra);
    EXPECT_EQ(m.FindImageFile(wall2), wall2); // a full path stands as it is
    for (const char* no : {"textures/base/missing.tga", "nofolder/wall.tga", "textures/base",
                           "textures/folder.tga", ""})
        EXPECT_EQ(m.FindImageFile(no), "") << no;
    m.GetImageSearchPaths().RemoveAt(0);
    EXPECT_EQ(m.FindImageFile("textures/base/WALL.tga"), wall2);
    std::string backslashed = wall2, upper = extra;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(m.GetRelativeImageFilename(wall2), "textures/base/wall.tga");
    EXPECT_EQ(m.GetRelativeImageFilename(upper), "TEXTURES/EXTRA.JPG");
    EXPECT_EQ(m.GetRelativeImageFilename(backslashed), "textures/base/wall.tga");
    for (const std::string& outside : {wall, dirB.Path().string() + "x/a.tga", std::string()})
        EXPECT_EQ(m.GetRelativeImageFilename(outside), "") << outside;
}
TEST_F(TextureCacheFiles, NamesResolveFilesAreDecodedOnceAndSizeMaterials)
{
    for (const char* name :
         {"textures/base/Wall.JPG", "textures/base/floor.tga", "textures/base/Sky.png"})
        dir.Write(name, "x");
    MTextureCache& cache = MTextureCache::Instance();
    auto resolve = [&](const char* name) { return cache.ResolveImageName(name).str(); };
    EXPECT_EQ(resolve("textures\\BASE\\wall.tga"), In(dir, "textures/base/Wall.JPG"));
    EXPECT_EQ(resolve("textures/base/floor.jpg"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/floor.TGA"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/floor.png"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/sky.tga"), In(dir, "textures/base/Sky.png"));
    // Other extensions are looked up only as named.
    for (const char* none : {"textures/base/none.tga", "textures/base/floor.bmp", ""})
        EXPECT_EQ(resolve(none), "") << none;
    // Other search places give other answers for the same name.
    TempDir other;
    other.Write("textures/base/none.tga", "x");
    sys.Manager().GetImageSearchPaths().AddString(other.Path().string().c_str());
    EXPECT_EQ(resolve("textures/base/none.tga"), In(other, "textures/base/none.tga"));
    const MStr good = dir.Write("good.tga", "x");
    const MStr bad = dir.Write("bad.tga", "x");
    const MImage* first = cache.GetImage(good);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetWidth(), 32);
    EXPECT_EQ(cache.GetImage(good), first);
    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);
    EXPECT_EQ(cache.GetDecodeCount(), 2);
    EXPECT_EQ(std::count(sys.log.lines.begin(), sys.log.lines.end(),
                         "Texture '" + bad.str() + "' could not be read."),
              1);
    // A file no translator takes cannot be read either.
    EXPECT_EQ(cache.GetImage(dir.Write("picture.png", "x")), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);
    // Clear forgets the pictures and the count: the next request reads the file again.
    cache.Clear();
    EXPECT_EQ(cache.GetDecodeCount(), 0);
    EXPECT_NE(cache.GetImage(good), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 3);
    // Materials are sized from their first map, else their editor image.
    dir.Write("e.tga", "xxx");
    dir.Write("s.tga", "xxxxx");
    dir.Write("huge.tga", std::string(20, 'x'));
    MScene* scene = sys.Scene();
    auto add = [&](MBaseObject* o, MBaseObject* parent = nullptr)
    {
        scene->AddObject(o, parent ? scene->FindObject(parent) : nullptr);
        return o;
    };
    // Editor image, stage map, animation frame: the width they give.
    const std::tuple<const char*, const char*, const char*, float> cases[] = {
        {"e.tga", "", "", 96},
        {"e.tga", "s.tga", "", 160},
        {"e.tga", "", "huge.tga", 256},
        {"", "none.tga", "", 128},
        {"", "", "", 128}};
    for (const auto& [editor, map, frame, width] : cases)
    {
        SCOPED_TRACE(std::string(editor) + map + frame);
        MBaseObject* m = add(new MMaterial());
        add(new MQERadiantShaderNode(), add(new MMaterialLayer(), m))
            ->SetParamByName("qer_editorimage", editor);
        MBaseObject* stage = add(new MMaterialLayer(), m);
        if (*map)
            add(new MFileShaderNode(), stage)->SetParamByName("Fname", map);
        if (*frame)
            add(new MAnimFileShaderNode(), stage)->SetParamByName("Fname0", frame);
        MVector3 lo, hi;
        ASSERT_TRUE(scene->GetMaterialSurface(m, lo, hi));
        EXPECT_EQ(hi.x - lo.x, width);
        EXPECT_EQ(hi.y - lo.y, width == 128 ? 128 : 100);
    }
}
