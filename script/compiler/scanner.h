// The DudoRazuzu scanner: source text to token codes, with an exact line count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace GSCompiler {

// Abstract scanner interface: the parser pulls tokens and reads the current
// token's text and the line count.
class FlexLexer {
public:
    virtual ~FlexLexer() = default;
    // Next token code; 0 at end of input; kTokenTooLong for a token over the limit.
    virtual int yylex() = 0;
    const char* YYText() const { return text_; }
    int YYLeng() const { return length_; }
    int lineno() const { return line_; }

protected:
    const char* text_ = "";
    int length_ = 0;
    int line_ = 1;
};

// Hand-written scanner over a text held in memory. The longest match wins;
// of equal matches the earlier rule (keywords before identifiers). Line
// feeds inside a match count when the match ends, so the line count is the
// line where the last token ended.
class yyFlexLexer : public FlexLexer {
public:
    // A single token may hold at most this many characters (the 16384-character
    // buffer of the original scanner less its end mark).
    static constexpr size_t kMaxTokenLength = 16383;

    yyFlexLexer(const char* text, size_t length);
    int yylex() override;

private:
    int Finish(int token, size_t start, size_t end, int newlines);
    int ScanQuoted(size_t start, size_t quoteAt, char quote, int fallback);
    int ScanNumber(size_t start);

    const char* src_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace GSCompiler
