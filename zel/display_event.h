// One entry of the recording display's event log: what a material asked the display to do, in order.
#pragma once

#include <string>

#include "zel/display_state.h"

namespace Zel {

enum class DisplayEventKind {
    Blend,          // a = blend enabled, b = source factor, c = destination factor
    Fog,            // a = fog mode, values[0] = density
    BindStage,      // index = stage, object = texture, a = stage-state handle
    StageConst,     // index = stage, values = colour
    TexMatrix,      // index = stage, a = tex-coord generation
    LoadModelView,  // values = translation (elements 12-15)
    BindVP,         // program = name (empty when unbound)
    VPLocal,        // index = local register, values
    BindComb,       // combiner = name (empty when unbound)
    CombReg,        // index = constant register, values
    SetLighting,    // a = on
    Draw,           // object = chunk, a = primitive, b = index count, c = pass; program, combiner bound
    DrawPrims,      // object = chunk, a = primitive kind, b = index count, c = primitive count
};

struct DisplayEvent {
    DisplayEventKind kind = DisplayEventKind::Draw;
    int index = -1;
    int a = 0;
    int b = 0;
    int c = 0;
    const void* object = nullptr;
    Vector4 values = {0, 0, 0, 0};
    std::string program;
    std::string combiner;
};

const char* DisplayEventName(DisplayEventKind kind);

}  // namespace Zel
