// File::Path: the engine's path value with its editing operations ('/' is the separator).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "zel/file.h"

namespace Zel {

class File::Path {
public:
    Path() = default;
    Path(const char* text) : text_(text ? text : "") {}
    explicit Path(std::string_view text) : text_(text) {}
    explicit Path(std::string text) : text_(std::move(text)) {}
    Path& operator=(const char* text)
    {
        text_ = text ? text : "";
        return *this;
    }

    const char* c_str() const { return text_.c_str(); }
    const std::string& Str() const { return text_; }
    std::string_view View() const { return text_; }
    size_t Length() const { return text_.size(); }
    bool IsEmpty() const { return text_.empty(); }
    void Clear() { text_.clear(); }

    // Appends part as a further component: a '/' goes between unless this is
    // empty or already ends in a separator; '\\' in part becomes '/'. An empty
    // folder adds no separator (empty + "x.gs" = "x.gs").
    Path& AddPath(const char* part);
    Path& AddPath(const Path& part) { return AddPath(part.c_str()); }
    // Removes the file name (everything after the last separator). With
    // removeSlash the separator goes too ("a/b/c" -> "a/b"), else it stays ("a/b/").
    Path& DelName(bool removeSlash = false);
    // Keeps only the file name.
    Path& DelPath();
    // Goes up one folder: "a/b/c" and "a/b/c/" both give "a/b/". False when
    // there is no folder to leave.
    bool PrevDir();
    // Replaces the last extension of the file name; null or "" removes it
    // ("a/b.texture.txt" -> "a/b.texture"). A leading '.' in ext is allowed.
    Path& SetExt(const char* ext);
    // Case-insensitive test of the last extension (ext with or without '.').
    bool IsExt(const char* ext) const;
    // The last extension without its dot, "" when none.
    std::string GetExt() const;
    // The text after the last separator.
    std::string GetFileName() const;
    // Lexical clean-up: separators to '/', repeated separators, "." and
    // "name/.." removed; a trailing separator is kept; nothing is looked up.
    Path& Normalize();
    // Normalises every separator to the native '/'.
    Path& ReplaceForwardSlashes();
    // ASCII only.
    Path& ToLower();
    // Drops trailing separators (the root "/" stays).
    Path& DelSlash();
    // Adds a trailing '/' unless empty or already there.
    Path& AddSlash();
    // Removes count bytes from position (both clamped).
    Path& Del(size_t position, size_t count);
    // When this lies below base (compared on whole components, ASCII case
    // ignored, separators normalised), keeps only the part below it and
    // returns true; otherwise leaves it and returns false. Equal paths give "".
    bool MakeRelativeTo(const Path& base);
    // Removes the first component and its separator and returns that
    // component; a path without a separator is left alone and "" returned.
    std::string ExtractFirstPath();

    bool IsAbsolute() const { return IsAbsolute(text_); }
    static bool IsAbsolute(std::string_view path);

    bool operator==(const Path& other) const { return text_ == other.text_; }
    bool operator!=(const Path& other) const { return text_ != other.text_; }

private:
    std::string text_;
};

}  // namespace Zel
