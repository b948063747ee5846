// Tool preference scripts: Prefs/Tools/<tool>.ascr under the program folder,
// read through the script interpreter and appended to by the tool
// configuration.

#include "Globals.h"
#include "MConfig.h"
#include "MScriptInterpreter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
class ToolPrefsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_OldFolder = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = (dir.Path().string() + "/").c_str();
    }
    void TearDown() override { g_Config.m_ProgramFolder = m_OldFolder; }

    std::string PrefsPath(const std::string& tool) const
    {
        return (dir.Path() / "Prefs" / "Tools" / (tool + ".ascr")).string();
    }
    std::string WritePrefs(const std::string& tool, const std::string& text) const
    {
        return dir.Write("Prefs/Tools/" + tool + ".ascr", text);
    }

    TestSystem sys;
    TempDir dir;
    MStr m_OldFolder;
};

TEST_F(ToolPrefsTest, PathLiesUnderTheProgramFolder)
{
    EXPECT_EQ(GetToolPrefsPath("KObjectDuplicateSelected").str(),
              PrefsPath("KObjectDuplicateSelected"));
}

TEST_F(ToolPrefsTest, ReadStringsFindsTheNamesPresentSilently)
{
    WritePrefs("KTool", "Alpha = 1;\n// comment\nBeta = \"two words\";\nalpha = 5;\n");
    const MStr names[] = {"Alpha", "beta", "Gamma"};
    MStr results[] = {"a", "b", "unchanged"};
    EXPECT_EQ(ReadToolPrefStrings("KTool", names, results, 3), 2);
    EXPECT_EQ(results[0].str(), "5"); // the last assignment wins
    EXPECT_EQ(results[1].str(), "two words");
    EXPECT_EQ(results[2].str(), "unchanged");

    MStr one = "kept";
    EXPECT_EQ(ReadToolPrefString("KMissing", "Alpha", one), 0);
    EXPECT_EQ(one.str(), "kept");
    EXPECT_TRUE(sys.log.lines.empty());
}

TEST_F(ToolPrefsTest, ReadStringsStopsAtAZeroByte)
{
    WritePrefs("KZero", std::string("A = 1;\n\0B = 2;\n", 15));
    MStr value;
    EXPECT_EQ(ReadToolPrefString("KZero", "A", value), 1);
    EXPECT_EQ(ReadToolPrefString("KZero", "B", value), 0);
}

TEST_F(ToolPrefsTest, ReadVariablesLogsItsSteps)
{
    const std::string text = "DeleteChildren = 1;\nLabel = \"x y\";\n";
    WritePrefs("KObjectDeleteSelected", text);
    MScriptVariable vars[] = {MScriptVariable("deletechildren"), MScriptVariable("Label"),
                              MScriptVariable("Missing")};
    EXPECT_EQ(ReadToolPrefVariables("KObjectDeleteSelected", vars, 3), 2);
    EXPECT_EQ(vars[0].value, 1);
    EXPECT_EQ(vars[0].kind, SCRIPT_VAR_ONOFF);
    EXPECT_EQ(vars[1].text.str(), "x y");
    EXPECT_EQ(vars[2].text.str(), "");

    const std::string path = PrefsPath("KObjectDeleteSelected");
    ASSERT_GE(sys.log.lines.size(), 2u);
    EXPECT_EQ(sys.log.lines[0], "Opening file '" + path + "'");
    EXPECT_EQ(sys.log.lines[1], "Length of file " + std::to_string(text.size()) + " bytes.");

    sys.log.lines.clear();
    MScriptVariable missing("DeleteChildren");
    EXPECT_EQ(ReadToolPrefVariable("KNoFile", missing), 0);
    EXPECT_EQ(missing.value, 0);
    ASSERT_EQ(sys.log.lines.size(), 2u);
    EXPECT_EQ(sys.log.lines[0], "Opening file '" + PrefsPath("KNoFile") + "'");
    EXPECT_EQ(sys.log.lines[1], "Could not open file '" + PrefsPath("KNoFile") + "'.");
}

