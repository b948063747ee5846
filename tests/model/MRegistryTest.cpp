#include "MRegistry.h"
#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace fs = std::filesystem;

namespace
{
const char* const kGlazenKey = "Software\\Orrick\\Glazen\\1.0\\";
constexpr uint32_t kReadWrite = 0x2001F;

// Sets an environment variable (or unsets it, for null) for the length of a
// test and puts the old value back afterwards.
class ScopedEnv
{
  public:
    ScopedEnv(const char* name, const char* value) : m_Name(name)
    {
        if (const char* old = std::getenv(name))
            m_Old = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_Old ? m_Old->c_str() : nullptr); }

  private:
    void Set(const char* value)
    {
        value ? setenv(m_Name.c_str(), value, 1) : unsetenv(m_Name.c_str());
    }
    std::string m_Name;
    std::optional<std::string> m_Old;
};

class RegistryTest : public ::testing::Test
{
  protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
    TestSystem sys;
    fs::path keyFile = config.Path() / "glazen/registry/software_orrick_glazen_1.0";
};
} // namespace

TEST_F(RegistryTest, AnyTextSurvivesAsNameAndValueWithOneLineEach)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"CFGFile", "Glazen.CFG"},
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
        EXPECT_EQ(reg.GetKeyFile(), keyFile.string());
        ASSERT_TRUE(reg.WriteString("CFGFILE", "first.cfg"));
        for (const auto& [name, value] : cases) // a second write replaces the first
            ASSERT_TRUE(reg.WriteString(name, value)) << name;
    }
    const std::string text = ReadWholeFile(keyFile);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(cases.size()) + 1)
        << "one line a value after the heading line:\n"
        << text;
    EXPECT_EQ(text.find("first.cfg"), std::string::npos);

    // Another object, a key path and names in other case and separators.
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software/ORRICK/glazen\\1.0", MREG_READ, false));
    for (const auto& [name, value] : cases)
    {
        MStr read = "unset";
        EXPECT_TRUE(reg.ReadString(MStr(name).Lowered(), read)) << name;
        EXPECT_EQ(read.str(), value) << name;
    }
}

TEST_F(RegistryTest, RefusedKeysAndAccessLeaveFilesAndStringsAlone)
{
    MRegistry reg;
    MStr value = "kept";
    EXPECT_FALSE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    EXPECT_FALSE(fs::exists(config.Path() / "glazen")) << "opening without create makes nothing";
    EXPECT_FALSE(reg.ReadString("CFGFile", value));
    EXPECT_FALSE(reg.WriteString("CFGFile", "x"));
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
    EXPECT_TRUE(fs::is_regular_file(keyFile));
    EXPECT_FALSE(reg.ReadString("CFGFile", value));
    ASSERT_TRUE(reg.WriteString("CFGFile", "a.cfg"));
    const std::string before = ReadWholeFile(keyFile);

    MRegistry readOnly, writeOnly;
    ASSERT_TRUE(readOnly.OpenKey(kGlazenKey, MREG_READ, false));
    EXPECT_FALSE(readOnly.WriteString("CFGFile", "b.cfg"));
    EXPECT_EQ(ReadWholeFile(keyFile), before);
    ASSERT_TRUE(writeOnly.OpenKey(kGlazenKey, MREG_WRITE, false));
    EXPECT_FALSE(writeOnly.ReadString("CFGFile", value));
    EXPECT_EQ(value, "kept");
    // Writes keep what other objects wrote meanwhile.
    EXPECT_TRUE(writeOnly.WriteString("KeyFile", "k.key"));
    EXPECT_TRUE(reg.ReadString("CFGFile", value) && value == "a.cfg");
    EXPECT_TRUE(reg.ReadString("KeyFile", value) && value == "k.key");

    // Something else standing at the key file refuses the key.
    fs::remove(keyFile);
    fs::create_directories(keyFile);
    EXPECT_FALSE(reg.OpenKey(kGlazenKey, kReadWrite, true));
    EXPECT_FALSE(reg.GetLastError().IsEmpty());
    EXPECT_TRUE(fs::is_directory(keyFile));
}

TEST_F(RegistryTest, DamagedKeyFilesAreReadAsFarAsTheyMakeSense)
{
    config.Write("glazen/registry/software_orrick_glazen_1.0",
                 std::string("no equals sign here\n\\\n=\n\\x4\\q=\\x\nCFGFile = spaced.cfg \r\n") +
                     std::string("\0\xff\xfe=\x01\n", 6) + "KeyFile=last\\");
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    MStr cfg, key, odd;
    EXPECT_TRUE(reg.ReadString("CFGFile", cfg));
    EXPECT_EQ(cfg, "spaced.cfg");
    EXPECT_TRUE(reg.ReadString("\\x4\\q", odd));
    EXPECT_EQ(odd, "\\x");
    // Writing a value rewrites the file in the sound form, keeping what was read.
    ASSERT_TRUE(reg.WriteString("CFGFile", "fixed.cfg"));
    EXPECT_TRUE(reg.ReadString("KeyFile", key));
    EXPECT_EQ(key, "last\\") << "a lone trailing backslash is kept as it stands";

    std::string junk; // random bytes never crash a read
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
        EXPECT_EQ(fs::path(reg.GetKeyFile().str()).parent_path(), keyFile.parent_path());
    }
    EXPECT_NE(MRegistry::KeyFileName("a\\b_c"), MRegistry::KeyFileName("a_b\\c"));
    EXPECT_NE(MRegistry::KeyFileName("a\\b"), MRegistry::KeyFileName("a%5Fb"));
    MRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\\\//", kReadWrite, true));
    EXPECT_FALSE(reg.OpenKey(std::string(300, 'k'), kReadWrite, true));
}

TEST(RegistryFolder, FallsBackToHomeWhenTheConfigVariableIsUnsetOrRelative)
{
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    const std::string fallback = home.Path().string() + "/.config/glazen/registry/";
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, fallback},
        {"relative/config", fallback},
        {"/somewhere/else/", "/somewhere/else/glazen/registry/"},
        {"/no/slash", "/no/slash/glazen/registry/"}};
    for (const auto& [xdg, expected] : cases)
    {
        ScopedEnv x("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(MRegistry::GetRegistryFolder().str(), expected) << (xdg ? xdg : "unset");
    }
}
