#pragma once

#include "MStr.h"

#include <string>

// Splits shader script text into words. A word is a run of characters other
// than white space, or, as the game reads it, a run of characters between
// double quotes on one line (the quotes are not part of the word). A word
// that begins with "//" starts a comment to the end of its line and one that
// begins with "/*" a comment up to the next "*/"; comments are skipped
// wherever a word would start. Words have no length limit. A UTF-8
// byte-order mark at the start of the text is skipped.
class MShaderLexer
{
  public:
    explicit MShaderLexer(std::string text);

    // Reads the next word; false (and an empty word) at the end of the text.
    bool ReadWord(MStr& word);
    // True when the word read last was written between quotes, so that a
    // quoted "{" or "}" is a name rather than a brace.
    bool LastWasQuoted() const { return m_LastQuoted; }
    // True when the word read last is the free-standing, unquoted brace c.
    bool LastIsBrace(char c) const;
    // True when no word is left.
    bool AtEnd();
    // True when the next word stands on the line of the word read last
    // (before the line ends or a comment begins).
    bool NextWordOnSameLine();
    // True when the next word is a free-standing "}".
    bool NextIsCloseBrace();
    // True when the next word is a free-standing "{" or "}": a keyword whose
    // value is missing must not take it.
    bool NextIsBrace();

    // The rest of the line after the word read last, as it stands: up to the
    // end of the line, a comment, or a free-standing "{" or "}" (which is
    // left to be read). Leading and trailing blanks are dropped.
    MStr RestOfLine();

    // Reads the single character c after white space and comments, if it is
    // the next character; true when it was.
    bool ReadChar(char c);

    size_t GetPosition() const { return m_Pos; }
    // Where the word read last began.
    size_t GetLastWordStart() const { return m_LastWordStart; }
    // The text between two positions with every run of white space made
    // one blank.
    MStr TextBetween(size_t from, size_t to) const;
    void SetPosition(size_t pos) { m_Pos = pos < m_Text.size() ? pos : m_Text.size(); }
    // The 1-based line of a position, for messages.
    int LineOf(size_t pos) const;

  private:
    void SkipSpaceAndComments();
    // From `pos`, skips blanks and comments that do not cross a line end;
    // returns the position of the next word on this line, or npos.
    size_t NextWordStartOnLine(size_t pos) const;
    size_t WordEnd(size_t start) const;

    std::string m_Text;
    size_t m_Pos = 0;
    size_t m_LastWordStart = 0;
    size_t m_LastWordEnd = 0;
    bool m_LastQuoted = false;
};
