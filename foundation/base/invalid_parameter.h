// The invalid-parameter handler of the command host: a dump, one line, then abort.
#pragma once

// What the product's C runtime calls for a bad argument to one of its checked
// functions; our own checked functions call it in the same places. Writes a
// dump (unless one exists), logs "Invalid Parameter Handler> function=%s,
// file=%s, line=%d" ("NULL" for a missing name) and aborts.
[[noreturn]] void InvalidParameterHandler(const char* expression, const char* function, const char* file,
                                          unsigned line);

// Makes the handler the terminate handler too, so an exception that escapes
// an unguarded thread leaves a dump. Inside a guarded region the guard wins
// (the process ends with -100, no dump), as for faults.
void InstallInvalidParameterHandler();
