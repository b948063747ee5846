// The configuration object, the registry names, the configuration file's
// chunk format (written and read), and loading and saving at start-up and
// shutdown.

#include "Globals.h"
#include "MAction.h"
#include "MConfig.h"
#include "MKeyBinding.h"
#include "MRegistry.h"
#include "MSystemManager.h"
#include "MUndoList.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
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
    // A text with its terminating zero.
    Bytes& Str(const std::string& text)
    {
        s += text;
        s += '\0';
        return *this;
    }
    Bytes& Raw(const std::string& raw)
    {
        s += raw;
        return *this;
    }
    Bytes& Chunk(uint32_t tag, const Bytes& body)
    {
        U32(tag).U32(uint32_t(body.s.size()));
        s += body.s;
        return *this;
    }
    Bytes& Header(uint32_t version = 16) { return Chunk(0x63666732, Bytes().U32(version)); }
    Bytes& NamedInt(const std::string& key, uint32_t value)
    {
        return Chunk(162, Bytes().Str(key).U32(value));
    }
    Bytes& NamedString(const std::string& key, const std::string& value)
    {
        return Chunk(163, Bytes().Str(key).Str(value));
    }
};

Bytes ColourEntry(const std::string& name, uint32_t value)
{
    return Bytes().Str(name).U32(36).U32(4).U32(value);
}

void Apply(const Bytes& b)
{
    ApplyConfigData(b.s.data(), b.s.size());
}

// Sets one environment variable for the life of the object.
class ScopedEnv
{
  public:
    ScopedEnv(const char* name, const std::string& value) : m_Name(name)
    {
        if (const char* old = std::getenv(name))
            m_Old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_Old)
            setenv(m_Name, m_Old->c_str(), 1);
        else
            unsetenv(m_Name);
    }

  private:
    const char* m_Name;
    std::optional<std::string> m_Old;
};

// Puts every setting the configuration file touches to its start-up state,
// before and after each test.
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

class ConfigTest : public ::testing::Test
{
  protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override
    {
        ResetSettings();
        g_Config.m_ProgramFolder = MConfig::FindProgramFolder();
    }

