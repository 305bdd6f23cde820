// Reading and writing a soup in its text form (config.txt and the other ".txt" soups).
#pragma once

#include <string>

class SoupHandle;
class TStream;

// The byte-order mark EF BB BF, CR LF, then the root's tags; a null handle
// writes nothing at all.
void WriteTextSoup(const SoupHandle& soup, TStream& stream);
// The same text appended to a string (the writer's one body).
void AppendTextSoup(const SoupHandle& soup, std::string& out);

// Clears the handle and reads tags until the text ends or a "}" is met at the
// top level (the stream is left there). Never fails: malformed text gives an
// empty or partial soup. `utf8` is false for files: a byte-order mark sets
// it; without one, texts with bytes above 0x7F are taken as ANSI (Windows-1252)
// and converted to UTF-8.
void ReadTextSoup(SoupHandle& soup, TStream& stream, bool utf8);
// The same over bytes in memory; returns the count of bytes consumed.
size_t ReadTextSoup(SoupHandle& soup, const char* text, size_t length, bool utf8);

// What the lenient reader read past without failing. Readers that must not
// guess (asset configs) refuse texts that have any.
struct TextSoupFaults {
    // Offset of the innermost "{" the text never closes (its container ran
    // to the end of the text); npos when every "{" is closed.
    size_t unclosedBrace = std::string::npos;
    // Offset of a double quote whose text runs to the end of the text
    // (everything after it became one value); npos when none.
    size_t unclosedQuote = std::string::npos;
};
// ReadTextSoup over bytes in memory, noting its faults.
size_t ReadTextSoup(SoupHandle& soup, const char* text, size_t length, bool utf8, TextSoupFaults& faults);
