// The text form of a soup as a log line and on standard output (printconfig).
#include <cstdio>
#include <string>

#include "foundation/base/logging.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"

void SoupHandle::Log() const
{
    std::string text;
    AppendTextSoup(*this, text);
    LogMessage("%s", text.c_str());
}

void SoupHandle::PrintToConsole() const
{
    std::string text;
    AppendTextSoup(*this, text);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}
