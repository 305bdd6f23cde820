// KVDebugVp: the process-wide debug-drawing viewport, a silent sink for lines, primitives and labels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "zel/string.h"

// Nothing reads what is handed here: the program keeps the type, its
// storage and its call shapes for code that wants to draw debug geometry.
class KVDebugVp {
public:
    struct Vertex {
        float x, y, z;
    };
    struct Label {
        float position[3];
        uint32_t colour;
        Zel::String text;
    };
    static constexpr size_t kGrowStep = 1000;

    // Designates this instance through the global pointer.
    KVDebugVp();
    virtual ~KVDebugVp();
    KVDebugVp(const KVDebugVp&) = delete;
    KVDebugVp& operator=(const KVDebugVp&) = delete;

    // The instance built before main; null after it is destroyed.
    static KVDebugVp* Instance();

    virtual bool IsActive() { return true; }
    virtual void BeginFrame() {}
    virtual void EndFrame() {}
    virtual void SetViewport(void*) {}
    virtual void DrawPrimitives(int /*kind*/, const Vertex* /*vertices*/, const uint16_t* /*indices*/,
                                int /*vertexCount*/, int /*indexCount*/, uint32_t /*colour*/)
    {}
    // A two-vertex line list handed to DrawPrimitives.
    virtual void DrawLine(const Vertex& a, const Vertex& b, uint32_t colour);
    virtual void DrawText(const Vertex&, const char*, uint32_t, int) {}
    virtual void DrawBox(const Vertex&, const Vertex&, uint32_t, int) {}

    void AddLabel(const Vertex& position, uint32_t colour, const char* text);
    // Destroys every label's string and empties the list.
    void ClearLabels();
    size_t GetNumLabels() const { return labels_.size(); }
    uint32_t GetColourA(int slot) const { return coloursA_[static_cast<size_t>(slot)]; }
    uint32_t GetColourB(int slot) const { return coloursB_[static_cast<size_t>(slot)]; }
    bool IsEnabled() const { return enabled_; }

private:
    std::array<std::vector<Vertex>, 4> verticesA_;
    std::array<std::vector<Vertex>, 4> verticesB_;
    std::vector<Label> labels_;
    std::array<uint32_t, 4> coloursA_;
    std::array<uint32_t, 4> coloursB_;
    bool enabled_ = true;
    KVDebugVp* previous_;  // designated again when this one goes
};
