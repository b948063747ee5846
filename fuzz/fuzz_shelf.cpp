// Shelf file reader: arbitrary bytes give a title and pairs whose tokens are
// pieces of the input holding no separator.

#include "MShelfFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MShelfFile shelf;
    shelf.Parse(text);
    auto check = [&](const MStr& token)
    {
        const std::string_view t(token.c_str(), token.str().size());
        if (t.find_first_of(std::string_view("\r\n,\0", 4)) != std::string_view::npos)
            std::abort();
        if (!t.empty() && text.find(t) == std::string_view::npos)
            std::abort();
    };
    check(shelf.m_Title);
    if (shelf.m_Entries.size() > size / 2 + 1)
        std::abort();
    for (const MShelfEntry& e : shelf.m_Entries)
    {
        if (e.action.IsEmpty() || e.action.c_str()[0] == ' ')
            std::abort();
        check(e.action);
        check(e.picture);
    }
    return 0;
}
