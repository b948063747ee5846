// Build step: writes the shipped key file from the readable table, through
// the editor's own key-file writer.
//
//     glazen-make-keyfile TABLE OUT
#include "MAction.h"
#include "MActionList.h"
#include "MDefaultKeyTable.h"
#include "MFile.h"
#include "MKeyBinding.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s TABLE OUT\n", argv[0]);
        return 2;
    }
    std::string text;
    if (!MFile::ReadWhole(MStr(argv[1]), text))
    {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    MActionRegistry registry;
    RegisterAllActions(registry, nullptr);
    MKeyBindingTable table;
    table.SetActionRegistry(&registry);
    std::vector<MStr> problems;
    MDefaultKeyTable::Apply(text, registry, table, problems);
    for (const MStr& p : problems)
        std::fprintf(stderr, "%s: %s\n", argv[1], p.c_str());
    if (!problems.empty())
        return 1;
    return table.SaveKeyFile(MStr(argv[2])) ? 0 : 1;
}
