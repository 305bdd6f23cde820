// The consistency check of a template library: every name a definition uses must lead somewhere.
#pragma once

#include <string>
#include <vector>

namespace DODLib {

class DataManager;

// Checks the merged library of the manager (loading it first) and its value
// lists: every parent, element type and container type is defined; every
// field "type" is one of the twenty; every validator name is known; every
// list source names a list file; every value field has a type; every asset
// kind the program knows has a top-level definition. One line per problem.
std::vector<std::string> LintTemplateLibrary(DataManager& manager);

// The template names that configs reach: the asset kinds of the kind table,
// the names kinds are mapped to, and the kinds only templates know.
std::vector<std::string> TemplateKindNames();

}  // namespace DODLib