    MStrList& Paths() { return sys.Manager().GetImageSearchPaths(); }
    std::vector<std::string> PathTexts()
    {
        std::vector<std::string> out;
        for (const MStr& p : Paths())
            out.push_back(p.str());
        return out;
    }
    bool LogHas(const std::string& part) const
    {
        return std::any_of(sys.log.lines.begin(), sys.log.lines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

    TestSystem sys;
    TempDir dir;
};

TEST_F(ConfigTest, ConstructorFillsFolderNamesAndControlDefaults)
{
    MConfig config;
    std::error_code ec;
    const std::string exeFolder = fs::read_symlink("/proc/self/exe", ec).parent_path().string();
    ASSERT_FALSE(ec);
    EXPECT_EQ(config.m_ProgramFolder.str(), exeFolder + "/");
    EXPECT_EQ(config.m_ConfigFileName.str(), "Glazen.CFG");
    EXPECT_EQ(config.m_KeyFileName.str(), "Glazen.KEY");

    auto state = [](int shift, int ctrl, int alt, int left, int right, int middle)
    {
        MKeyState s;
        s.shift = uint8_t(shift), s.ctrl = uint8_t(ctrl), s.alt = uint8_t(alt);
        s.left = uint8_t(left), s.right = uint8_t(right), s.middle = uint8_t(middle);
        return s;
    };
    EXPECT_EQ(config.m_Controls[0], state(0, 0, 1, 1, 0, 0)); // Orbit View
    EXPECT_EQ(config.m_Controls[1], state(0, 0, 1, 0, 0, 1)); // Pan View
    EXPECT_EQ(config.m_Controls[2], state(0, 0, 1, 1, 0, 1)); // Zoom View
    EXPECT_EQ(config.m_Controls[3], state(0, 0, 0, 0, 0, 1)); // Grab Manipulator
    EXPECT_EQ(config.m_Controls[4], state(0, 0, 0, 1, 0, 0));
    EXPECT_EQ(config.m_Controls[5], state(0, 0, 0, 0, 1, 0));
}

TEST_F(ConfigTest, WrittenFileHasTheChunkLayout)
{
    g_RecentFileCount = 2;
    g_RecentFiles[0] = "a.shader";
    g_RecentFiles[1] = "";
    g_RecentFiles[2] = "not written";
    g_ColourValues[3] = MakeColourValue(1, 2, 3);
    ASSERT_TRUE(g_UndoList.SetLimit(30));
    Paths().AddString("/textures");
    Paths().AddString("/maps/base");

    Bytes colours;
    colours.U32(12);
    const char* names[] = {"Background",       "Grid",           "Object",
                           "Object Selection", "Component",      "Component Selection",
                           "Normal Hilight",   "Normal Lolight", "Select Box",
                           "X Axis",           "Y Axis",         "Z Axis"};
    const uint32_t values[] = {0x666666, 0x4C4C4C, 0xFFFFFF, 0x030201, 0x20E020, 0x20E6E6,
                               0x00FFFF, 0x007FFF, 0xFFFF00, 0x0000FF, 0x00FF00, 0xFF0000};
    for (int i = 0; i < 12; ++i)
        colours.Raw(ColourEntry(names[i], values[i]).s);
    Bytes expected;
    expected.Header()
        .Chunk(34, Bytes().U32(2).Str("a.shader").Str(""))
        .Chunk(35, colours)
        .NamedInt("UMaxNodes", 30)
        .NamedString("Name", "/textures")
        .NamedString("Name", "/maps/base");

    const std::string path = (dir.Path() / "Glazen.CFG").string();
    ASSERT_EQ(WriteConfigFile(path), 1);
    const std::string written = ReadWholeFile(path);
    EXPECT_EQ(written, expected.s);
    // The header spelled out: "2gfc", length 4, version 16.
    EXPECT_EQ(written.substr(0, 12), std::string("2gfc\x04\0\0\0\x10\0\0\0", 12));
    // The recent-file chunk's length covers the count and both texts.
    EXPECT_EQ(written.substr(12, 8), std::string("\x22\0\0\0\x0E\0\0\0", 8));
}

TEST_F(ConfigTest, WrittenFileReadsBackTheSameSettings)
{
    g_RecentFileCount = 3;
    g_RecentFiles[0] = "/home/me/one.shader";
    g_RecentFiles[1] = "two.shader";
    g_RecentFiles[2] = "";
    for (int i = 0; i < kDisplayColourCount; ++i)
        g_ColourValues[i] = MakeColourValue(i * 20, 255 - i, i);
    ASSERT_TRUE(g_UndoList.SetLimit(7));
    Paths().AddString("/a");
    Paths().AddString("relative/b");
    Paths().AddString("/with space/c");

    uint32_t colours[kDisplayColourCount];
    std::copy(std::begin(g_ColourValues), std::end(g_ColourValues), colours);
    const std::vector<std::string> paths = PathTexts();
    const std::string path = (dir.Path() / "round.cfg").string();
    ASSERT_EQ(WriteConfigFile(path), 1);

    ResetSettings();
    Paths().RemoveAll();
    ASSERT_EQ(ReadConfigFile(path), 1);
    EXPECT_EQ(g_RecentFileCount, 3);
    EXPECT_EQ(g_RecentFiles[0].str(), "/home/me/one.shader");
    EXPECT_EQ(g_RecentFiles[1].str(), "two.shader");
    EXPECT_EQ(g_RecentFiles[2].str(), "");
    EXPECT_TRUE(std::equal(std::begin(colours), std::end(colours), std::begin(g_ColourValues)));
    EXPECT_EQ(g_UndoList.GetLimit(), 7);
    EXPECT_EQ(PathTexts(), paths);

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
    EXPECT_EQ(g_RecentFileCount, kRecentFileSlots);
    EXPECT_EQ(g_ColourValues[0], DefaultColourValue(0));

    const fs::path unwritable = dir.Path() / "missing-folder" / "Glazen.CFG";
    EXPECT_EQ(WriteConfigFile(unwritable.string()), 0);
    EXPECT_FALSE(fs::exists(unwritable));
    EXPECT_TRUE(LogHas("Could not write configuration file"));

    // A folder where the file should be cannot be read either.
    EXPECT_EQ(ReadConfigFile(dir.Path().string()), 0);
}

TEST_F(ConfigTest, ColoursAreMatchedInTableOrder)
{
    // Only the first three names, in mixed case: those three change.
    Apply(Bytes().Header().Chunk(35, Bytes()
                                         .U32(3)
                                         .Raw(ColourEntry("background", 0x010101).s)
                                         .Raw(ColourEntry("GRID", 0x020202).s)
                                         .Raw(ColourEntry("Object", 0x030303).s)));
    EXPECT_EQ(g_ColourValues[0], 0x010101u);
    EXPECT_EQ(g_ColourValues[1], 0x020202u);
    EXPECT_EQ(g_ColourValues[2], 0x030303u);
    for (int i = 3; i < kDisplayColourCount; ++i)
        EXPECT_EQ(g_ColourValues[i], DefaultColourValue(i)) << i;

    // A name left out is skipped over; an entry out of table order stops the
    // matching of it and of all after it.
    ResetDisplayColours();
    Apply(Bytes().Chunk(35, Bytes()
                                .U32(4)
                                .Raw(ColourEntry("Grid", 0x0A0A0A).s)
                                .Raw(ColourEntry("Select Box", 0x0B0B0B).s)
                                .Raw(ColourEntry("Object", 0x0C0C0C).s)
                                .Raw(ColourEntry("Z Axis", 0x0D0D0D).s)));
    EXPECT_EQ(g_ColourValues[1], 0x0A0A0Au);
    EXPECT_EQ(g_ColourValues[8], 0x0B0B0Bu);
    EXPECT_EQ(g_ColourValues[2], DefaultColourValue(2));
    EXPECT_EQ(g_ColourValues[11], DefaultColourValue(11));

    // Sub-chunk 37 is consumed without effect and the next entry still lines up.
    ResetDisplayColours();
    Apply(Bytes().Chunk(35, Bytes()
                                .U32(2)
                                .Str("Background")
                                .U32(37)
                                .U32(1)
                                .Raw(std::string(1, '\x7F'))
                                .Raw(ColourEntry("Grid", 0x111111).s)));
    EXPECT_EQ(g_ColourValues[0], DefaultColourValue(0));
    EXPECT_EQ(g_ColourValues[1], 0x111111u);

    // A count of 1 reads one entry, even when more follow in the chunk.
    ResetDisplayColours();
    Apply(Bytes().Chunk(35, Bytes()
                                .U32(1)
                                .Raw(ColourEntry("Background", 0x222222).s)
                                .Raw(ColourEntry("Grid", 0x333333).s)));
    EXPECT_EQ(g_ColourValues[0], 0x222222u);
    EXPECT_EQ(g_ColourValues[1], DefaultColourValue(1));
}

TEST_F(ConfigTest, NamedValuesSetUndoLimitAndSearchPaths)
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
    Apply(Bytes().NamedInt("UMaxNodes", 0));
    EXPECT_EQ(g_UndoList.GetLimit(), 25);
    Apply(Bytes().NamedInt("UMaxNodes", uint32_t(-5)));
    EXPECT_EQ(g_UndoList.GetLimit(), 25);
    EXPECT_TRUE(LogHas("undo limit 0"));
    EXPECT_TRUE(LogHas("undo limit -5"));
    Apply(Bytes().NamedInt("UMaxNodes", uint32_t(-1)));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
}

TEST_F(ConfigTest, WrongVersionStopsReadingAtTheHeader)
{
    Apply(Bytes()
              .NamedString("Name", "/before")
              .Header(15)
              .NamedString("Name", "/after")
              .NamedInt("UMaxNodes", 9));
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/before"}));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
}

TEST_F(ConfigTest, RecentFileCountIsClampedToTheTextsPresent)
{
    g_RecentFiles[0] = "old";
    Apply(Bytes().Header().Chunk(34, Bytes().U32(0)));
    EXPECT_EQ(g_RecentFileCount, 0);
    EXPECT_TRUE(g_RecentFiles[0].IsEmpty());

    Apply(Bytes().Chunk(34, Bytes().U32(9).Str("1").Str("2").Str("3").Str("4").Str("5").Str("6")));
    EXPECT_EQ(g_RecentFileCount, 5);
    EXPECT_EQ(g_RecentFiles[4].str(), "5");

    Apply(Bytes().Chunk(34, Bytes().U32(uint32_t(-3)).Str("x")));
    EXPECT_EQ(g_RecentFileCount, 0);
    EXPECT_TRUE(g_RecentFiles[0].IsEmpty());

    // Unknown and ignored tags are skipped by their length.
    Apply(Bytes()
              .Chunk(33, Bytes().U32(1))
              .Chunk(160, Bytes().Str("ignored"))
              .Chunk(0x7777, Bytes().Raw("junk"))
              .Chunk(34, Bytes().U32(1).Str("only")));
    EXPECT_EQ(g_RecentFileCount, 1);
    EXPECT_EQ(g_RecentFiles[0].str(), "only");
}

TEST_F(ConfigTest, DamagedDataKeepsWhatCameBefore)
{
    // A chunk that runs past the end: the chunk before it applies, it does not.
    Bytes b;
    b.Header().NamedString("Name", "/first").U32(163).U32(100).Str("Name").Str("/second");
    Apply(b);
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/first"}));

    // Lengths near the top of the range (negative as signed) must not wrap.
    for (uint32_t length : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x80000000u})
    {
        Paths().RemoveAll();
        Apply(Bytes().U32(163).U32(length).Str("Name").Str("/x"));
        EXPECT_EQ(Paths().GetCount(), 0) << length;
    }

