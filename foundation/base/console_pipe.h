// Internal to the console writer: the pipe's name and its UTF-16LE writer.
#pragma once

#include <string>

// "\\.\pipe\<pid>cout": the abstract AF_UNIX socket name a parent listens on.
std::string ConsolePipeName(long processId);

// Sends the text as UTF-16LE, no byte-order mark; failures are ignored.
void WriteToConsolePipe(const std::u16string& text);
