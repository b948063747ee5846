// The configuration: the registry names, the chunk file (written and read)
// and loading and saving at start-up and shutdown.
#include "AppTest.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "MRegistry.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
// Little-endian bytes built by hand, independent of the writer.
struct Bytes
{
    std::string s;
    Bytes& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            s += char((v >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& Str(const std::string& text) { return Raw(text + '\0'); }
    Bytes& Raw(const std::string& raw)
    {
        s += raw;
        return *this;
    }
    Bytes& Chunk(uint32_t tag, const Bytes& body)
    {
        return U32(tag).U32(body.s.size()).Raw(body.s);
    }
    Bytes& Header(uint32_t version = 16) { return Chunk(0x63666732, Bytes().U32(version)); }
    Bytes& NamedInt(const std::string& key, uint32_t v)
    {
        return Chunk(162, Bytes().Str(key).U32(v));
    }
    Bytes& NamedString(const std::string& key, const std::string& value)
    {
        return Chunk(163, Bytes().Str(key).Str(value));
    }
    Bytes& Colour(const std::string& name, uint32_t value)
    {
        return Str(name).U32(36).U32(4).U32(value);
    }
};

void Apply(const Bytes& b)
{
    ApplyConfigData(b.s.data(), b.s.size());
}

// Every setting the configuration file touches at its start-up state.
void ResetSettings()
{
    for (MStr& name : g_RecentFiles)
        name = MStr();
    g_RecentFileCount = kRecentFileSlots;
    ResetDisplayColours();
    g_UndoList.SetLimit(-1);
    g_Config.m_ConfigFileName = "Glazen.CFG";
    g_Config.m_KeyFileName = "Glazen.KEY";
}

class ConfigTest : public AppTest
{
  protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ResetSettings();
    }
    void TearDown() override
    {
        ResetSettings();
        AppTest::TearDown();
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
    }
    MStrList& Paths() { return sys.Manager().GetImageSearchPaths(); }
    std::vector<std::string> PathTexts()
    {
        std::vector<std::string> out;
        for (const MStr& p : Paths())
            out.push_back(p.str());
        return out;
    }
    std::vector<uint32_t> Colours() { return {g_ColourValues.begin(), g_ColourValues.end()}; }
};

TEST_F(ConfigTest, WrittenFileHasTheChunkLayoutAndReadsBack)
{
    g_RecentFileCount = 2;
    g_RecentFiles[0] = "a.shader";
    g_RecentFiles[2] = "not written";
    g_ColourValues[3] = MakeColourValue(1, 2, 3);
    ASSERT_TRUE(g_UndoList.SetLimit(30));
    Paths().AddString("/textures");
    Paths().AddString("/with space/b");
    Bytes colours;
    colours.U32(12);
    const char* names[] = {"Background",       "Grid",           "Object",
                           "Object Selection", "Component",      "Component Selection",
                           "Normal Hilight",   "Normal Lolight", "Select Box",
                           "X Axis",           "Y Axis",         "Z Axis"};
    for (int i = 0; i < 12; ++i)
        colours.Colour(names[i], i == 3 ? 0x030201 : DefaultColourValue(i));
    Bytes expected;
    expected.Header()
        .Chunk(34, Bytes().U32(2).Str("a.shader").Str(""))
        .Chunk(35, colours)
        .NamedInt("UMaxNodes", 30)
        .NamedString("Name", "/textures")
        .NamedString("Name", "/with space/b");
    const std::string path = (dir.Path() / "Glazen.CFG").string();
    ASSERT_EQ(WriteConfigFile(path), 1);
    EXPECT_EQ(ReadWholeFile(path), expected.s);

    const std::vector<uint32_t> colourValues = Colours();
    ResetSettings();
    Paths().RemoveAll();
    ASSERT_EQ(ReadConfigFile(path), 1);
    EXPECT_EQ(g_RecentFileCount, 2);
    EXPECT_EQ(g_RecentFiles[0].str(), "a.shader");
    EXPECT_EQ(g_RecentFiles[2].str(), "");
    EXPECT_EQ(Colours(), colourValues);
    EXPECT_EQ(g_UndoList.GetLimit(), 30);
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/textures", "/with space/b"}));
    // The unlimited undo list (-1) survives too.
    g_UndoList.SetLimit(-1);
    ASSERT_EQ(WriteConfigFile(path), 1);
    g_UndoList.SetLimit(12);
    ASSERT_EQ(ReadConfigFile(path), 1);
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
}

TEST_F(ConfigTest, MissingOrUnwritableFilesReturnZeroAndChangeNothing)
{
    EXPECT_EQ(ReadConfigFile((dir.Path() / "none.cfg").string()), 0);
    EXPECT_EQ(ReadConfigFile(dir.Path().string()), 0); // a folder
    EXPECT_EQ(g_RecentFileCount, kRecentFileSlots);
    const fs::path unwritable = dir.Path() / "missing-folder" / "Glazen.CFG";
    EXPECT_EQ(WriteConfigFile(unwritable.string()), 0);
    EXPECT_FALSE(fs::exists(unwritable));
    EXPECT_EQ(sys.log.lines.back().rfind("Could not write configuration file", 0), 0u);
}

TEST_F(ConfigTest, ColoursAreMatchedInTableOrder)
{
    struct Case
    {
        const char* what;
        Bytes entries;
        std::map<int, uint32_t> changed; // the rest keep their defaults
    } cases[] = {
        {"names in any case",
         Bytes().U32(3).Colour("background", 1).Colour("GRID", 2).Colour("Object", 3),
         {{0, 1}, {1, 2}, {2, 3}}},
        // A name left out is skipped over; one out of table order stops the
        // matching of it and of all after it.
        {"out of order",
         Bytes()
             .U32(4)
             .Colour("Grid", 4)
             .Colour("Select Box", 5)
             .Colour("Object", 6)
             .Colour("Z Axis", 7),
         {{1, 4}, {8, 5}}},
        // Sub-chunk 37 is consumed without effect; the next entry lines up.
        {"sub-chunk 37",
         Bytes().U32(2).Str("Background").U32(37).U32(1).Raw("\x7F").Colour("Grid", 8),
         {{1, 8}}},
        // A value sub-chunk of the wrong size is consumed but not applied.
        {"value of two bytes",
         Bytes().U32(2).Str("Background").U32(36).U32(2).Raw("ab").Colour("Grid", 9),
         {{1, 9}}},
        {"count of one", Bytes().U32(1).Colour("Background", 10).Colour("Grid", 11), {{0, 10}}},
        {"count beyond the entries", Bytes().U32(0x7FFFFFFF).Colour("Background", 12), {{0, 12}}},
        {"sub-chunk longer than its chunk",
         Bytes().U32(1).Str("Background").U32(36).U32(0xFFFFFFF0).U32(1),
         {}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ResetDisplayColours();
        Apply(Bytes().Header().Chunk(35, c.entries));
        for (int i = 0; i < kDisplayColourCount; ++i)
            EXPECT_EQ(g_ColourValues[i],
                      c.changed.count(i) ? c.changed.at(i) : DefaultColourValue(i))
                << i;
    }
}

TEST_F(ConfigTest, NamedValuesSetTheUndoLimitAndSearchPaths)
{
    Apply(Bytes()
              .Header()
              .NamedInt("umaxnodes", 25)
              .NamedInt("SomethingElse", 3)
              .NamedString("MapName", "/ignored")
              .NamedString("mapname", "/ignored too")
              .NamedString("Name", "/kept")
              .NamedString("Other", "/kept too"));
    EXPECT_EQ(g_UndoList.GetLimit(), 25);
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/kept", "/kept too"}));
    // Limits of 0 and other negatives than -1 are refused and logged.
    Apply(Bytes().NamedInt("UMaxNodes", 0).NamedInt("UMaxNodes", uint32_t(-5)));
    EXPECT_EQ(g_UndoList.GetLimit(), 25);
    for (int refused : {0, -5})
        EXPECT_TRUE(sys.log.Contains(
            MStr::Printf("Configuration: undo limit %d is not valid; the limit stays 25.", refused)
                .str()));
    Apply(Bytes().NamedInt("UMaxNodes", uint32_t(-1)));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
    // A version other than 16 stops the reading at its header.
    Paths().RemoveAll();
    Apply(Bytes().NamedString("Name", "/before").Header(15).NamedString("Name", "/after"));
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/before"}));
}

TEST_F(ConfigTest, RecentFileCountIsCutToTheTextsPresent)
{
    struct Case
    {
        Bytes data;
        int count;
        const char* last; // the text in the last slot counted
    } cases[] = {
        {Bytes().Chunk(34, Bytes().U32(0)), 0, nullptr},
        {Bytes().Chunk(34, Bytes().U32(9).Str("1").Str("2").Str("3").Str("4").Str("5").Str("6")), 5,
         "5"},
        {Bytes().Chunk(34, Bytes().U32(uint32_t(-3)).Str("x")), 0, nullptr},
        // The next chunk's texts are not borrowed, and it does not apply.
        {Bytes().Chunk(34, Bytes().U32(5).Str("one").Str("two")).NamedString("Name", "/no"), 2,
         "two"},
        // Unknown and ignored tags are skipped by their length.
        {Bytes()
             .Chunk(33, Bytes().U32(1))
             .Chunk(160, Bytes().Str("ignored"))
             .Chunk(0x7777, Bytes().Raw("junk"))
             .Chunk(34, Bytes().U32(1).Str("only")),
         1, "only"}};
    for (const Case& c : cases)
    {
        ResetSettings();
        g_RecentFiles[0] = "old";
        Apply(c.data);
        EXPECT_EQ(g_RecentFileCount, c.count);
        EXPECT_EQ(g_RecentFiles[std::max(c.count, 1) - 1].str(), c.last ? c.last : "");
        EXPECT_TRUE(g_RecentFiles[c.count].IsEmpty()) << c.count;
        EXPECT_EQ(Paths().GetCount(), 0);
    }
}

TEST_F(ConfigTest, DamagedDataKeepsWhatCameBefore)
{
    struct Case
    {
        const char* what;
        Bytes data;
        std::vector<std::string> paths;
    } cases[] = {
        {"chunk past the end",
         Bytes().Header().NamedString("Name", "/first").U32(163).U32(100).Str("Name").Str("/x"),
         {"/first"}},
        {"length 0xFFFFFFFF", Bytes().U32(163).U32(0xFFFFFFFF).Str("Name").Str("/x"), {}},
        {"length 0xFFFFFFF8", Bytes().U32(163).U32(0xFFFFFFF8).Str("Name").Str("/x"), {}},
        {"length 0x80000000", Bytes().U32(163).U32(0x80000000).Str("Name").Str("/x"), {}},
        // The zero of the next chunk must not be taken for the text's own.
        {"text without its zero",
         Bytes().Chunk(163, Bytes().Str("Name").Raw("/unterminated")).NamedString("Name", "/after"),
         {}},
        {"integer without its value",
         Bytes().Chunk(162, Bytes().Str("UMaxNodes").Raw("\x05\0")).NamedString("Name", "/x"),
         {}},
        {"header without its version",
         Bytes().Chunk(0x63666732, Bytes()).NamedString("Name", "/x"),
         {}},
        {"short chunk header", Bytes().Raw("2gf"), {}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Paths().RemoveAll();
        sys.log.lines.clear();
        Apply(c.data);
        EXPECT_EQ(PathTexts(), c.paths);
        EXPECT_EQ(g_UndoList.GetLimit(), -1);
        EXPECT_EQ(sys.log.lines.size(), 1u); // the damage is logged
    }
    ApplyConfigData(nullptr, 0);
    ApplyConfigData("", 0);
}

TEST_F(ConfigTest, RegistryNamesLeadTheLoadAndSaveWritesThemBack)
{
    const MStr key = "Software\\Orrick\\GlazenTest\\1.0\\";
    ASSERT_EQ(ReadRegistryNames(key), 1); // a new key: the names in use stay
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Glazen.CFG");
    EXPECT_EQ(ReadRegistryNames(""), 0); // a key that cannot be opened
    EXPECT_EQ(WriteRegistryNames(""), 0);
    // An empty value names no file and is not taken.
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRegistryKeyPath, MREG_WRITE, true));
    ASSERT_TRUE(reg.WriteString("CFGFile", "Custom.CFG"));
    ASSERT_TRUE(reg.WriteString("KeyFile", ""));
    reg.CloseKey();
    dir.Write("Custom.CFG", Bytes().Header().NamedInt("UMaxNodes", 11).s);
    dir.Write("Glazen.CFG", Bytes().Header().NamedInt("UMaxNodes", 99).s);
    LoadConfiguration();
    EXPECT_EQ(g_UndoList.GetLimit(), 11);
    EXPECT_EQ(g_Config.m_KeyFileName.str(), "Glazen.KEY");
    EXPECT_EQ(g_KeyBindingTable.GetActionRegistry(), &g_ActionRegistry);
    const std::string folder = dir.Path().string() + "/";
    const std::string wanted[] = {"Loading Registry Settings from Software\\Orrick\\Glazen\\1.0\\",
                                  "Loading Configuration from " + folder + "Custom.CFG",
                                  "Initialising General Action List",
                                  "Loading Keyboard Configuration from " + folder + "Glazen.KEY"};
    auto at = sys.log.lines.begin();
    for (const std::string& line : wanted)
        EXPECT_NE(at = std::find(at, sys.log.lines.end(), line), sys.log.lines.end()) << line;

    g_Config.m_ConfigFileName = "Saved.CFG";
    g_Config.m_KeyFileName = "keys.KEY";
    SaveConfiguration();
    EXPECT_EQ(ReadWholeFile(dir.Path() / "Saved.CFG"), FormatConfigData());
    EXPECT_TRUE(fs::exists(dir.Path() / "keys.KEY"));
    g_Config.m_ConfigFileName = g_Config.m_KeyFileName = "x";
    ASSERT_EQ(ReadRegistryNames(kRegistryKeyPath), 1);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Saved.CFG");
    EXPECT_EQ(g_Config.m_KeyFileName.str(), "keys.KEY");
}
} // namespace
