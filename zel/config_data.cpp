// Zel::ConfigData lookups and the ConfigParser that reads the entry grammar.
#include "zel/config_data.h"

#include <cstdlib>

#include "zel/ascii.h"

namespace Zel {

void ConfigData::Add(const char* key, const char* value)
{
    entries_.push_back(Entry{key ? key : "", value ? value : "", {}});
}

const ConfigData::Entry* ConfigData::Find(const char* key) const
{
    for (const Entry& entry : entries_) {
        if (AsciiEqualIgnoreCase(entry.key, key))
            return &entry;
    }
    return nullptr;
}

const char* ConfigData::Get(const char* key, const char* defaultValue) const
{
    const Entry* entry = Find(key);
    return entry ? entry->value.c_str() : defaultValue;
}

namespace {

struct Token {
    enum Kind { Word, Open, Close, Separator, End } kind = End;
    std::string text;
    int line = 1;
};

class Lexer {
public:
    explicit Lexer(const std::string& text) : text_(text) {}

    // False on an unterminated quote.
    bool Next(Token& token)
    {
        for (;;) {
            while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'))
                ++pos_;
            if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
                continue;
            }
            break;
        }
        token.line = line_;
        token.text.clear();
        if (pos_ >= text_.size()) {
            token.kind = Token::End;
            return true;
        }
        char c = text_[pos_];
        if (c == '\n' || c == ';') {
            line_ += c == '\n' ? 1 : 0;
            ++pos_;
            token.kind = Token::Separator;
            return true;
        }
        if (c == '{' || c == '}') {
            ++pos_;
            token.kind = c == '{' ? Token::Open : Token::Close;
            return true;
        }
        token.kind = Token::Word;
        if (c == '"') {
            size_t close = text_.find('"', pos_ + 1);
            if (close == std::string::npos)
                return false;
            token.text = text_.substr(pos_ + 1, close - pos_ - 1);
            for (char q : token.text)
                line_ += q == '\n' ? 1 : 0;
            pos_ = close + 1;
            return true;
        }
        while (pos_ < text_.size()) {
            c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == ';')
                break;
            token.text += c;
            ++pos_;
        }
        return true;
    }

private:
    const std::string& text_;
    size_t pos_ = 0;
    int line_ = 1;
};

// Reads entries until the matching '}' (nested) or the end (root).
bool ParseEntries(Lexer& lexer, std::vector<ConfigData::Entry>& out, bool nested, std::string& error)
{
    Token token;
    for (;;) {
        if (!lexer.Next(token)) {
            error = "unterminated quote";
            return false;
        }
        if (token.kind == Token::Separator)
            continue;
        if (token.kind == Token::End) {
            if (nested)
                error = "missing '}' at the end";
            return !nested;
        }
        if (token.kind == Token::Close) {
            if (!nested)
                error = "unexpected '}' on line " + std::to_string(token.line);
            return nested;
        }
        if (token.kind == Token::Open) {
            error = "'{' without an entry on line " + std::to_string(token.line);
            return false;
        }
        ConfigData::Entry entry;
        entry.key = token.text;
        Token value;
        if (!lexer.Next(value)) {
            error = "unterminated quote";
            return false;
        }
        if (value.kind != Token::Word) {
            error = "entry '" + entry.key + "' without a value on line " + std::to_string(token.line);
            return false;
        }
        entry.value = value.text;
        Token after;
        if (!lexer.Next(after)) {
            error = "unterminated quote";
            return false;
        }
        if (after.kind == Token::Open) {
            if (!ParseEntries(lexer, entry.children, true, error))
                return false;
        } else if (after.kind == Token::Close) {
            out.push_back(std::move(entry));
            if (!nested)
                error = "unexpected '}' on line " + std::to_string(after.line);
            return nested;
        } else if (after.kind == Token::End) {
            out.push_back(std::move(entry));
            if (nested)
                error = "missing '}' at the end";
            return !nested;
        } else if (after.kind == Token::Word) {
            error = "more than one value for '" + entry.key + "' on line " + std::to_string(after.line);
            return false;
        }
        out.push_back(std::move(entry));
    }
}

}  // namespace

bool ConfigParser::Parse(const std::string& text, ConfigData& out, std::string& error)
{
    out.Clear();
    version_ = 0;
    error.clear();
    Lexer lexer(text);
    if (!ParseEntries(lexer, out.MutableEntries(), false, error))
        return false;
    if (const ConfigData::Entry* version = out.Find("version"))
        version_ = std::strtod(version->value.c_str(), nullptr);
    return true;
}

}  // namespace Zel