TEST_F(ToolPrefsTest, AppendingToAMissingFileWritesNothing)
{
    EXPECT_EQ(AppendToolPref("KNone", "Option", "1"), 0);
    EXPECT_FALSE(fs::exists(PrefsPath("KNone")));
    EXPECT_FALSE(fs::exists(dir.Path() / "Prefs"));
}

TEST_F(ToolPrefsTest, AppendedLinesOverrideEarlierOnes)
{
    // The last line has no line break and ends in a comment: the appended
    // lines must still stand on their own.
    WritePrefs("KObjectDuplicateSelected", "Dup_ParentGroup = 0; // off");
    const MStr names[] = {"Dup_ParentGroup", "Other"};
    const MStr values[] = {"1", "7"};
    EXPECT_EQ(AppendToolPrefs("KObjectDuplicateSelected", names, values, 2), 0);
    EXPECT_EQ(ReadWholeFile(PrefsPath("KObjectDuplicateSelected")),
              "Dup_ParentGroup = 0; // off\nDup_ParentGroup = 1;\nOther = 7;\n");

    MStr value;
    EXPECT_EQ(ReadToolPrefString("KObjectDuplicateSelected", "Dup_ParentGroup", value), 1);
    EXPECT_EQ(value.str(), "1");
}

TEST_F(ToolPrefsTest, AppendedValuesReadBackAsWritten)
{
    WritePrefs("KText", "");
    const MStr names[] = {"Spaced", "Injected", "Quoted", "Empty", "Path", "Bad name", "Slash"};
    const MStr values[] = {"two words",       "1; Other = 2", "say \"hi\"\\", "",
                           "C:\\maps\\x.tga", "ignored",      "a//b"};
    AppendToolPrefs("KText", names, values, 7);

    MStr results[7];
    EXPECT_EQ(ReadToolPrefStrings("KText", names, results, 7), 6);
    for (int i : {0, 1, 2, 3, 4, 6})
        EXPECT_EQ(results[i].str(), values[i].str()) << names[i].str();
    MStr other;
    EXPECT_EQ(ReadToolPrefString("KText", "Other", other), 0);
    // A plain value stays a bare word, as the format has it.
    EXPECT_NE(ReadWholeFile(PrefsPath("KText")).find("Path = C:\\maps\\x.tga;\n"),
              std::string::npos);
}

TEST_F(ToolPrefsTest, OpenToolConfigurationLogsEveryVariable)
{
    EXPECT_EQ(OpenToolConfiguration("KAbsent"), 0);
    EXPECT_TRUE(sys.log.Contains("Error, could not open config file '" + PrefsPath("KAbsent") +
                                 "' for reading."));

    const std::string text = "DeleteChildren = 1;\nLabel = \"a b\";\nScale = 2.5;\n";
    WritePrefs("KObjectDeleteSelected", text);
    sys.log.lines.clear();
    EXPECT_EQ(OpenToolConfiguration("KObjectDeleteSelected"), 1);

    // The slots are the interpreter's own; walk a second one for them.
    MScriptInterpreter in;
    in.ExecuteScript(text, true);
    std::vector<std::string> expected;
    for (const MScriptVariable* v = in.GetFirstVariable(); v; v = in.GetNextVariable())
        expected.push_back("Variaible Found '" + v->name.str() + "' of Value '" + v->text.str() +
                           "' at KeyHash of " + std::to_string(in.GetCurrentHashSlot()));
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(sys.log.lines, expected);
    bool sawLabel = false;
    for (const std::string& line : sys.log.lines)
        sawLabel =
            sawLabel || line.rfind("Variaible Found 'Label' of Value 'a b' at KeyHash of ", 0) == 0;
    EXPECT_TRUE(sawLabel);
}
} // namespace
