#include "MScriptInterpreter.h"
#include "TestSupport.h"

#include <climits>
#include <gtest/gtest.h>
#include <map>

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

bool Logged(const TestSystem& sys, const std::string& part)
{
    return std::any_of(sys.log.lines.begin(), sys.log.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}
} // namespace

TEST(MScriptInterpreter, ValuesGetTheirKindTextAndIntegerPastCommentsAndBlanks)
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
    const struct
    {
        const char* name;
        int kind;
        const char* text;
        int value;
    } expected[] = {
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
        {"Escaped", SCRIPT_VAR_TEXT, "x\"y\\z\n\tw\\q", 0},
        {"d", SCRIPT_VAR_ONOFF, "on", 1},
        {"Last", SCRIPT_VAR_NUMBER, "5", 5},
    };
    EXPECT_EQ(in.GetVariableCount(), int(std::size(expected)));
    for (const auto& e : expected)
    {
        const MScriptVariable v = Get(in, e.name);
        EXPECT_EQ(v.kind, e.kind) << e.name;
        EXPECT_EQ(v.text, e.text) << e.name;
        EXPECT_EQ(v.value, e.value) << e.name;
    }
}

TEST(MScriptInterpreter, LastAssignmentWinsNamesIgnoreCaseAndResetClears)
{
    MScriptInterpreter in;
    // What the tool preference writer appends ("%s = %s;\n") overrides the start.
    ASSERT_TRUE(in.ExecuteScript("DeleteChildren = 0;\nOther = a;\ndeletechildren = 1;\n"));
    EXPECT_EQ(in.GetVariableCount(), 2);
    MStr value = "unset";
    EXPECT_TRUE(in.GetVariable("DELETECHILDREN", value));
    EXPECT_EQ(value, "1");
    EXPECT_FALSE(in.GetVariable("Missing", value));
    EXPECT_EQ(value, "1") << "a missing variable leaves the string alone";
    EXPECT_EQ(Get(in, "Missing").kind, -1);

    ASSERT_TRUE(in.ExecuteScript("b = 2;", false));
    EXPECT_NE(in.FindVariable("Other"), nullptr);
    ASSERT_TRUE(in.ExecuteScript("c = 3;", true));
    EXPECT_EQ(in.FindVariable("b"), nullptr);
    EXPECT_EQ(in.GetVariableCount(), 1);
    in.SetVariable("Flag", "1");
    in.SetVariable("Text", "1", true);
    EXPECT_EQ(Get(in, "Flag").kind, SCRIPT_VAR_ONOFF);
    EXPECT_EQ(Get(in, "Text").kind, SCRIPT_VAR_TEXT);
    in.Clear();
    EXPECT_EQ(in.GetVariableCount(), 0);
    EXPECT_EQ(in.FindVariable("Flag"), nullptr);
}

TEST(MScriptInterpreter, DamagedStatementsAreReportedAndSkipped)
{
    TestSystem sys;
    MScriptInterpreter in;
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
    std::map<std::string, int> seen;
    int lastSlot = -1;
    for (const MScriptVariable* v = in.GetFirstVariable(); v; v = in.GetNextVariable())
    {
        EXPECT_GE(in.GetCurrentHashSlot(), lastSlot) << "the walk goes slot by slot";
        lastSlot = in.GetCurrentHashSlot();
        EXPECT_EQ(v->text, v->name.Mid(1)) << v->name.str();
        ++seen[v->name.str()];
    }
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](auto& s) { return s.second == 1; }));
    EXPECT_EQ(in.GetCurrentHashSlot(), -1);
    EXPECT_EQ(in.GetNextVariable(), nullptr);
    EXPECT_EQ(Get(in, "V999").value, 999);
}

TEST(MScriptInterpreter, RunsScriptFiles)
{
    TestSystem sys;
    TempDir dir;
    MScriptInterpreter in;
    ASSERT_TRUE(in.ExecuteScriptFile(dir.Write("Prefs/Tools/KObjectDeleteSelected.ascr",
                                               "DeleteChildren = 1;\r\nDeleteChildren = 0;\r\n")));
    EXPECT_EQ(Get(in, "DeleteChildren").value, 0);
    const std::string missing = (dir.Path() / "none.ascr").string();
    EXPECT_FALSE(in.ExecuteScriptFile(missing));
    EXPECT_TRUE(Logged(sys, "Script '" + missing + "' could not be read"));
    EXPECT_EQ(in.GetVariableCount(), 0);
    EXPECT_GT(in.GetErrorCount(), 0);
    EXPECT_FALSE(in.ExecuteScriptFile(dir.Write("bad.ascr", "a = 1;\nb = \"open\n")));
    EXPECT_TRUE(Logged(sys, "bad.ascr' line 2: unterminated string"));
    EXPECT_EQ(Get(in, "a").value, 1);
}
