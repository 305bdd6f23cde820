// The debug viewport's storage, its global instance and the line call.
#include "mesh/kv_debug_vp.h"

namespace {

KVDebugVp* g_debugViewport = nullptr;

// Built before main and destroyed at exit, like the product's.
KVDebugVp g_instance;

}  // namespace

KVDebugVp::KVDebugVp()
    : coloursA_{0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFF00FFu},
      coloursB_{0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFF00FFu},
      previous_(g_debugViewport)
{
    g_debugViewport = this;
}

KVDebugVp::~KVDebugVp()
{
    ClearLabels();
    if (g_debugViewport == this)
        g_debugViewport = previous_;
}

KVDebugVp* KVDebugVp::Instance()
{
    return g_debugViewport;
}

void KVDebugVp::DrawLine(const Vertex& a, const Vertex& b, uint32_t colour)
{
    const Vertex vertices[2] = {a, b};
    const uint16_t indices[2] = {0, 1};
    DrawPrimitives(0, vertices, indices, 2, 2, colour);
}

void KVDebugVp::AddLabel(const Vertex& position, uint32_t colour, const char* text)
{
    if (labels_.size() == labels_.capacity())
        labels_.reserve(labels_.capacity() + kGrowStep);
    labels_.push_back({{position.x, position.y, position.z}, colour, Zel::String(text ? text : "")});
}

void KVDebugVp::ClearLabels()
{
    labels_.clear();
}
