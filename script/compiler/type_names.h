// The compiler's shared vocabulary: type, operator and modifier names, type
// codes of names, signature texts and the type-compatibility tests.
#pragma once

#include <cstdint>
#include <string>

#include "script/compiler/tree.h"

namespace GSCompiler {

// "void" ... "null"; the empty text for 12; "illegal type" otherwise.
const char* TypeName(int32_t code);
// The class name (with "[]" for object[]) when the node has one, else the
// type name of its result type; "illegal type" for no node.
std::string ExpressionTypeName(const GSTreeNode* node);
// "--", "++", ".", ... ; the empty text for an unknown code.
const char* OperatorName(int32_t code);
// "public static define " style: each set bit's name and a blank, in the
// printing order (0x100 before 0x80).
std::string ModifierNames(uint32_t bits);

// Type code of a type name; any other text is a class: 11 when it contains
// "[]" (then `className` receives the text without its last two characters),
// else 5 (`className` receives the text).
int32_t TypeCodeOfName(const std::string& name, std::string* className);

// Walking the parameter types of a signature text "...(a,b,c)": the first
// call starts after "("; each call yields the next item; an empty item or the
// end finishes the walk (position -1, result false).
bool FirstParameterType(int* position, const char* signature, std::string* item);
bool NextParameterType(int* position, const char* signature, std::string* item);

// The called name of a call: an identifier's name, or the member name of a
// "." called part; null otherwise.
const char* CalledName(const GSTreeNode* call);

// False when the node is not marked value-not-used; otherwise marks it
// value-dropped and returns true.
bool ValueDropped(GSTreeNode* node);

// Type compatibility: null with object either way; otherwise equal types,
// and for object equal class names (or both absent).
bool Compatible(const GSTreeNode* a, const GSTreeNode* b);
bool Compatible(const char* className, int32_t type, const GSTreeNode* node);

// A type as written in signatures: its class name (with "[]" for object[])
// when it has one, else its type name.
std::string SignatureTypeName(int32_t type, const char* className);

// Signature text of a function or prototype node: "$ret" with the return
// type flag, "@Class" with a class name, "::name(" when the node has a name,
// then the parameter types (class names with the flag) and ")". False for
// other nodes.
bool SignatureText(const char* className, const GSTreeNode* function, std::string* out, bool withReturnType,
                   bool withClassNames);

}  // namespace GSCompiler
