// The largest payload each kind of request may carry.
#pragma once

#include <cstddef>
#include <cstdint>

// Most requests hold a few numbers, ids or short strings; only the lists a
// search or a dependency look-up carries and a command host's answers
// (results logs) can be large. A client announcing more than its kind can
// hold is not one of ours: the connection is closed before any of it is kept.
std::size_t KADMaxRequestPayload(std::int32_t code);

// True when the code has a limit of its own (every code the daemon answers
// must): false for a code that only gets the limit of unknown codes.
bool KADHasOwnPayloadLimit(std::int32_t code);
