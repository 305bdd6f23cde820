// Internal to zel: separators, path substitution and letter-case resolution behind Zel::File.
#pragma once

#include <string>
#include <string_view>

namespace Zel {
namespace FileResolution {

// '\\' -> '/'.
std::string ToNative(std::string_view path);
// a + '/' + b without doubling the separator; either may be empty.
std::string JoinPath(std::string_view a, std::string_view b);
// The folder part ("" for a bare name, "/" for a root entry).
std::string ParentOf(const std::string& path);
// The last component.
std::string LastComponentOf(const std::string& path);

// Applies the container (or the first-component substitution) to path.
// False when the container is unknown or names an archive target.
bool ApplySubst(const char* container, const char* path, std::string& out);

// What a look-up learnt of the entry it found without asking further.
enum class EntryKind { Unknown, File, Folder };

// The existing entry that path names, matching components without regard
// to ASCII case where the exact spelling is missing. False when none.
bool ResolveExisting(const std::string& path, std::string& out);
// The same, always asking the file system (never the thread's lookup scope).
bool ResolveExistingDirect(const std::string& path, std::string& out);
// As ResolveExisting for the components that exist; the first missing one
// and everything after it keep the case given.
std::string ResolveForCreate(const std::string& path);
// Both steps at once: substitution then resolution. kind, when given, is
// set for an existing entry found through the thread's lookup scope.
bool ResolveFull(const char* container, const char* path, std::string& out, bool forCreate, EntryKind* kind = nullptr);

// The calling thread's lookup scope (FileLookupScope) answers: false when
// no scope is open or it does not answer this path (not absolute, "." or
// ".." steps, a trailing separator, a folder it cannot list), else found and
// out as ResolveExisting would give them.
bool ResolveInScope(const std::string& path, std::string& out, bool& found, EntryKind* kind);
// Drops the scope's listing of folder (every listing when null) and every
// folder resolution it holds.
void ForgetInScope(const std::string* folder);

// Resolves folder now and keeps the answer: later look-ups of paths that
// begin with folder, spelt exactly so, match only what lies below it. A
// folder that no longer exists where it was found is matched again. known,
// when it exists and differs from folder in letter case only, is taken as
// the answer without a look-up.
void AnchorFolder(const std::string& folder, const std::string& known);

// path with the anchored folder it begins with spelt as on disk, as every
// look-up starts from it; empty when no anchor answers for path.
std::string AnchoredForm(const std::string& path);

// Our own change inside folder: drop its cached listing.
void InvalidateFolder(const std::string& folder);
void InvalidateAll();

}  // namespace FileResolution
}  // namespace Zel