    // A text without its zero inside the chunk: the zero of the next chunk
    // must not be taken for it, and nothing after the damage applies.
    Paths().RemoveAll();
    Apply(Bytes()
              .Chunk(163, Bytes().Str("Name").Raw("/unterminated"))
              .Chunk(34, Bytes().U32(1).Str("after")));
    EXPECT_EQ(Paths().GetCount(), 0);
    EXPECT_EQ(g_RecentFileCount, kRecentFileSlots);
    EXPECT_TRUE(LogHas("is damaged"));

    // A recent-file count larger than the texts: those present apply, with
    // the count cut to them; the next chunk's texts are not borrowed.
    Apply(Bytes()
              .Chunk(34, Bytes().U32(5).Str("one").Str("two"))
              .NamedString("Name", "/not applied"));
    EXPECT_EQ(g_RecentFileCount, 2);
    EXPECT_EQ(g_RecentFiles[1].str(), "two");
    EXPECT_TRUE(g_RecentFiles[2].IsEmpty());
    EXPECT_EQ(Paths().GetCount(), 0);

    // A colour count far beyond the entries, and a sub-chunk longer than
    // its chunk.
    Apply(Bytes().Chunk(35, Bytes().U32(0x7FFFFFFF).Raw(ColourEntry("Background", 0x444444).s)));
    EXPECT_EQ(g_ColourValues[0], 0x444444u);
    Apply(Bytes().Chunk(35, Bytes().U32(1).Str("Background").U32(36).U32(0xFFFFFFF0).U32(1)));
    EXPECT_EQ(g_ColourValues[0], 0x444444u);
    // A colour value sub-chunk of the wrong size is consumed but not applied.
    Apply(Bytes().Chunk(35, Bytes()
                                .U32(2)
                                .Str("Background")
                                .U32(36)
                                .U32(2)
                                .Raw("ab")
                                .Raw(ColourEntry("Grid", 0x555555).s)));
    EXPECT_EQ(g_ColourValues[0], 0x444444u);
    EXPECT_EQ(g_ColourValues[1], 0x555555u);

