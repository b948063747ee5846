#include "MScriptInterpreter.h"
#include "TestSupport.h"

#include <climits>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace
{
MScriptVariable Get(const MScriptInterpreter& in, const char* name)
{
    MScriptVariable v{MStr(name)};
    v.kind = -1;
    v.text = "unset";
    v.value = -12345;
    in.GetVariable(v);
    return v;
}

bool LogMentions(const TestSystem& sys, const std::string& part)
{
    for (const std::string& line : sys.log.lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}
} // namespace

TEST(MScriptInterpreter, ValuesGetTheirKindTextAndInteger)
{
    TestSystem sys;
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScript("DeleteChildren = 1;\n"
                                 "Dup_ParentGroup = 0;\n"
                                 "Depth = 2;\n"
                                 "Scale = -3.75;\n"
                                 "Huge = 1e12;\n"
                                 "Tiny = -.5e-3;\n"
                                 "Label = \"two words; and = signs\";\n"
                                 "Quoted = \"1\";\n"
                                 "Path = textures/base_wall/metal.tga;\n"
                                 "Flag = On;\n"
                                 "Other = false;\n"
                                 "Mixed = 12abc;\n",
                                 true));
    EXPECT_TRUE(sys.log.lines.empty());

    struct Expect
    {
        const char* name;
        int kind;
        const char* text;
        int value;
    };
    const Expect expected[] = {
        {"DeleteChildren", SCRIPT_VAR_ONOFF, "1", 1},
        {"Dup_ParentGroup", SCRIPT_VAR_ONOFF, "0", 0},
        {"Depth", SCRIPT_VAR_NUMBER, "2", 2},
        {"Scale", SCRIPT_VAR_NUMBER, "-3.75", -3},
        {"Huge", SCRIPT_VAR_NUMBER, "1e12", INT_MAX},
        {"Tiny", SCRIPT_VAR_NUMBER, "-.5e-3", 0},
        {"Label", SCRIPT_VAR_TEXT, "two words; and = signs", 0},
        {"Quoted", SCRIPT_VAR_TEXT, "1", 1},
        {"Path", SCRIPT_VAR_TEXT, "textures/base_wall/metal.tga", 0},
        {"Flag", SCRIPT_VAR_ONOFF, "On", 1},
        {"Other", SCRIPT_VAR_ONOFF, "false", 0},
        {"Mixed", SCRIPT_VAR_TEXT, "12abc", 12},
    };
    EXPECT_EQ(in.GetVariableCount(), static_cast<int>(std::size(expected)));
    for (const Expect& e : expected)
    {
        const MScriptVariable v = Get(in, e.name);
        EXPECT_EQ(v.kind, e.kind) << e.name;
        EXPECT_EQ(v.text, e.text) << e.name;
        EXPECT_EQ(v.value, e.value) << e.name;
    }
}

TEST(MScriptInterpreter, LastAssignmentWinsAndNamesIgnoreCase)
{
    TestSystem sys;
    MScriptInterpreter in;
    // What the tool preference writer appends ("%s = %s;\n") overrides the start.
    ASSERT_TRUE(in.ExecuteScript("DeleteChildren = 0;\nOther = a;\ndeletechildren = 1;\n"));
    EXPECT_EQ(in.GetVariableCount(), 2);
    MStr value = "unset";
    EXPECT_TRUE(in.GetVariable("DELETECHILDREN", value));
    EXPECT_EQ(value, "1");
    EXPECT_EQ(Get(in, "DeleteChildren").value, 1);

    EXPECT_FALSE(in.GetVariable("Missing", value));
    EXPECT_EQ(value, "1") << "a missing variable leaves the string alone";
    const MScriptVariable missing = Get(in, "Missing");
    EXPECT_EQ(missing.text, "unset");
    EXPECT_EQ(missing.kind, -1);
}

TEST(MScriptInterpreter, CommentsBlanksAndEscapes)
{
    TestSystem sys;
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScript("// heading comment\r\n"
                                 "  a=1;b = word; // trailing\n"
                                 "/* block\n comment */ c\n=\n\"x\\\"y\\\\z\\n\\tw\\q\"\n;\n"
                                 "d = on// no blank before the comment\n;\n"));
    EXPECT_EQ(Get(in, "a").value, 1);
    EXPECT_EQ(Get(in, "b").text, "word");
    EXPECT_EQ(Get(in, "c").text, "x\"y\\z\n\tw\\q");
    EXPECT_EQ(Get(in, "d").text, "on");
    EXPECT_EQ(in.GetErrorCount(), 0);
}

TEST(MScriptInterpreter, ResetDecidesWhetherEarlierVariablesStay)
{
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScript("a = 1;"));
    ASSERT_TRUE(in.ExecuteScript("b = 2;", false));
    EXPECT_NE(in.FindVariable("a"), nullptr);
    ASSERT_TRUE(in.ExecuteScript("c = 3;", true));
    EXPECT_EQ(in.FindVariable("a"), nullptr);
    EXPECT_EQ(in.FindVariable("b"), nullptr);
    EXPECT_EQ(in.GetVariableCount(), 1);
}

