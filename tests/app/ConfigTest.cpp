// The configuration: the registry names, the chunk file (written and read),
// loading and saving at start-up and shutdown, and tool preference scripts.
#include "AppTest.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "MRegistry.h"
#include "MScriptInterpreter.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace
{
// Little-endian bytes built by hand, independent of the writer.
using Text = const std::string&;
struct Bytes
{
    std::string s;
    Bytes& Raw(Text r) { return s += r, *this; }
    Bytes& U32(uint32_t v) { return Raw({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); }
    Bytes& Str(Text t) { return Raw(t + '\0'); }
    Bytes& Chunk(uint32_t tag, const Bytes& body)
    {
        return U32(tag).U32(body.s.size()).Raw(body.s);
    }
    Bytes& Header(uint32_t version = 16) { return Chunk(0x63666732, Bytes().U32(version)); }
    Bytes& NamedInt(Text key, uint32_t v) { return Chunk(162, Bytes().Str(key).U32(v)); }
    Bytes& NamedString(Text key, Text value) { return Chunk(163, Bytes().Str(key).Str(value)); }
    Bytes& Colour(Text name, uint32_t value) { return Str(name).U32(36).U32(4).U32(value); }
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
    std::string PathTexts()
    {
        std::string out;
        for (const MStr& p : Paths())
            out += p.str() + " ";
        return out;
    }
    std::string ToolPath(const std::string& tool) const
    {
        return (dir.Path() / "Prefs" / "Tools" / (tool + ".ascr")).string();
    }
    std::string WriteTool(const std::string& tool, const std::string& text) const
    {
        return dir.Write("Prefs/Tools/" + tool + ".ascr", text);
    }
};

TEST_F(ConfigTest, WrittenFileHasTheChunkLayoutReadsBackAndRegistryNamesLeadTheLoad)
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
    // Read back, the settings are written as the same bytes.
    ResetSettings();
    Paths().RemoveAll();
    ASSERT_EQ(ReadConfigFile(path), 1);
    EXPECT_EQ(FormatConfigData(), expected.s);
    g_UndoList.SetLimit(-1);
    ASSERT_EQ(WriteConfigFile(path), 1);
    g_UndoList.SetLimit(12);
    ASSERT_EQ(ReadConfigFile(path), 1);
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
    // Files that cannot be read or written: 0, and nothing changes.
    EXPECT_EQ(ReadConfigFile((dir.Path() / "none.cfg").string()), 0);
    EXPECT_EQ(ReadConfigFile(dir.Path().string()), 0); // a folder
    EXPECT_EQ(WriteConfigFile((dir.Path() / "no" / "Glazen.CFG").string()), 0);
    EXPECT_EQ(sys.log.lines.back().rfind("Could not write configuration file", 0), 0u);
    // The registry names lead the load, and the save writes them back.
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
    EXPECT_TRUE(
        sys.log.Contains("Loading Configuration from " + dir.Path().string() + "/Custom.CFG"));
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

TEST_F(ConfigTest, ChunksApplyUntilDamageColoursMatchInOrderNamedValuesSetLimitAndPaths)
{
    EXPECT_EQ(DefaultColourValue(COLOUR_BACKGROUND), MakeColourValue(102, 102, 102));
    EXPECT_EQ(DefaultColourValue(kDisplayColourCount) + DefaultColourValue(-1), 0u);
    // The entries, and the colours they change; the rest keep their defaults.
    const std::tuple<const char*, Bytes, std::map<int, uint32_t>> cases[] = {
        {"names in any case",
         Bytes().U32(3).Colour("background", 1).Colour("GRID", 2).Colour("Object", 3),
         {{0, 1}, {1, 2}, {2, 3}}},
        // Names may be left out; one out of table order stops the matching.
        {"out of order",
         Bytes().U32(3).Colour("Grid", 4).Colour("Select Box", 5).Colour("Object", 6),
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
        {"count beyond the entries", Bytes().U32(0x7FFFFFFF).Colour("Background", 12), {{0, 12}}}};
    for (const auto& [what, entries, changed] : cases)
    {
        SCOPED_TRACE(what);
        ResetDisplayColours();
        Apply(Bytes().Header().Chunk(35, entries));
        for (int i = 0; i < kDisplayColourCount; ++i)
            EXPECT_EQ(g_ColourValues[i], changed.count(i) ? changed.at(i) : DefaultColourValue(i))
                << i;
    }
    // Named values set the undo limit and the search paths.
    Apply(Bytes()
              .Header()
              .NamedInt("umaxnodes", 25)
              .NamedInt("SomethingElse", 3)
              .NamedString("MapName", "/ignored")
              .NamedString("Name", "/kept")
              .NamedString("Other", "/kept too"));
    EXPECT_EQ(g_UndoList.GetLimit(), 25);
    EXPECT_EQ(PathTexts(), "/kept /kept too ");
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
    EXPECT_EQ(PathTexts(), "/before ");
    // Chunks apply until the first damage; recent-file counts are cut to the slots.
    // The search paths left, the recent-file count and last name counted,
    // and whether the reading stopped at damage (logged).
    const std::tuple<const char*, Bytes, const char*, int, const char*, bool> chunks[] = {
        {"count 0", Bytes().Chunk(34, Bytes().U32(0)), "", 0, "", false},
        {"count over the slots",
         Bytes().Chunk(34, Bytes().U32(9).Str("1").Str("2").Str("3").Str("4").Str("5").Str("6")),
         "", 5, "5", false},
        {"negative count", Bytes().Chunk(34, Bytes().U32(uint32_t(-3)).Str("x")), "", 0, "", false},
        // The next chunk's texts are not borrowed, and it does not apply.
        {"count over the texts",
         Bytes().Chunk(34, Bytes().U32(5).Str("one").Str("two")).NamedString("Name", "/no"), "", 2,
         "two", true},
        {"unknown tags skipped by their length",
         Bytes()
             .Chunk(33, Bytes().U32(1))
             .Chunk(160, Bytes().Str("x"))
             .Chunk(0x7777, Bytes().Raw("junk"))
             .Chunk(34, Bytes().U32(1).Str("only")),
         "", 1, "only", false},
        {"chunk past the end",
         Bytes().Header().NamedString("Name", "/first").U32(163).U32(100).Str("Name").Str("/x"),
         "/first ", 5, "", true},
        {"length 0xFFFFFFFF", Bytes().U32(163).U32(0xFFFFFFFF).Str("Name").Str("/x"), "", 5, "",
         true},
        {"length 0x80000000", Bytes().U32(163).U32(0x80000000).Str("Name").Str("/x"), "", 5, "",
         true},
        // The zero of the next chunk must not be taken for the text's own.
        {"text without its zero",
         Bytes().Chunk(163, Bytes().Str("Name").Raw("/unterminated")).NamedString("Name", "/after"),
         "", 5, "", true},
        {"integer without its value",
         Bytes().Chunk(162, Bytes().Str("UMaxNodes").Raw("\x05\0")).NamedString("Name", "/x"), "",
         5, "", true},
        {"header without its version", Bytes().Chunk(0x63666732, Bytes()).NamedString("Name", "/x"),
         "", 5, "", true},
        {"short chunk header", Bytes().Raw("2gf"), "", 5, "", true},
        {"colour entry longer than its chunk",
         Bytes()
             .Chunk(35, Bytes().U32(1).Str("Background").U32(36).U32(~0u).U32(1))
             .NamedInt("U", 1),
         "", 5, "", true}};
    for (const auto& [what, data, paths, recent, last, damaged] : chunks)
    {
        SCOPED_TRACE(what);
        ResetSettings();
        Paths().RemoveAll();
        sys.log.lines.clear();
        Apply(data);
        EXPECT_EQ(PathTexts(), paths);
        EXPECT_EQ(g_RecentFileCount, recent);
        EXPECT_EQ(g_RecentFiles[std::max(recent, 1) - 1].str(), last);
        EXPECT_EQ(g_UndoList.GetLimit(), -1);
        EXPECT_EQ(sys.log.lines.size(), damaged ? 1u : 0u);
    }
}

// Tool preference scripts, Prefs/Tools/<tool>.ascr under the program folder.
using ToolPrefsTest = ConfigTest;

TEST_F(ToolPrefsTest, ReadSilentlyOrWithStepsLoggedAndAppendOnlyToAnExistingFile)
{
    EXPECT_EQ(GetToolPrefsPath("KTool").str(), ToolPath("KTool"));
    WriteTool("KTool", "Alpha = 1;\n// c\nBeta = \"two words\";\nalpha = 5;\n\0B = 2;"s);
    const MStr names[] = {"Alpha", "beta", "Gamma", "B"};
    MStr results[] = {"a", "b", "unchanged", "before the zero byte"};
    EXPECT_EQ(ReadToolPrefStrings("KTool", names, results, 4), 2);
    EXPECT_EQ(results[0].str(), "5"); // the last assignment wins
    EXPECT_EQ(results[1].str(), "two words");
    EXPECT_EQ(results[2].str(), "unchanged");
    EXPECT_EQ(results[3].str(), "before the zero byte");
    MStr one = "kept";
    EXPECT_EQ(ReadToolPrefString("KMissing", "Alpha", one), 0);
    EXPECT_EQ(one.str(), "kept");
    EXPECT_EQ(ReadToolPrefStrings("KTool", names, results, 0), 0);
    EXPECT_TRUE(sys.log.lines.empty());
    // Reading variables logs its steps.
    WriteTool("KObjectDeleteSelected", "DeleteChildren = 1;\n");
    MScriptVariable vars[] = {MScriptVariable("deletechildren"), MScriptVariable("Missing")};
    EXPECT_EQ(ReadToolPrefVariables("KObjectDeleteSelected", vars, 2), 1);
    EXPECT_EQ(vars[0].value, 1);
    EXPECT_EQ(ReadToolPrefVariable("KNoFile", vars[1]), 0);
    const std::string path = ToolPath("KObjectDeleteSelected"), none = ToolPath("KNoFile");
    EXPECT_EQ(sys.log.lines,
              (std::vector<std::string>{"Opening file '" + path + "'", "Length of file 20 bytes.",
                                        "Opening file '" + none + "'",
                                        "Could not open file '" + none + "'."}));
    // Appending goes only to an existing file and overrides earlier lines.
    // Another tool's file exists, this one's does not: nothing is written.
    WriteTool("KOther", "A = 1;\n");
    const MStr keys[] = {"Dup_ParentGroup", "Other"};
    const MStr values[] = {"1", "7"};
    EXPECT_EQ(AppendToolPrefs("KNone", keys, values, 2), 0);
    EXPECT_FALSE(fs::exists(ToolPath("KNone")));
    EXPECT_EQ(AppendToolPrefs("KOther", nullptr, values, 2), 0);
    EXPECT_EQ(AppendToolPrefs("KOther", keys, nullptr, 2), 0);
    EXPECT_EQ(ReadWholeFile(ToolPath("KOther")), "A = 1;\n");
    // The last line ends in a comment without a line break.
    WriteTool("KObjectDuplicateSelected", "Dup_ParentGroup = 0; // off");
    EXPECT_EQ(AppendToolPrefs("KObjectDuplicateSelected", keys, values, 2), 0);
    EXPECT_EQ(AppendToolPrefs("KObjectDuplicateSelected", keys, values, 0), 0);
    EXPECT_EQ(ReadWholeFile(ToolPath("KObjectDuplicateSelected")),
              "Dup_ParentGroup = 0; // off\nDup_ParentGroup = 1;\nOther = 7;\n");
    MStr value;
    EXPECT_EQ(ReadToolPrefString("KObjectDuplicateSelected", "Dup_ParentGroup", value), 1);
    EXPECT_EQ(value.str(), "1");
    // Appended values read back as written.
    WriteTool("KText", "\n");
    const MStr texts[] = {"Spaced", "Injected", "Quoted", "Empty", "Path09", "Bad name", "Slash"};
    const MStr written[] = {"two words",       "1; Other = 2", "say \"hi\"\\", "",
                            "C:\\maps\\x.tga", "ignored",      "a//b"};
    AppendToolPrefs("KText", texts, written, 7);
    MStr got[7];
    EXPECT_EQ(ReadToolPrefStrings("KText", texts, got, 7), 6);
    for (int i : {0, 1, 2, 3, 4, 6})
        EXPECT_EQ(got[i].str(), written[i].str()) << texts[i].str();
    MStr other;
    EXPECT_EQ(ReadToolPrefString("KText", "Other", other), 0);
    // A plain value stays a bare word, as the format has it.
    EXPECT_NE(ReadWholeFile(ToolPath("KText")).find("Path09 = C:\\maps\\x.tga;\n"),
              std::string::npos);
}

} // namespace