    // A named integer without its value, a header without its version.
    Apply(Bytes().Chunk(162, Bytes().Str("UMaxNodes").Raw("\x05\0")));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
    Apply(Bytes().Chunk(0x63666732, Bytes()).NamedInt("UMaxNodes", 4));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);

    // Fewer bytes than a chunk header, and no bytes at all.
    Apply(Bytes().Raw("2gf"));
    ApplyConfigData(nullptr, 0);
    ApplyConfigData("", 0);
}

TEST_F(ConfigTest, EveryPrefixOfAWrittenFileAppliesItsWholeChunks)
{
    g_RecentFileCount = 1;
    g_RecentFiles[0] = "recent.shader";
    g_ColourValues[0] = 0xABCDEF;
    g_UndoList.SetLimit(40);
    Paths().AddString("/p1");
    const std::string full = FormatConfigData();
    // The recent-file chunk ends after the header (12 bytes), its own header
    // (8), the count (4) and the text with its zero.
    const size_t recentEnd = 12 + 8 + 4 + sizeof("recent.shader");

    for (size_t n = 0; n <= full.size(); ++n)
    {
        ResetSettings();
        Paths().RemoveAll();
        ApplyConfigData(full.data(), n);
        ASSERT_GE(g_RecentFileCount, 0);
        ASSERT_LE(g_RecentFileCount, kRecentFileSlots);
        if (n >= recentEnd)
            ASSERT_EQ(g_RecentFiles[0].str(), "recent.shader") << n;
        else
            ASSERT_EQ(g_RecentFileCount, kRecentFileSlots) << n;
        ASSERT_EQ(Paths().GetCount(), n == full.size() ? 1 : 0) << n;
    }
    EXPECT_EQ(g_ColourValues[0], 0xABCDEFu);
    EXPECT_EQ(g_UndoList.GetLimit(), 40);
}

