#pragma once

#include "MStr.h"

#include <string_view>
#include <vector>

// Kinds of script variable. Text and numbers are both shown and edited as
// text; on/off values as a switch.
enum MScriptVariableKind : int
{
    SCRIPT_VAR_TEXT = 1,   // a quoted string, or a bare word that is not a number
    SCRIPT_VAR_NUMBER = 2, // a number other than 0 and 1
    SCRIPT_VAR_ONOFF = 4,  // 0, 1, on, off, true, false, yes, no
};

// One variable of a script: its name, kind, value as written (without the
// quotes of a string) and value as an integer (1 or 0 for on/off; a number
// cut towards zero and held within the int range; for text the leading
// integer, or 0).
struct MScriptVariable
{
    MScriptVariable() = default;
    explicit MScriptVariable(MStr variableName) : name(std::move(variableName)) {}

    MStr name;
    int kind = SCRIPT_VAR_TEXT;
    MStr text;
    int value = 0;
};

// Runs scripts of assignment lines and keeps the variables they set:
//
//     // a comment runs to the end of the line; /* block comments */ too
//     DeleteChildren = 1;
//     Label = "two words";      // \" \\ \n \t and \r in strings
//     Dup_ParentGroup = 0;
//
// A name starts with a letter or '_' and goes on with letters, digits, '_'
// and '.'; names match without regard to case. A value is a quoted string
// (on one line) or a bare word (no blanks, ';', '"' or '='). The last
// assignment of a name wins.
//
// A statement that is not sound (unterminated string, missing '=', value or
// ';', a stray character) is reported through the log with its line and
// skipped; the script goes on with the next line (or the next statement
// after a ';' on the same line). Statements before and after it keep their
// effect.
//
// Variables are kept in a hash table; GetFirstVariable and GetNextVariable
// walk it slot by slot, and GetCurrentHashSlot tells the slot of the
// variable given last.
class MScriptInterpreter
{
  public:
    MScriptInterpreter();

    // Runs a script. With reset set, the variables of earlier runs are
    // forgotten first. True when every statement was sound.
    bool ExecuteScript(std::string_view script, bool reset = true);
    // Reads a script file whole and runs it; false (logged) when the file
    // cannot be read or the script was not sound.
    bool ExecuteScriptFile(const MStr& path, bool reset = true);

    // The value of a variable as written. False, leaving value unchanged,
    // when there is no such variable.
    bool GetVariable(const MStr& name, MStr& value) const;
    // Fills a variable found by its own name. False, leaving it unchanged,
    // when there is no such variable.
    bool GetVariable(MScriptVariable& variable) const;
    // The variable of that name, or null. Valid until the variables change
    // (a run, SetVariable or Clear).
    const MScriptVariable* FindVariable(std::string_view name) const;

    // Walk every variable: the first (null when there is none), then each
    // next until null. The walk and its pointers hold until the variables
    // change.
    const MScriptVariable* GetFirstVariable();
    const MScriptVariable* GetNextVariable();
    // The hash slot of the variable the walk gave last; -1 before the first
    // and after the last.
    int GetCurrentHashSlot() const { return m_WalkSlot; }

    int GetVariableCount() const { return m_Count; }
    // Statements not sound in the last run.
    int GetErrorCount() const { return m_Errors; }
    void Clear();

    // Sets a variable as an assignment of this value would (bare word rules
    // decide the kind; with quoted set it is text).
    void SetVariable(std::string_view name, std::string_view value, bool quoted = false);

  private:
    class Parser;
    static size_t HashName(std::string_view name);
    void Grow();

    std::vector<std::vector<MScriptVariable>> m_Slots;
    int m_Count = 0;
    int m_Errors = 0;
    int m_WalkSlot = -1;
    size_t m_WalkIndex = 0;
};
