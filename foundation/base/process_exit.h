// Ending the process at once, as the product does: no exit handlers, no static destructors.
#pragma once

// Flushes stdout and stderr (a piped reader would otherwise lose buffered
// lines) and ends the process with the low 8 bits of the code: -1 is 255,
// -100 is 156, 330 is 74. Never clamps.
[[noreturn]] void EndProcessNow(int exitCode);

// Exit code of a fault or exception that escapes a guarded command or job.
constexpr int GuardedFaultExitCode = -100;
