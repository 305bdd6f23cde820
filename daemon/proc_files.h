// Reading the kernel's small text files under /proc.
#pragma once

#include <string>

// The whole file, read through a close-on-exec descriptor so that a command
// host started meanwhile never inherits it. False when it cannot be opened;
// reading stops at maxBytes.
bool KADReadProcFile(const std::string& path, std::string& text, std::size_t maxBytes = 16 * 1024 * 1024);
