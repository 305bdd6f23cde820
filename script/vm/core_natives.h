// Registration of the natives the machine itself provides.
#pragma once

class GSMachine;

namespace GSRuntime {

void RegisterObjectNatives(GSMachine* machine);
void RegisterRouterNatives(GSMachine* machine);
void RegisterGameObjectNatives(GSMachine* machine);
// Seeds the random state from the clock first.
void RegisterMathNatives(GSMachine* machine);
void RegisterStrNatives(GSMachine* machine);

}  // namespace GSRuntime
