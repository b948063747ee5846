#pragma once

#include "MStr.h"

#include <cstddef>
#include <string_view>
#include <vector>

// One button of a shelf: the action it runs and its picture file.
struct MShelfEntry
{
    MStr action;
    MStr picture;
};

// A shelf file: a title, then pairs of action name and picture file name.
// Carriage returns, line feeds and commas (and zero bytes) separate tokens;
// before each token after the title, separators and spaces are skipped, and a
// token keeps its inner and trailing spaces. A last action without a picture
// is dropped.
class MShelfFile
{
  public:
    // Shelf files are small; larger ones are refused unread.
    static constexpr size_t kMaxBytes = size_t(1) << 20;

    void Parse(std::string_view text);
    // Reads and parses a file; 0 (leaving the shelf empty) when it cannot be
    // read.
    int Load(const MStr& path);

    MStr m_Title;
    std::vector<MShelfEntry> m_Entries;
};

// An existing file for a name written with '\' or '/' between folders, each
// part matched without regard to case (the exact spelling first); empty when
// there is none.
MStr FindFileNoCase(const MStr& name);
// The same for a file (folder false) or a folder (folder true).
MStr FindPathNoCase(const MStr& name, bool folder);
