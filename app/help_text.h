// The help text that main prints for "help" and for an empty command line.
#pragma once

#include <string>

// Every line ends with LF, the last one included. The spelling, spacing and
// tabs are the product's own; scripts may match on them.
const std::string& GetHelpText();