TEST_F(ConfigTest, StoredFilesReadAndRewriteUnchanged)
{
    const fs::path data = TestDataDir() / "config";
    ASSERT_EQ(ReadConfigFile((data / "written.CFG").string()), 1);
    EXPECT_EQ(g_RecentFileCount, 2);
    EXPECT_EQ(g_RecentFiles[1].str(), "/home/user/shaders/sky.shader");
    EXPECT_EQ(g_ColourValues[0], MakeColourValue(40, 40, 48));
    EXPECT_EQ(g_ColourValues[9], MakeColourValue(200, 10, 10));
    EXPECT_EQ(g_UndoList.GetLimit(), 50);
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/home/user/baseq3", "/home/user/textures"}));
    // The program writes those settings back as the very same bytes.
    EXPECT_EQ(FormatConfigData(), ReadWholeFile(data / "written.CFG"));

    ResetSettings();
    Paths().RemoveAll();
    ASSERT_EQ(ReadConfigFile((data / "partial.CFG").string()), 1);
    EXPECT_EQ(g_ColourValues[0], MakeColourValue(1, 2, 3));
    EXPECT_EQ(g_ColourValues[1], DefaultColourValue(1));
    EXPECT_EQ(g_ColourValues[3], MakeColourValue(9, 9, 9));
    EXPECT_EQ(g_UndoList.GetLimit(), 12);
    EXPECT_EQ(PathTexts(), (std::vector<std::string>{"/kept"}));
    EXPECT_EQ(g_RecentFileCount, 0);
}

