// Reads and writes on a descriptor that go on across signals (EINTR): the one
// place the program retries an interrupted call.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace Platform {

// One read(2), repeated while a signal interrupts it: the byte count, 0 at
// the end of the data, -1 on a failure (errno set).
ssize_t ReadSome(int descriptor, void* buffer, std::size_t size);

// Reads until `size` bytes or the end: the count read (less than `size` only
// at the end of the data), or -1 on a failure (errno set).
ssize_t ReadFull(int descriptor, void* buffer, std::size_t size);

// Reads until `size` bytes, the end of the data or a failure: the count
// read; when it is short, errno tells a failure from the end.
std::size_t ReadUpTo(int descriptor, void* buffer, std::size_t size);

// open(2), repeated while a signal interrupts it (a FIFO's open waits for
// its other end): the descriptor, or -1 (errno set).
int OpenFile(const char* path, int flags, mode_t mode = 0);

// One write(2), repeated while a signal interrupts it.
ssize_t WriteSome(int descriptor, const void* buffer, std::size_t size);

// Writes every byte: true when all were written; false on a failure or a
// write that took nothing (errno set, ENOSPC for the latter).
bool WriteAll(int descriptor, const void* buffer, std::size_t size);

// Writes until every byte, a failure or a write that took nothing: the
// count written.
std::size_t WriteUpTo(int descriptor, const void* buffer, std::size_t size);

}  // namespace Platform
