#include "MRegistry.h"
#include "MScriptInterpreter.h"
#include "TestSupport.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace fs = std::filesystem;
namespace
{
const char* const kGlazenKey = "Software\\Orrick\\Glazen\\1.0\\";
constexpr uint32_t kReadWrite = 0x2001F;
class RegistryTest : public ::testing::Test
{
  protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
    void TearDown() override
    {
        old ? setenv("XDG_CONFIG_HOME", old->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    }
    const char* env = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> old = env ? std::optional<std::string>(env) : std::nullopt;
    TempDir config;
    TestSystem sys;
    fs::path keyFile = config.Path() / "glazen/registry/software_orrick_glazen_1.0";
};
MScriptVariable Get(const MScriptInterpreter& in, const char* name)
{
    MScriptVariable v{MStr(name)};
    v.kind = -1;
    v.text = "unset";
    v.value = -12345;
    in.GetVariable(v);
    return v;
}
bool Logged(const TestSystem& sys, const std::string& part)
{
    return std::any_of(sys.log.lines.begin(), sys.log.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}
} // namespace

TEST_F(RegistryTest, AnyTextSurvivesAsNameAndValueWithOneLineEach)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Lines", "one\ntwo\r\nthree"},
        {"Equals", "a=b==c"},
        {"Backslashes", "C:\\Prefs\\Tools\\"},
        {"Blanks", "  padded\t "},
        {"Empty", ""},
        {"Binary", std::string("\0\x01\x7f\xff\xfe", 5)},
        {"na=me", "name holds an equals sign"},
        {"#name", "name starts like a comment"},
        {" spaced name ", "name with blanks at the ends"},
        {"multi\nline name", "x"},
        {"CFGFile", "Other.CFG"},
    };
    {
        MRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
        EXPECT_EQ(reg.GetKeyFile(), keyFile.string());
        ASSERT_TRUE(reg.WriteString("CFGFILE", "Glazen.CFG"));
        for (const auto& [name, value] : cases) // the last replaces the first
            ASSERT_TRUE(reg.WriteString(name, value)) << name;
    }
    const std::string text = ReadWholeFile(keyFile);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(cases.size()) + 1)
        << "one line a value after the heading line:\n"
        << text;
    EXPECT_EQ(text.find("Glazen.CFG"), std::string::npos);
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
    EXPECT_FALSE(reg.OpenKey(kGlazenKey, kReadWrite, false) || reg.WriteString("CFGFile", "x"));
    EXPECT_FALSE(fs::exists(config.Path() / "glazen")) << "opening without create makes nothing";
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, true));
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
TEST_F(RegistryTest, DamagedKeyFilesAreReadAsFarAsTheyMakeSenseAndKeysStayInTheFolder)
{
    config.Write("glazen/registry/software_orrick_glazen_1.0",
                 std::string("no equals sign here\n\\\n=\n\\x4\\q=\\x\nCFGFile = spaced.cfg \r\n") +
                     std::string("\0\xff\xfe=\x01\n", 6) + "KeyFile=last\\");
    MRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kGlazenKey, kReadWrite, false));
    // Writing a value rewrites the file in the sound form, keeping what was read.
    ASSERT_TRUE(reg.WriteString("Other", "x"));
    MStr cfg, key, odd;
    EXPECT_TRUE(reg.ReadString("CFGFile", cfg) && reg.ReadString("\\x4\\q", odd));
    EXPECT_TRUE(reg.ReadString("KeyFile", key));
    EXPECT_EQ(cfg + "|" + odd + "|" + key, "spaced.cfg|\\x|last\\"); // a lone last backslash stays
    std::string junk; // random bytes never crash a read
    for (int i = 0; i < 5000; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 256);
    EXPECT_NO_FATAL_FAILURE(MRegistry::ParseKeyFile(junk));
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
    EXPECT_FALSE(reg.OpenKey("\\\\//", kReadWrite, true) ||
                 reg.OpenKey(std::string(300, 'k'), kReadWrite, true));
}
TEST(MScriptInterpreter, ValuesGetTheirKindLastOneWinsAndDamageIsReportedAndSkipped)
{
    TestSystem sys;
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScript("// heading comment\r\n"
                                 "DeleteChildren = 1;Dup_ParentGroup=0; // trailing\n"
                                 "Depth = 2;\nScale = -3.75;\nHuge = 1e12;\nTiny = -.5e-3;\n"
                                 "Label = \"two words; and = signs\";\nQuoted = \"1\";\n"
                                 "Path = textures/base_wall/metal.tga;\n"
                                 "/* block\n comment */ Flag\n=\nOn\n;\n"
                                 "Other = false;\nMixed = 12abc;\n"
                                 "Escaped = \"x\\\"y\\\\z\\n\\tw\\q\";\n"
                                 "d = on// no blank before the comment\n;\n"
                                 "Last = 5; // the end, with no line break",
                                 true));
    EXPECT_TRUE(sys.log.lines.empty());
    EXPECT_EQ(in.GetVariableCount(), 15);
    auto Is = [&](const char* name, int kind, const char* text, int value)
    {
        const MScriptVariable v = Get(in, name);
        EXPECT_TRUE(v.kind == kind && v.text == text && v.value == value)
            << name << ": " << v.kind << " [" << v.text.c_str() << "] " << v.value;
    };
    Is("DeleteChildren", SCRIPT_VAR_ONOFF, "1", 1);
    Is("Dup_ParentGroup", SCRIPT_VAR_ONOFF, "0", 0);
    Is("Depth", SCRIPT_VAR_NUMBER, "2", 2);
    Is("Scale", SCRIPT_VAR_NUMBER, "-3.75", -3);
    Is("Huge", SCRIPT_VAR_NUMBER, "1e12", INT_MAX);
    Is("Tiny", SCRIPT_VAR_NUMBER, "-.5e-3", 0);
    Is("Label", SCRIPT_VAR_TEXT, "two words; and = signs", 0);
    Is("Quoted", SCRIPT_VAR_TEXT, "1", 1);
    Is("Path", SCRIPT_VAR_TEXT, "textures/base_wall/metal.tga", 0);
    Is("Flag", SCRIPT_VAR_ONOFF, "On", 1);
    Is("Other", SCRIPT_VAR_ONOFF, "false", 0);
    Is("Mixed", SCRIPT_VAR_TEXT, "12abc", 12);
    Is("Escaped", SCRIPT_VAR_TEXT, "x\"y\\z\n\tw\\q", 0);
    Is("d", SCRIPT_VAR_ONOFF, "on", 1);
    Is("Last", SCRIPT_VAR_NUMBER, "5", 5);
    // What the tool preference writer appends ("%s = %s;\n") overrides the start.
    ASSERT_TRUE(in.ExecuteScript("DeleteChildren = 0;\nOther = a;\ndeletechildren = 1;\n"));
    EXPECT_EQ(in.GetVariableCount(), 2);
    MStr value = "unset";
    EXPECT_TRUE(in.GetVariable("DELETECHILDREN", value));
    EXPECT_EQ(value, "1");
    EXPECT_FALSE(in.GetVariable("Missing", value));
    EXPECT_EQ(value, "1") << "a missing variable leaves the string alone";
    ASSERT_TRUE(in.ExecuteScript("b = 2;", false));
    EXPECT_NE(in.FindVariable("Other"), nullptr);
    ASSERT_TRUE(in.ExecuteScript("c = 3;", true));
    EXPECT_EQ(in.FindVariable("b"), nullptr);
    EXPECT_EQ(in.GetVariableCount(), 1);
    in.SetVariable("Flag", "1");
    in.SetVariable("Text", "1", true);
    EXPECT_EQ(Get(in, "Flag").kind, SCRIPT_VAR_ONOFF);
    EXPECT_EQ(Get(in, "Text").kind, SCRIPT_VAR_TEXT);
    // A walk visits every variable once, slot by slot.
    std::set<std::string> seen;
    for (const MScriptVariable* v = in.GetFirstVariable(); v; v = in.GetNextVariable())
        EXPECT_TRUE(seen.insert(v->name.str()).second && in.GetCurrentHashSlot() >= 0);
    EXPECT_EQ(seen, (std::set<std::string>{"c", "Flag", "Text"}));
    EXPECT_EQ(in.GetCurrentHashSlot(), -1);
    in.Clear();
    EXPECT_EQ(in.GetVariableCount(), 0);
    EXPECT_EQ(in.FindVariable("Flag"), nullptr);
    EXPECT_FALSE(in.ExecuteScript("good1 = 1;\nstr = \"never closed;\nnoequals 5;\nnosemi = 7\n"
                                  "good2 = 2;\nnovalue = ;\n= 3;\n9lives = 9;\nafter = x; junk\n"
                                  "good3 = 3;"));
    EXPECT_EQ(in.GetErrorCount(), 7);
    EXPECT_EQ(Get(in, "good1").value + Get(in, "good2").value + Get(in, "good3").value, 6);
    EXPECT_EQ(Get(in, "after").text, "x");
    for (const char* broken : {"str", "noequals", "nosemi", "novalue", "9lives"})
        EXPECT_EQ(in.FindVariable(broken), nullptr) << broken;
    for (const char* line :
         {"line 2: unterminated string in the value of 'str'",
          "line 3: missing '=' after 'noequals'", "line 4: missing ';' after the value of 'nosemi'",
          "line 6: missing value for 'novalue'", "line 7: expected a variable name, found '='",
          "line 8: expected a variable name, found '9'", "line 9: missing '=' after 'junk'"})
        EXPECT_TRUE(Logged(sys, line)) << line;
    // Binary junk is reported briefly and keeps what came before.
    sys.log.lines.clear();
    std::string script = "Kept = \"yes\";\n";
    for (int i = 0; i < 4000; ++i)
        script += static_cast<char>((i * 131 + 7) % 256);
    script += std::string("\0 = \0;\n", 7) + "/* never closed";
    EXPECT_FALSE(in.ExecuteScript(script));
    EXPECT_GT(in.GetErrorCount(), 10);
    EXPECT_EQ(Get(in, "Kept").text, "yes");
    EXPECT_LE(sys.log.lines.size(), 11u) << "the log shows the first errors and a count";
    EXPECT_TRUE(Logged(sys, "further errors not shown"));
    for (int b = 0; b < 256; ++b) // bytes of any value never crash
        MScriptInterpreter().ExecuteScript("a = " + std::string(1, char(b)) + ";\n\"");
    TempDir dir;
    ASSERT_TRUE(in.ExecuteScriptFile(dir.Write("Prefs/Tools/KObjectDeleteSelected.ascr",
                                               "DeleteChildren = 1;\r\nDeleteChildren = 0;\r\n")));
    EXPECT_EQ(Get(in, "DeleteChildren").value, 0);
    EXPECT_FALSE(in.ExecuteScriptFile(dir.Path().string() + "/none.ascr"));
    EXPECT_TRUE(Logged(sys, "Script '" + dir.Path().string() + "/none.ascr' could not be read"));
    EXPECT_EQ(std::pair(in.GetVariableCount(), in.GetErrorCount()), std::pair(0, 1));
    EXPECT_FALSE(in.ExecuteScriptFile(dir.Write("bad.ascr", "a = 1;\nb = \"open\n")));
    EXPECT_TRUE(Logged(sys, "bad.ascr' line 2: unterminated string"));
    EXPECT_EQ(Get(in, "a").value, 1);
}
