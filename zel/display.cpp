// The recording display: state changes, events and refusable factories.
#include "zel/display.h"

#include <algorithm>
#include <cstring>

#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace Zel {

const char* DisplayEventName(DisplayEventKind kind)
{
    switch (kind) {
    case DisplayEventKind::Blend:
        return "Blend";
    case DisplayEventKind::Fog:
        return "Fog";
    case DisplayEventKind::BindStage:
        return "BindStage";
    case DisplayEventKind::StageConst:
        return "StageConst";
    case DisplayEventKind::TexMatrix:
        return "TexMatrix";
    case DisplayEventKind::LoadModelView:
        return "LoadModelView";
    case DisplayEventKind::BindVP:
        return "BindVP";
    case DisplayEventKind::VPLocal:
        return "VPLocal";
    case DisplayEventKind::BindComb:
        return "BindComb";
    case DisplayEventKind::CombReg:
        return "CombReg";
    case DisplayEventKind::SetLighting:
        return "SetLighting";
    case DisplayEventKind::Draw:
        return "Draw";
    case DisplayEventKind::DrawPrims:
        return "DrawPrims";
    }
    return "?";
}

Display::Display()
    : programs_(std::make_unique<VertexProgramManager>()), combiners_(std::make_unique<TextureCombinerManager>())
{}

Display::~Display() = default;

bool Display::CheckExtensionString(const char* name) const
{
    static const char* const kExtensions[] = {"GL_ARB_vertex_program",       "GL_ARB_fragment_program",
                                              "GL_ARB_texture_cube_map",     "GL_ARB_texture_env_combine",
                                              "GL_ARB_vertex_buffer_object", "GL_EXT_texture_compression_s3tc"};
    if (!name)
        return false;
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [name](const char* known) { return std::strcmp(known, name) == 0; });
}

DisplayEvent& Display::Record(DisplayEventKind kind)
{
    DisplayEvent event;
    event.kind = kind;
    events_.push_back(std::move(event));
    return events_.back();
}

bool Display::ValidStage(int stage) const
{
    return stage >= 0 && stage < GetNumTextureStages();
}

void Display::SetBlendEnable(bool on)
{
    state_.blendEnable = on;
    DisplayEvent& event = Record(DisplayEventKind::Blend);
    event.a = on;
    event.b = state_.blendSource;
    event.c = state_.blendDestination;
}

void Display::SetBlendFunction(int source, int destination)
{
    state_.blendSource = source;
    state_.blendDestination = destination;
    DisplayEvent& event = Record(DisplayEventKind::Blend);
    event.a = state_.blendEnable;
    event.b = source;
    event.c = destination;
}

void Display::GetBlendFunction(int& source, int& destination) const
{
    source = state_.blendSource;
    destination = state_.blendDestination;
}

void Display::SetFog(int mode, float density)
{
    state_.fogMode = mode;
    state_.fogDensity = density;
    DisplayEvent& event = Record(DisplayEventKind::Fog);
    event.a = mode;
    event.values[0] = density;
}

void Display::SetLighting(bool on)
{
    state_.lighting = on;
    Record(DisplayEventKind::SetLighting).a = on;
}

bool Display::BindStage(int stage, const void* texture, uint32_t stageState)
{
    if (!ValidStage(stage))
        return false;
    state_.stages[stage].texture = texture;
    state_.stages[stage].stageState = stageState;
    DisplayEvent& event = Record(DisplayEventKind::BindStage);
    event.index = stage;
    event.object = texture;
    event.a = static_cast<int>(stageState);
    return true;
}

bool Display::SetStageConstant(int stage, const Vector4& colour)
{
    if (!ValidStage(stage))
        return false;
    state_.stages[stage].constant = colour;
    DisplayEvent& event = Record(DisplayEventKind::StageConst);
    event.index = stage;
    event.values = colour;
    return true;
}

bool Display::SetTextureMatrix(int stage, int texCoordGeneration, const Matrix16& matrix)
{
    if (!ValidStage(stage))
        return false;
    state_.stages[stage].texCoordGeneration = texCoordGeneration;
    state_.stages[stage].textureMatrix = matrix;
    DisplayEvent& event = Record(DisplayEventKind::TexMatrix);
    event.index = stage;
    event.a = texCoordGeneration;
    return true;
}

bool Display::SetStageState(int stage, uint32_t stageState)
{
    if (!ValidStage(stage))
        return false;
    return BindStage(stage, state_.stages[stage].texture, stageState);
}

bool Display::ResetStage(int stage)
{
    if (!ValidStage(stage))
        return false;
    state_.stages[stage] = TextureStageSettings();
    DisplayEvent& event = Record(DisplayEventKind::BindStage);
    event.index = stage;
    return true;
}

void Display::LoadModelView(const Matrix16& matrix)
{
    state_.modelView = matrix;
    DisplayEvent& event = Record(DisplayEventKind::LoadModelView);
    event.values = {matrix[12], matrix[13], matrix[14], matrix[15]};
}

void Display::BindVertexProgram(const VertexProgram* program)
{
    state_.vertexProgram = program;
    Record(DisplayEventKind::BindVP).program = program ? program->GetName() : std::string();
}

