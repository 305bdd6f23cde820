// Texture-stage argument sets as the product's plug-ins give them to the display's stage-state factory.
#pragma once

#include <cstdint>

#include "zel/display.h"

namespace Zel {

struct TexArg {
    uint8_t flag;
    int value1;
    int value2;
};

// (stage, argument count, mode, function, four arguments); codes of the
// engine's enumerations.
struct TextureArgs {
    int stage;
    int count;
    int mode;
    int function;
    TexArg args[4];
};

// The settings the display keeps for a stage state: the colour set's
// fields under keys 0-15, the alpha set's under 100-115.
StageStateSettings MakeStageStateSettings(const TextureArgs& colour, const TextureArgs& alpha);

// Makes a stage state for the colour and alpha sets on the display; 0 when refused.
inline uint32_t CreateStageState(Display* display, const TextureArgs& colour, const TextureArgs& alpha)
{
    return display ? display->CreateStageState(MakeStageStateSettings(colour, alpha)) : 0;
}

}  // namespace Zel
