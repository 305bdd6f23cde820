// The semantic pass: the walk over a unit's parse tree with the checks of
// declarations, statements and expressions.
#pragma once

#include <vector>

#include "script/compiler/tree.h"

namespace GSCompiler {

struct GSCompileUnit;
class GSSymbolTable;
class GSClassSymbol;
class GSFunctionSymbol;

// The explicit walk stack holds this many entries; deeper nesting is reported.
constexpr int kWalkStackSize = 128;

struct WalkerState {
    bool abort = false;
    bool declarationsOnly = false;
    bool skipChildren = false;
    GSFunctionSymbol* currentFunction = nullptr;
    GSClassSymbol* currentClass = nullptr;
    GSCompileUnit* unit = nullptr;
    GSSymbolTable* table = nullptr;
    // The loops, switches and waits whose children are being walked, the
    // innermost last: what a break, continue, case, default or on belongs to.
    std::vector<GSTreeNode*> openStatements;
    // Every node whose children are being walked, the innermost last: while a
    // node is post-visited, the last is its parent.
    std::vector<GSTreeNode*> openNodes;
};

// Walks the list from `root`; true when no visit failed.
bool Walk(WalkerState* state, GSTreeNode* root);

// Runs the pass over a unit's root (in declarations-only mode for a
// dependency); the unit's error count is the result.
int CheckUnit(GSCompileUnit* unit, bool declarationsOnly);

// Post-visit of an expression node (checks, types, folding).
bool CheckExpression(WalkerState* state, GSTreeNode* node);
// The assignment rule: `value` may be stored into `target`; `result` takes
// the target's type and class.
bool AssignmentRule(WalkerState* state, GSTreeNode* target, GSTreeNode* value, GSTreeNode* result);
// Type resolution of a type node (result type and class).
bool ResolveType(WalkerState* state, GSTreeNode* type);

// Constant folding of an operator node whose operands are constants; false
// when it was left as it is.
bool FoldUnary(GSTreeNode* node);
bool FoldBinary(GSTreeNode* node);
// Turns a node into a constant node of the given kind.
void MakeConstant(GSTreeNode* node, int32_t constantKind, uint32_t bits, const char* text);

}  // namespace GSCompiler
