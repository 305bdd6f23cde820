// File::Path editing operations.
#include "zel/path.h"

#include "zel/ascii.h"

#include <vector>

namespace Zel {
namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

void ConvertSeparators(std::string& text)
{
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
}

// Index of the first byte of the file name.
size_t FileNameStart(const std::string& text)
{
    size_t at = text.find_last_of("/\\");
    return at == std::string::npos ? 0 : at + 1;
}

// Index of the dot of the last extension, or npos.
size_t ExtensionDot(const std::string& text)
{
    size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < FileNameStart(text))
        return std::string::npos;
    return dot;
}

const char* SkipDot(const char* ext)
{
    return (ext && *ext == '.') ? ext + 1 : ext;
}

bool IsDriveComponent(std::string_view component)
{
    return component.size() == 2 && component[1] == ':' &&
           ((component[0] >= 'a' && component[0] <= 'z') || (component[0] >= 'A' && component[0] <= 'Z'));
}

}  // namespace

bool File::Path::IsAbsolute(std::string_view path)
{
    if (path.empty())
        return false;
    if (IsSeparator(path[0]))
        return true;  // '/', "\\\\server", and a rooted "\\x"
    return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]);
}

File::Path& File::Path::AddPath(const char* part)
{
    if (!part || !*part)
        return *this;
    std::string addition(part);
    ConvertSeparators(addition);
    if (text_.empty()) {
        text_ = addition;
        return *this;
    }
    bool endsWithSeparator = IsSeparator(text_.back());
    bool startsWithSeparator = addition[0] == '/';
    if (endsWithSeparator && startsWithSeparator) {
        text_.append(addition, 1, std::string::npos);
    } else if (endsWithSeparator || startsWithSeparator) {
        text_ += addition;
    } else {
        text_ += '/';
        text_ += addition;
    }
    return *this;
}

File::Path& File::Path::DelName(bool removeSlash)
{
    size_t start = FileNameStart(text_);
    text_.resize(start);
    if (removeSlash && !text_.empty() && text_.size() > 1)
        DelSlash();
    return *this;
}

File::Path& File::Path::DelPath()
{
    text_.erase(0, FileNameStart(text_));
    return *this;
}

bool File::Path::PrevDir()
{
    std::string trimmed = text_;
    while (trimmed.size() > 1 && IsSeparator(trimmed.back()))
        trimmed.pop_back();
    size_t at = trimmed.find_last_of("/\\");
    if (at == std::string::npos || at + 1 == trimmed.size())
        return false;
    text_ = trimmed.substr(0, at + 1);
    return true;
}

File::Path& File::Path::SetExt(const char* ext)
{
    size_t dot = ExtensionDot(text_);
    if (dot != std::string::npos)
        text_.resize(dot);
    ext = SkipDot(ext);
    if (ext && *ext) {
        text_ += '.';
        text_ += ext;
    }
    return *this;
}

bool File::Path::IsExt(const char* ext) const
{
    ext = SkipDot(ext);
    return AsciiEqualIgnoreCase(GetExt(), ext ? ext : "");
}

std::string File::Path::GetExt() const
{
    size_t dot = ExtensionDot(text_);
    return dot == std::string::npos ? std::string() : text_.substr(dot + 1);
}

// A drive prefix ("C:name.gs") is not part of the name either, so the name also starts after the last ':'.
std::string File::Path::GetFileName() const
{
    size_t at = text_.find_last_of("/\\:");
    return at == std::string::npos ? text_ : text_.substr(at + 1);
}

File::Path& File::Path::Normalize()
{
    if (text_.empty())
        return *this;
    ConvertSeparators(text_);
    bool absolute = text_[0] == '/';
    bool trailing = text_.back() == '/';
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= text_.size()) {
        size_t end = text_.find('/', begin);
        if (end == std::string::npos)
            end = text_.size();
        std::string part = text_.substr(begin, end - begin);
        begin = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            bool canPop = !parts.empty() && parts.back() != ".." && !IsDriveComponent(parts.back());
            if (canPop) {
                parts.pop_back();
            } else if (!absolute && !(parts.size() == 1 && IsDriveComponent(parts[0]))) {
                parts.push_back(part);  // a relative path may climb above its start
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            result += '/';
        result += parts[i];
    }
    if (trailing && !parts.empty())
        result += '/';
    text_ = result;
    return *this;
}

File::Path& File::Path::ReplaceForwardSlashes()
{
    ConvertSeparators(text_);
    return *this;
}

File::Path& File::Path::ToLower()
{
    for (char& c : text_)
        c = AsciiToLower(c);
    return *this;
}

File::Path& File::Path::DelSlash()
{
    while (text_.size() > 1 && IsSeparator(text_.back()))
        text_.pop_back();
    return *this;
}

File::Path& File::Path::AddSlash()
{
    if (!text_.empty() && !IsSeparator(text_.back()))
        text_ += '/';
    return *this;
}

File::Path& File::Path::Del(size_t position, size_t count)
{
    if (position < text_.size())
        text_.erase(position, count);
    return *this;
}

bool File::Path::MakeRelativeTo(const Path& base)
{
    std::string self = text_;
    std::string root = base.text_;
    ConvertSeparators(self);
    ConvertSeparators(root);
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (root.empty())
        return true;
    if (self.size() < root.size() || !AsciiEqualIgnoreCase(std::string_view(self).substr(0, root.size()), root))
        return false;
    if (self.size() == root.size()) {
        text_.clear();
        return true;
    }
    // Only a whole component counts: "/r/UserData2" is not below "/r/UserData".
    if (root.back() != '/' && self[root.size()] != '/')
        return false;
    size_t restStart = root.back() == '/' ? root.size() : root.size() + 1;
    text_ = self.substr(restStart);
    return true;
}

std::string File::Path::ExtractFirstPath()
{
    size_t at = text_.find_first_of("/\\");
    if (at == std::string::npos)
        return std::string();
    std::string first = text_.substr(0, at);
    text_.erase(0, at + 1);
    return first;
}

}  // namespace Zel
