#include "MRegistry.h"
#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace fs = std::filesystem;

namespace
{
const char* const kGlazenKey = "Software\\Orrick\\Glazen\\1.0\\";
constexpr uint32_t kReadWrite = 0x2001F;

// Sets an environment variable for the length of a test and puts the old
// value back afterwards.
class ScopedEnv
{
  public:
    ScopedEnv(const char* name, const char* value) : m_Name(name)
    {
        if (const char* old = std::getenv(name))
            m_Old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_Old)
            setenv(m_Name.c_str(), m_Old->c_str(), 1);
        else
            unsetenv(m_Name.c_str());
    }

  private:
    std::string m_Name;
    std::optional<std::string> m_Old;
};

class RegistryTest : public ::testing::Test
{
  protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
    TestSystem sys;

    fs::path KeyFile(const char* keyPath) const
    {
        return config.Path() / "glazen" / "registry" / MRegistry::KeyFileName(keyPath).str();
    }
};
} // namespace

TEST_F(RegistryTest, ValuesWrittenUnderTheConfigFolderReadBackInAnotherObject)
{
    {
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
        EXPECT_TRUE(reg.WriteString("CFGFile", "Glazen.CFG"));
        EXPECT_TRUE(reg.WriteString("KeyFile", "My Keys.KEY"));
        EXPECT_TRUE(reg.WriteString("CFGFile", "Other.CFG")); // replaces, not appends
        reg.CloseKey();
        EXPECT_FALSE(reg.IsOpen());
    }
    const fs::path file = config.Path() / "glazen/registry/software_orrick_glazen_1.0";
    ASSERT_TRUE(fs::is_regular_file(file));
    const std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("CFGFile=Other.CFG\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Glazen.CFG"), std::string::npos) << text;

    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    EXPECT_EQ(reg.GetKeyFile(), file.string());
    MStr cfg = "default.CFG", key = "default.KEY";
    EXPECT_TRUE(reg.ReadString("CFGFile", cfg));
    EXPECT_TRUE(reg.ReadString("KeyFile", key));
    EXPECT_EQ(cfg, "Other.CFG");
    EXPECT_EQ(key, "My Keys.KEY");
}

TEST_F(RegistryTest, MissingKeysAndValuesLeaveTheStringUnchanged)
{
    MRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    EXPECT_FALSE(fs::exists(config.Path() / "glazen")) << "opening without create makes nothing";

    MStr value = "kept";
    EXPECT_FALSE(reg.ReadString("CFGFile", value));
    EXPECT_FALSE(reg.WriteString("CFGFile", "x"));

    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
    EXPECT_TRUE(fs::is_regular_file(KeyFile(kGlazenKey)));
    EXPECT_FALSE(reg.ReadString("CFGFile", value));
    EXPECT_EQ(value, "kept");
}

TEST_F(RegistryTest, KeyPathsAndNamesMatchWithoutRegardToCaseOrSeparators)
{
    MRegistry writer;
    ASSERT_TRUE(writer.OpenKey(kGlazenKey, kReadWrite, true));
    ASSERT_TRUE(writer.WriteString("CFGFile", "a.cfg"));

    MRegistry reader;
    ASSERT_TRUE(reader.OpenKey("software/ORRICK/glazen\\1.0", MREG_READ, false));
    MStr value;
    EXPECT_TRUE(reader.ReadString("cfgfile", value));
    EXPECT_EQ(value, "a.cfg");

    // Writing a name in other case replaces the value rather than adding one.
    ASSERT_TRUE(writer.WriteString("CFGFILE", "b.cfg"));
    EXPECT_TRUE(reader.ReadString("CfgFile", value));
    EXPECT_EQ(value, "b.cfg");
    EXPECT_EQ(MRegistry::ParseKeyFile(ReadWholeFile(KeyFile(kGlazenKey))).size(), 1u);
}

TEST_F(RegistryTest, AnyTextSurvivesAsNameAndValue)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Lines", "one\ntwo\r\nthree"},
        {"Equals", "a=b==c"},
        {"Backslashes", "C:\\Prefs\\Tools\\"},
        {"Blanks", "  padded\t "},
        {"Empty", ""},
        {"Binary", std::string("\0\x01\x7f\xff\xfe", 5)},
        {"Utf8", "caf\xc3\xa9 \xe2\x82\xac"},
        {"Hash", "# not a comment"},
        {"Escapes", "\\n is not a line break, \\x41 is not A"},
        {"na=me", "name holds an equals sign"},
        {"#name", "name starts like a comment"},
        {" spaced name ", "name with blanks at the ends"},
        {"multi\nline name", "x"},
    };
    {
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
        for (const auto& [name, value] : cases)
            ASSERT_TRUE(reg.WriteString(name, value)) << name;
    }
    const std::string text = ReadWholeFile(KeyFile(kGlazenKey));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(cases.size()) + 1)
        << "one line a value after the heading line:\n"
        << text;

    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, MREG_READ, false));
    for (const auto& [name, value] : cases)
    {
        MStr read = "unset";
        EXPECT_TRUE(reg.ReadString(name, read)) << name;
        EXPECT_EQ(read.str(), value) << name;
    }
}

