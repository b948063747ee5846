// Script interpreter: any bytes run as a script. Every variable the walk
// gives must be found by its name, the walk must give each once, and running
// the same script again on top must change nothing.

#include "MScriptInterpreter.h"
#include "MSystemManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace
{
void Check(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "fuzz_script: %s\n", what);
        std::abort();
    }
}

int Walk(MScriptInterpreter& in)
{
    int count = 0;
    int lastSlot = -1;
    for (const MScriptVariable* v = in.GetFirstVariable(); v; v = in.GetNextVariable())
    {
        Check(in.FindVariable(v->name.str()) == v, "a walked variable is not found by its name");
        Check(in.GetCurrentHashSlot() >= lastSlot, "the walk went back a slot");
        Check(v->kind == SCRIPT_VAR_TEXT || v->kind == SCRIPT_VAR_NUMBER ||
                  v->kind == SCRIPT_VAR_ONOFF,
              "a variable has no known kind");
        lastSlot = in.GetCurrentHashSlot();
        ++count;
    }
    Check(in.GetCurrentHashSlot() == -1, "the walk did not end");
    return count;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A manager without log sinks, so the log code runs too.
    static MSystemManager sys;
    SetSystemManager(&sys);

    const std::string_view script(reinterpret_cast<const char*>(data), size);
    MScriptInterpreter in;
    const bool sound = in.ExecuteScript(script, true);
    Check(sound == (in.GetErrorCount() == 0), "the result does not match the error count");
    const int count = Walk(in);
    Check(count == in.GetVariableCount(), "the walk and the count disagree");

    in.ExecuteScript(script, false);
    Check(Walk(in) == count, "running the script twice changed the variables");
    return 0;
}
