// The host's native interface: counted objects shared with plug-ins, calls into their libraries, and loading them.
#pragma once

#include <cstdint>
#include <string>

#include "scripthost/native_plugin_interface.h"

class KorvelScriptContext;

// The functions of the table handed to plug-ins, callable by the host too.
KNIObject* KNIAllocString(const char* text);
KNIObject* KNIAllocArray(int32_t count);
void KNISetArrayElement(KNIObject* array, int32_t index, KNIObject* element);
int32_t KNIGetArrayCount(const KNIObject* array);
KNIObject* KNIGetArrayElement(const KNIObject* array, int32_t index);
// 0 for null.
int32_t KNIGetObjectClass(const KNIObject* object);
const char* KNIGetStringText(const KNIObject* object);
// Null is ignored. A plug-in is unloaded when the last library its code
// made is released.
void KNIRelease(KNIObject* object);
// A library made while a plug-in's code runs (its entry point or one of its
// functions) keeps that plug-in loaded as long as it lives.
KNIObject* KNIAllocLibrary(const KNIFunction* functions, int32_t count, void* user);
const KNIInterface& KNIHostInterface();

// A context object for a script context (one reference, the caller's).
KNIObject* KNIAllocContext(KorvelScriptContext* context);
// Runs the library's function of that name on the arguments (borrowed; may
// be null): its result (a new reference) or null, also for a name the
// library does not offer or an object that is no library.
KNIObject* KNICallLibraryFunction(KNIObject* library, KNIObject* name, KNIObject* arguments);

// Writes the string's text to the script log (when a log is installed).
void LogKNIString(const KNIObject* string);
// Blocks for plug-in data with their size in a 4-byte header, counted in a
// process-wide total: null for a size the header cannot hold or no memory.
void* KNIAllocCounted(uint32_t size);
// Null is ignored.
void KNIFreeCounted(void* block);
int64_t KNICountedBytes();

// Objects of the interface alive now (tests).
int64_t KNILiveObjects();

// Loads "<installation root>/bin/plugins/<name>.so", starts it through its
// "KNIEntryPoint" with the context's native-interface context and calls its
// "Init" once: the library handle (the caller's reference), or null when the
// file cannot be loaded, lacks the entry point or the entry point gives no
// library. Why it failed goes to *why when given.
KNIObject* LoadNativePlugin(KorvelScriptContext* context, const char* name, std::string* why = nullptr);