TEST_F(RegistryTest, AccessMaskDecidesWhatTheKeyAllows)
{
    {
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
        ASSERT_TRUE(reg.WriteString("CFGFile", "a.cfg"));
    }
    const std::string before = ReadWholeFile(KeyFile(kGlazenKey));

    MRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKey(kGlazenKey, MREG_READ, false));
    EXPECT_FALSE(readOnly.WriteString("CFGFile", "b.cfg"));
    EXPECT_EQ(ReadWholeFile(KeyFile(kGlazenKey)), before);

    MRegistry writeOnly;
    ASSERT_TRUE(writeOnly.OpenKey(kGlazenKey, MREG_WRITE, false));
    MStr value = "kept";
    EXPECT_FALSE(writeOnly.ReadString("CFGFile", value));
    EXPECT_EQ(value, "kept");
    EXPECT_TRUE(writeOnly.WriteString("KeyFile", "k.key"));
}

TEST_F(RegistryTest, WritesKeepValuesOtherObjectsWroteMeanwhile)
{
    MRegistry a, b;
    ASSERT_TRUE(a.OpenKey(kGlazenKey, kReadWrite, true));
    ASSERT_TRUE(b.OpenKey(kGlazenKey, kReadWrite, true));
    ASSERT_TRUE(a.WriteString("CFGFile", "a.cfg"));
    ASSERT_TRUE(b.WriteString("KeyFile", "b.key"));
    MStr cfg, key;
    EXPECT_TRUE(a.ReadString("CFGFile", cfg));
    EXPECT_TRUE(a.ReadString("KeyFile", key));
    EXPECT_EQ(cfg, "a.cfg");
    EXPECT_EQ(key, "b.key");
}

TEST_F(RegistryTest, DamagedKeyFilesAreReadAsFarAsTheyMakeSense)
{
    const fs::path file = KeyFile(kGlazenKey);
    fs::create_directories(file.parent_path());
    const std::string damaged = std::string("no equals sign here\n\\\n=\n\\x4\\q=\\x\n"
                                            "CFGFile = spaced.cfg \r\n") +
                                std::string("\0\xff\xfe=\x01\n", 6) + "KeyFile=last\\";
    {
        std::ofstream(file, std::ios::binary) << damaged;
    }
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    MStr cfg, key, odd;
    EXPECT_TRUE(reg.ReadString("CFGFile", cfg));
    EXPECT_EQ(cfg, "spaced.cfg");
    EXPECT_TRUE(reg.ReadString("KeyFile", key));
    EXPECT_EQ(key, "last\\") << "a lone trailing backslash is kept as it stands";
    EXPECT_TRUE(reg.ReadString("\\x4\\q", odd));
    EXPECT_EQ(odd, "\\x");

    // Writing a value rewrites the file in the sound form, keeping what was read.
    ASSERT_TRUE(reg.WriteString("CFGFile", "fixed.cfg"));
    EXPECT_TRUE(reg.ReadString("KeyFile", key));
    EXPECT_EQ(key, "last\\");

    // Random bytes never crash a read.
    std::string junk;
    for (int i = 0; i < 5000; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 256);
    EXPECT_NO_FATAL_FAILURE(MRegistry::ParseKeyFile(junk));
}

TEST_F(RegistryTest, KeyPathsCannotLeaveTheRegistryFolder)
{
    for (const char* path : {"..\\..\\..\\etc\\passwd", "../../x", ".\\.hidden", "a/./b", "%2E%2E"})
    {
        const MStr name = MRegistry::KeyFileName(path);
        ASSERT_FALSE(name.IsEmpty()) << path;
        EXPECT_EQ(name.str().find('/'), std::string::npos) << name.str();
        EXPECT_NE(name.str().front(), '.') << name.str();
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(path, kReadWrite, true)) << path;
        EXPECT_EQ(fs::path(reg.GetKeyFile().str()).parent_path(),
                  config.Path() / "glazen" / "registry");
    }
    // Distinct paths stay distinct.
    EXPECT_NE(MRegistry::KeyFileName("a\\b_c"), MRegistry::KeyFileName("a_b\\c"));
    EXPECT_NE(MRegistry::KeyFileName("a\\b"), MRegistry::KeyFileName("a%5Fb"));

    MRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\\\//", kReadWrite, true));
    EXPECT_FALSE(reg.OpenKey(std::string(300, 'k'), kReadWrite, true));
}

TEST_F(RegistryTest, SomethingElseAtTheKeyFileRefusesTheKey)
{
    fs::create_directories(KeyFile(kGlazenKey));
    MRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kGlazenKey, kReadWrite, true));
    EXPECT_FALSE(reg.GetLastError().IsEmpty());
    EXPECT_TRUE(fs::is_directory(KeyFile(kGlazenKey)));
}

TEST(RegistryFolder, FallsBackToHomeWhenTheConfigVariableIsUnsetOrRelative)
{
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    {
        ScopedEnv x("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(MRegistry::GetRegistryFolder().str(),
                  home.Path().string() + "/.config/glazen/registry/");
    }
    {
        ScopedEnv x("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(MRegistry::GetRegistryFolder().str(),
                  home.Path().string() + "/.config/glazen/registry/");
    }
    {
        ScopedEnv x("XDG_CONFIG_HOME", "/somewhere/else/");
        EXPECT_EQ(MRegistry::GetRegistryFolder(), "/somewhere/else/glazen/registry/");
    }
}