TEST(MScriptInterpreter, DamagedStatementsAreReportedAndSkipped)
{
    TestSystem sys;
    MScriptInterpreter in;
    EXPECT_FALSE(in.ExecuteScript("good1 = 1;\n"
                                  "str = \"never closed;\n"
                                  "noequals 5;\n"
                                  "nosemi = 7\n"
                                  "good2 = 2;\n"
                                  "novalue = ;\n"
                                  "= 3;\n"
                                  "9lives = 9;\n"
                                  "after = x; junk\n"
                                  "good3 = 3;"));
    EXPECT_EQ(in.GetErrorCount(), 7);
    EXPECT_EQ(Get(in, "good1").value, 1);
    EXPECT_EQ(Get(in, "good2").value, 2);
    EXPECT_EQ(Get(in, "good3").value, 3);
    EXPECT_EQ(Get(in, "after").text, "x");
    for (const char* broken : {"str", "noequals", "nosemi", "novalue", "9lives"})
        EXPECT_EQ(in.FindVariable(broken), nullptr) << broken;

    EXPECT_TRUE(LogMentions(sys, "line 2: unterminated string in the value of 'str'"));
    EXPECT_TRUE(LogMentions(sys, "line 3: missing '=' after 'noequals'"));
    EXPECT_TRUE(LogMentions(sys, "line 4: missing ';' after the value of 'nosemi'"));
    EXPECT_TRUE(LogMentions(sys, "line 6: missing value for 'novalue'"));
    EXPECT_TRUE(LogMentions(sys, "line 7: expected a variable name, found '='"));
    EXPECT_TRUE(LogMentions(sys, "line 8: expected a variable name, found '9'"));
    EXPECT_TRUE(LogMentions(sys, "line 9: missing '=' after 'junk'"));
}

TEST(MScriptInterpreter, BinaryJunkIsReportedBrieflyAndKeepsWhatCameBefore)
{
    TestSystem sys;
    MScriptInterpreter in;
    std::string script = "Kept = \"yes\";\n";
    for (int i = 0; i < 4000; ++i)
        script += static_cast<char>((i * 131 + 7) % 256);
    script += std::string("\0 = \0;\n", 7);
    script += "/* never closed";
    EXPECT_FALSE(in.ExecuteScript(script));
    EXPECT_GT(in.GetErrorCount(), 0);
    EXPECT_EQ(Get(in, "Kept").text, "yes");
    EXPECT_LE(sys.log.lines.size(), 11u) << "the log shows the first errors and a count";
    EXPECT_TRUE(LogMentions(sys, "further errors not shown"));

    // Bytes of any value, one script each, never crash.
    for (int b = 0; b < 256; ++b)
    {
        MScriptInterpreter one;
        const std::string s = "a = " + std::string(1, static_cast<char>(b)) + ";\n\"";
        one.ExecuteScript(s);
    }
}

TEST(MScriptInterpreter, WalkVisitsEveryVariableOnceWithItsHashSlot)
{
    MScriptInterpreter in;
    EXPECT_EQ(in.GetFirstVariable(), nullptr);
    EXPECT_EQ(in.GetCurrentHashSlot(), -1);

    std::string script;
    for (int i = 0; i < 1000; ++i)
        script += "v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    ASSERT_TRUE(in.ExecuteScript(script));
    ASSERT_EQ(in.GetVariableCount(), 1000);

    std::map<std::string, int> seen;
    int lastSlot = -1;
    for (const MScriptVariable* v = in.GetFirstVariable(); v; v = in.GetNextVariable())
    {
        const int slot = in.GetCurrentHashSlot();
        EXPECT_GE(slot, lastSlot) << "the walk goes slot by slot";
        lastSlot = slot;
        EXPECT_EQ(v->text, v->name.Mid(1)) << v->name.str();
        ++seen[v->name.str()];
    }
    EXPECT_EQ(seen.size(), 1000u);
    for (const auto& [name, count] : seen)
        EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(in.GetCurrentHashSlot(), -1);
    EXPECT_EQ(in.GetNextVariable(), nullptr);
    EXPECT_EQ(Get(in, "v999").value, 999);
}

TEST(MScriptInterpreter, RunsScriptFiles)
{
    TestSystem sys;
    TempDir dir;
    const std::string path = dir.Write("Prefs/Tools/KObjectDeleteSelected.ascr",
                                       "DeleteChildren = 1;\r\nDeleteChildren = 0;\r\n");
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScriptFile(path));
    const MScriptVariable v = Get(in, "DeleteChildren");
    EXPECT_EQ(v.kind, SCRIPT_VAR_ONOFF);
    EXPECT_EQ(v.value, 0);

    const std::string missing = (dir.Path() / "none.ascr").string();
    EXPECT_FALSE(in.ExecuteScriptFile(missing));
    EXPECT_TRUE(LogMentions(sys, "Script '" + missing + "' could not be read"));
    EXPECT_EQ(in.GetVariableCount(), 0);

    dir.Write("bad.ascr", "a = 1;\nb = \"open\n");
    EXPECT_FALSE(in.ExecuteScriptFile((dir.Path() / "bad.ascr").string()));
    EXPECT_TRUE(LogMentions(sys, "bad.ascr' line 2: unterminated string"));
    EXPECT_EQ(Get(in, "a").value, 1);
}

TEST(MScriptInterpreter, SetVariableUsesTheSameRules)
{
    MScriptInterpreter in;
    in.SetVariable("Flag", "1");
    in.SetVariable("Text", "1", true);
    EXPECT_EQ(Get(in, "Flag").kind, SCRIPT_VAR_ONOFF);
    EXPECT_EQ(Get(in, "Text").kind, SCRIPT_VAR_TEXT);
    in.Clear();
    EXPECT_EQ(in.GetVariableCount(), 0);
    EXPECT_EQ(in.FindVariable("Flag"), nullptr);
}