void Display::BindCombiner(const TextureCombiner* combiner)
{
    state_.combiner = combiner;
    state_.combinerRegisters = {};
    state_.combinerRegistersWritten = 0;
    Record(DisplayEventKind::BindComb).combiner = combiner ? combiner->GetName() : std::string();
}

bool Display::SetVertexProgramLocal(int index, const Vector4& value)
{
    if (!state_.vertexProgram)
        return false;
    // The handle is the material's; the display only forwards the write.
    const_cast<VertexProgram*>(state_.vertexProgram)->SetLocal(index, value);
    DisplayEvent& event = Record(DisplayEventKind::VPLocal);
    event.index = index;
    event.values = value;
    event.program = state_.vertexProgram->GetName();
    return true;
}

bool Display::SetCombinerRegister(int index, const Vector4& value)
{
    if (!state_.combiner || !const_cast<TextureCombiner*>(state_.combiner)->SetConstant(index, value))
        return false;
    if (index >= 0 && index < kMaxCombinerRegisters) {
        state_.combinerRegisters[static_cast<size_t>(index)] = value;
        state_.combinerRegistersWritten |= 1u << index;
    }
    DisplayEvent& event = Record(DisplayEventKind::CombReg);
    event.index = index;
    event.values = value;
    event.combiner = state_.combiner->GetName();
    return true;
}

void Display::RecordDraw(DisplayEventKind kind, const void* chunk, int a, int b, int c)
{
    DisplayEvent& event = Record(kind);
    event.object = chunk;
    event.a = a;
    event.b = b;
    event.c = c;
    if (state_.vertexProgram)
        event.program = state_.vertexProgram->GetName();
    if (state_.combiner)
        event.combiner = state_.combiner->GetName();
}

void Display::Draw(const void* chunk, int primitive, int indexCount, int pass)
{
    RecordDraw(DisplayEventKind::Draw, chunk, primitive, indexCount, pass);
}

void Display::DrawPrimitives(const void* chunk, int primitiveKind, int indexCount, int primitiveCount)
{
    RecordDraw(DisplayEventKind::DrawPrims, chunk, primitiveKind, indexCount, primitiveCount);
}

void Display::SetRefuse(Factory factory, bool refuse)
{
    if (refuse)
        allowed_[factory] = 0;
    else
        allowed_.erase(factory);
}

void Display::SetRefuseAfter(Factory factory, int allowed)
{
    allowed_[factory] = allowed < 0 ? 0 : allowed;
}

bool Display::Refuses(Factory factory)
{
    auto found = allowed_.find(factory);
    if (found == allowed_.end())
        return false;
    if (found->second == 0)
        return true;
    --found->second;
    return false;
}

uint32_t Display::CreateStageState(const StageStateSettings& settings)
{
    if (Refuses(Factory::StageStates))
        return 0;
    uint32_t handle = nextHandle_++;
    stageStates_[handle] = settings;
    return handle;
}

bool Display::ReleaseStageState(uint32_t handle)
{
    return stageStates_.erase(handle) != 0;
}

const StageStateSettings* Display::GetStageState(uint32_t handle) const
{
    auto found = stageStates_.find(handle);
    return found == stageStates_.end() ? nullptr : &found->second;
}

uint32_t Display::CreateStaticVertexBuffer(uint32_t vertexType, uint32_t vertexCount)
{
    if (!HasHardwareBuffers() || Refuses(Factory::VertexBuffers))
        return 0;
    uint32_t handle = nextHandle_++;
    buffers_[handle] = {vertexType, vertexCount};
    return handle;
}

uint32_t Display::CreateStaticIndexBuffer(uint32_t indexCount)
{
    if (!HasHardwareBuffers() || Refuses(Factory::IndexBuffers))
        return 0;
    uint32_t handle = nextHandle_++;
    buffers_[handle] = {0, indexCount};
    return handle;
}

bool Display::ReleaseStaticBuffer(uint32_t handle)
{
    return buffers_.erase(handle) != 0;
}

bool Display::UploadBuffer(uint32_t handle, size_t)
{
    if (buffers_.count(handle) == 0)
        return false;
    return !Refuses(Factory::Uploads);
}

uint32_t Display::RegisterVertexType(const std::vector<int>& items)
{
    auto found = vertexTypes_.find(items);
    if (found != vertexTypes_.end())
        return found->second;
    if (items.empty() || Refuses(Factory::VertexTypes))
        return 0;
    // Ids above the engine's fixed layouts (99 is the bump layout).
    uint32_t id = 1000 + static_cast<uint32_t>(vertexTypes_.size());
    vertexTypes_[items] = id;
    return id;
}

}  // namespace Zel

namespace Zel {

uint32_t Display::RegisterVertexType(uint32_t id, const std::vector<int>& items)
{
    if (id == 0 || items.empty() || Refuses(Factory::VertexTypes))
        return 0;
    fixedVertexTypes_[id] = items;
    return id;
}

bool Display::HasVertexType(uint32_t id) const
{
    if (fixedVertexTypes_.count(id) != 0)
        return true;
    for (const auto& entry : vertexTypes_) {
        if (entry.second == id)
            return true;
    }
    return false;
}

}  // namespace Zel
