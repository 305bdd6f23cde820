// Diagnostic lines through the engine log client "Korvel", and the fatal-error exit.
#include "foundation/base/logging.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/base/process_exit.h"
#include "zel/log.h"
#include "zel/string.h"

namespace {

// Obtained before main, as the product does, and kept for the process.
Zel::LogClient* const programLogClient = Zel::Log::GetClient("Korvel");

// Formats once; the text goes out with the format "%s", so a percent sign
// in it is not interpreted a second time.
Zel::String OutputLine(const char* format, va_list args)
{
    Zel::String text;
    text.Add(format, args);
    programLogClient->SetLevel(2);
    programLogClient->OutputString(2, "%s", text.c_str());
    return text;
}

}  // namespace

void LogMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    OutputLine(format, args);
    va_end(args);
}

void FatalError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Zel::String text = OutputLine(format, args);
    va_end(args);
    // The product shows a message box and waits; a command-line port must
    // never block, so the text goes to the error stream.
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    EndProcessNow(1);
}
