// Text dump of a parse tree, for the developer tool and the tests.
#pragma once

#include <string>

#include "script/compiler/tree.h"

namespace GSCompiler {

// One line per node, indented by depth: "group.kind line [details]"; lists
// follow their first node at the same depth.
void DumpTree(const GSTreeNode* root, std::string* out);
// A one-line form: "(op a b)" style, for compact test expectations.
std::string TreeSExpr(const GSTreeNode* node);

}  // namespace GSCompiler
