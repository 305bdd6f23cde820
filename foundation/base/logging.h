// Diagnostic lines through the engine log client "Korvel", and the fatal-error exit.
#pragma once

// One diagnostic line ("Class::Method> text"). Where it goes is fixed by the
// engine option string: standard output with -zellog, nowhere otherwise.
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Logs the line, writes "Error: <text>" to stderr, flushes and ends the
// process with exit code 1. No shutdown runs and nothing is written back.
[[noreturn]] void FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));
