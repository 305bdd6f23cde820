#include "script/compiler/library_strings.h"

#include "script/compiler/symbols.h"

namespace GSCompiler {

int32_t InternString(const char* text, GSSymbolTable* context) {
  Utils::StringHashTable& pool = context->libraryStrings;
  if (pool.BucketCount() == 0 && !pool.Make(61)) return -1;
  Utils::KeyedIterator it;
  if (pool.Find(text, &it)) return static_cast<int32_t>(reinterpret_cast<intptr_t>(it.Node()->value));
  const int32_t index = static_cast<int32_t>(pool.Count());
  if (!pool.Insert(text, reinterpret_cast<void*>(static_cast<intptr_t>(index)))) return -1;
  return index;
}

}  // namespace GSCompiler
