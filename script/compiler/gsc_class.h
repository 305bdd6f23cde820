// The code holders that code generation fills and the library-image writer
// writes out: one GSCClass per compiled class, one GSCFunction per function.
#pragma once

#include <cstdint>

#include "script/common/array.h"
#include "script/common/byte_buffer.h"
#include "script/common/double_link_list.h"

namespace GSCompiler {

class GSClassSymbol;
class GSFunctionSymbol;

// Appends bytecode to a growable buffer and keeps the operand-stack depth.
// Every emission calls the line hook with the position first, applies the
// opcode's depth change, then appends.
class CodeEmitter {
 public:
  using LineHook = void (*)(void* user, uint32_t position);

  CodeEmitter();
  CodeEmitter(const CodeEmitter&) = delete;
  CodeEmitter& operator=(const CodeEmitter&) = delete;

  Utils::ByteBuffer code;  // initial capacity and growth step 1024
  LineHook lineHook = nullptr;
  void* hookUser = nullptr;
  int32_t depth = 0;     // current operand-stack depth
  int32_t maxDepth = 0;  // greatest depth reached
};

class GSCFunction : public Utils::IDoubleLinkListNode {
 public:
  struct LineDebugInfo {
    uint32_t position;
    uint32_t line;
  };

  explicit GSCFunction(GSFunctionSymbol* function);

  GSFunctionSymbol* symbol;
  CodeEmitter emitter;
  uint32_t referenceLocalCount = 0;
  Utils::ByteBuffer referenceLocals;  // u32 local slots, growth step 64
  int32_t currentLine = 0;
  Utils::Array<LineDebugInfo, 128> lines;
  int32_t temporaryCount = 0;  // one more than the highest temporary flag used
};

class GSCClass : public Utils::IDoubleLinkListNode {
 public:
  explicit GSCClass(GSClassSymbol* cls);
  ~GSCClass() override;

  GSClassSymbol* symbol;
  Utils::DoubleLinkList functions;  // GSCFunction, in compile order
  CodeEmitter initializer;
  int32_t initializerLocalCount = 0;
  uint32_t referenceMemberCount = 0;
  Utils::ByteBuffer referenceMembers;  // u32 word indices, growth step 64
};

}  // namespace GSCompiler
