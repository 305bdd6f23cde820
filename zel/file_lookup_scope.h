// FileLookupScope: a thread's look-ups answered from folder listings taken once, for as long as the scope lives.
#pragma once

namespace Zel {

// While one is alive on a thread, that thread's look-ups of absolute paths
// (Exists, IsDirectory, Resolve, opening for reading) answer from one listing
// of each folder and one resolution of each folder name, taken the first time
// the scope needs them, instead of asking the file system for every path. A
// validation looks up dozens of names in one asset folder that nothing
// changes while it runs.
//
// Letter-case rules are those of every look-up (file.h): the listing is the
// one a case-blind match reads. Changes made through Zel::File on the same
// thread drop what they touch; changes made by other threads or processes
// are seen once the scope ends. Scopes nest; the outermost one owns the
// listings and drops them when it ends.
class FileLookupScope {
public:
    FileLookupScope();
    ~FileLookupScope();
    FileLookupScope(const FileLookupScope&) = delete;
    FileLookupScope& operator=(const FileLookupScope&) = delete;

    // True while a scope is open on the calling thread.
    static bool IsOpen();
};

}  // namespace Zel
