// Codes of the private requests that builds with test hooks answer.
#pragma once

#include <cstdint>

// Codes at 9000 and above are never sent by the utility; builds without test
// hooks give them the empty reply of any unknown code.
struct KadTestHookCode {
    // Replies with the payload.
    static constexpr std::int32_t Echo = 9000;
    // Payload int32 milliseconds (0 to 60000): sleeps, then replies with it.
    static constexpr std::int32_t Sleep = 9001;
    // Throws inside the handler.
    static constexpr std::int32_t Fail = 9002;
    // Payload int32 n, n x {int32 kind, string}: sends the lines as a result
    // note, then a second note with one line "done", then replies int32 n + 1.
    static constexpr std::int32_t ResultLines = 9003;
};
