// The recording display's state block: everything a material may change, compared whole to check it was restored.
#pragma once

#include <array>
#include <cstdint>

namespace Zel {

class VertexProgram;
class TextureCombiner;

using Matrix16 = std::array<float, 16>;
using Vector4 = std::array<float, 4>;

inline constexpr Matrix16 kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
inline constexpr int kMaxTextureStages = 8;
inline constexpr int kMaxCombinerRegisters = 8;

// Blend factor codes as the caches and materials pass them.
enum BlendFactor : int { BlendZero = 0, BlendOne = 1, BlendSrcAlpha = 4, BlendInvSrcAlpha = 5 };

struct TextureStageSettings {
    const void* texture = nullptr;
    Vector4 constant = {0, 0, 0, 0};
    int texCoordGeneration = 0;  // 0 = the chunk's own coordinates
    Matrix16 textureMatrix = kIdentityMatrix;
    uint32_t stageState = 0;  // 0 = the display's default stage state

    bool operator==(const TextureStageSettings&) const = default;
};

struct DisplayState {
    bool blendEnable = false;
    int blendSource = BlendOne;
    int blendDestination = BlendZero;
    int fogMode = 0;
    float fogDensity = 0.0f;
    bool alphaTest = false;
    bool depthWrite = true;
    int cullMode = 1;
    int colourMaterial = 0;
    bool lighting = true;
    Vector4 globalAmbient = {0.2f, 0.2f, 0.2f, 1.0f};
    std::array<TextureStageSettings, kMaxTextureStages> stages{};
    Matrix16 modelView = kIdentityMatrix;
    Matrix16 world = kIdentityMatrix;
    const VertexProgram* vertexProgram = nullptr;
    const TextureCombiner* combiner = nullptr;
    // The bound combiner's constant registers as written through the
    // display (cleared on every bind): a draw that leaves its combiner bound
    // with changed registers shows here.
    std::array<Vector4, kMaxCombinerRegisters> combinerRegisters{};
    uint32_t combinerRegistersWritten = 0;  // bit n: register n written

    bool operator==(const DisplayState&) const = default;
};

}  // namespace Zel
