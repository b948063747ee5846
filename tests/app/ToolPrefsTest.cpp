// Tool preference scripts, Prefs/Tools/<tool>.ascr under the program folder.
#include "AppTest.h"
#include "MScriptInterpreter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace
{
class ToolPrefsTest : public AppTest
{
  protected:
    std::string PrefsPath(const std::string& tool) const
    {
        return (dir.Path() / "Prefs" / "Tools" / (tool + ".ascr")).string();
    }
    std::string WritePrefs(const std::string& tool, const std::string& text) const
    {
        return dir.Write("Prefs/Tools/" + tool + ".ascr", text);
    }
};

TEST_F(ToolPrefsTest, ReadStringsFindsTheNamesPresentSilently)
{
    EXPECT_EQ(GetToolPrefsPath("KTool").str(), PrefsPath("KTool"));
    WritePrefs("KTool", "Alpha = 1;\n// c\nBeta = \"two words\";\nalpha = 5;\n\0B = 2;"s);
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
    MScriptVariable missing("DeleteChildren");
    EXPECT_EQ(ReadToolPrefVariable("KNoFile", missing), 0);
    EXPECT_EQ(missing.value, 0);
    const std::string path = PrefsPath("KObjectDeleteSelected");
    EXPECT_EQ(sys.log.lines,
              (std::vector<std::string>{"Opening file '" + path + "'",
                                        "Length of file " + std::to_string(text.size()) + " bytes.",
                                        "Opening file '" + PrefsPath("KNoFile") + "'",
                                        "Could not open file '" + PrefsPath("KNoFile") + "'."}));
}

TEST_F(ToolPrefsTest, AppendingGoesOnlyToAnExistingFileAndOverridesEarlierLines)
{
    // Another tool's file exists, this one's does not: nothing is written.
    WritePrefs("KOther", "A = 1;\n");
    const MStr names[] = {"Dup_ParentGroup", "Other"};
    const MStr values[] = {"1", "7"};
    EXPECT_EQ(AppendToolPrefs("KNone", names, values, 2), 0);
    EXPECT_FALSE(fs::exists(PrefsPath("KNone")));
    EXPECT_EQ(AppendToolPrefs("KOther", nullptr, values, 2), 0);
    EXPECT_EQ(ReadWholeFile(PrefsPath("KOther")), "A = 1;\n");

    // The last line has no line break and ends in a comment: the appended
    // lines must still stand on their own.
    WritePrefs("KObjectDuplicateSelected", "Dup_ParentGroup = 0; // off");
    EXPECT_EQ(AppendToolPrefs("KObjectDuplicateSelected", names, values, 2), 0);
    EXPECT_EQ(AppendToolPrefs("KObjectDuplicateSelected", names, values, 0), 0);
    EXPECT_EQ(ReadWholeFile(PrefsPath("KObjectDuplicateSelected")),
              "Dup_ParentGroup = 0; // off\nDup_ParentGroup = 1;\nOther = 7;\n");
    MStr value;
    EXPECT_EQ(ReadToolPrefString("KObjectDuplicateSelected", "Dup_ParentGroup", value), 1);
    EXPECT_EQ(value.str(), "1");
}

TEST_F(ToolPrefsTest, AppendedValuesReadBackAsWritten)
{
    WritePrefs("KText", "\n");
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

} // namespace
