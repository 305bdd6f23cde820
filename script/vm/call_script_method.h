// CallScriptMethod: native code calling a script method of an instance.
#pragma once

#include <span>
#include <string_view>

#include "script/vm/slot.h"

namespace GSRuntime {

class GSClass;
struct GSScriptInstance;

// Runs the method `signature` of `cls` (found in the class or its bases) on
// the instance, through the instance's method table, so an override in the
// instance's class is what runs. Runs on the machine's main thread, nested
// in whatever runs there. `args` are the argument slots after the receiver
// (their count must match); reference arguments are borrowed (the call takes
// counts of its own). A method with a result stores it in *result (a
// reference's count goes to the caller). False when the method cannot be
// found or called, or its run fails (the run has reported why). A native
// method's binding is called as the native-call instruction calls it. Thread
// methods are not run here: they need the game object's threads.
bool CallScriptMethod(GSClass* cls, GSScriptInstance* instance, std::string_view signature, std::span<const Slot> args,
                      Slot* result);

}  // namespace GSRuntime