TEST_F(ConfigTest, RegistryNamesRoundTrip)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir.Path() / "config").string());
    const MStr key = "Software\\Orrick\\GlazenTest\\1.0\\";

    // A new key has no values: the names in use stay.
    ASSERT_EQ(ReadRegistryNames(key), 1);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Glazen.CFG");
    EXPECT_EQ(g_Config.m_KeyFileName.str(), "Glazen.KEY");

    g_Config.m_ConfigFileName = "Other.CFG";
    g_Config.m_KeyFileName = "keys/Other.KEY";
    ASSERT_EQ(WriteRegistryNames(key), 1);
    g_Config.m_ConfigFileName = "x";
    g_Config.m_KeyFileName = "y";
    ASSERT_EQ(ReadRegistryNames(key), 1);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Other.CFG");
    EXPECT_EQ(g_Config.m_KeyFileName.str(), "keys/Other.KEY");

    // The values stand under their registry names.
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, MREG_READ, false));
    MStr value;
    ASSERT_TRUE(reg.ReadString("CFGFile", value));
    EXPECT_EQ(value.str(), "Other.CFG");
    ASSERT_TRUE(reg.ReadString("KeyFile", value));
    EXPECT_EQ(value.str(), "keys/Other.KEY");
    reg.CloseKey();

    // An empty value names no file and is not taken.
    ASSERT_TRUE(reg.OpenKey(key, MREG_WRITE, false));
    ASSERT_TRUE(reg.WriteString("CFGFile", ""));
    reg.CloseKey();
    ASSERT_EQ(ReadRegistryNames(key), 1);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Other.CFG");

    // A key that cannot be opened: 0, names unchanged.
    EXPECT_EQ(ReadRegistryNames(""), 0);
    EXPECT_EQ(WriteRegistryNames(""), 0);
    EXPECT_EQ(g_Config.m_KeyFileName.str(), "keys/Other.KEY");
}

class ConfigLoadTest : public ConfigTest
{
  protected:
    void TearDown() override
    {
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
        ConfigTest::TearDown();
    }
};

TEST_F(ConfigLoadTest, LoadFollowsTheRegistryNamesInOrder)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir.Path() / "config").string());
    g_Config.m_ProgramFolder = (dir.Path().string() + "/").c_str();
    // The registry names a configuration file of its own; that one is read.
    {
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kRegistryKeyPath, 0x2001F, true));
        ASSERT_TRUE(reg.WriteString("CFGFile", "Custom.CFG"));
    }
    dir.Write("Custom.CFG", Bytes().Header().NamedInt("UMaxNodes", 11).s);
    dir.Write("Glazen.CFG", Bytes().Header().NamedInt("UMaxNodes", 99).s);

    LoadConfiguration();
    EXPECT_EQ(g_UndoList.GetLimit(), 11);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Custom.CFG");
    EXPECT_GT(g_ActionRegistry.GetCount(), 0);
    EXPECT_EQ(g_KeyBindingTable.GetActionRegistry(), &g_ActionRegistry);

    const std::string folder = dir.Path().string() + "/";
    const std::vector<std::string> wanted = {
        "Loading Registry Settings from Software\\Orrick\\Glazen\\1.0\\",
        "Loading Configuration from " + folder + "Custom.CFG",
        "Initialising General Action List",
        "Loading Keyboard Configuration from " + folder + "Glazen.KEY",
    };
    auto at = sys.log.lines.begin();
    for (const std::string& line : wanted)
    {
        at = std::find(at, sys.log.lines.end(), line);
        ASSERT_NE(at, sys.log.lines.end()) << "missing or out of order: " << line;
    }
}

TEST_F(ConfigLoadTest, SaveWritesRegistryConfigurationAndKeyFile)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir.Path() / "config").string());
    g_Config.m_ProgramFolder = (dir.Path().string() + "/").c_str();
    g_Config.m_ConfigFileName = "Saved.CFG";
    g_UndoList.SetLimit(17);
    Paths().AddString("/saved/path");

    SaveConfiguration();
    EXPECT_EQ(ReadWholeFile(dir.Path() / "Saved.CFG"), FormatConfigData());
    EXPECT_TRUE(fs::exists(dir.Path() / "Glazen.KEY"));

    g_Config.m_ConfigFileName = "Glazen.CFG";
    ASSERT_EQ(ReadRegistryNames(kRegistryKeyPath), 1);
    EXPECT_EQ(g_Config.m_ConfigFileName.str(), "Saved.CFG");
}
} // namespace
