// The program's material plug-ins and resource types, handed to the engine through ZelGetPlugins.
#pragma once

// Registers the module's plug-in types with the engine's registry. Reached
// only through ZelGetPlugins, which the render kernel calls once.
void RegisterModulePlugins();
