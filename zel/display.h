// The headless display: capabilities, a state block that can be snapshot, an event log of draws and state changes, and resource factories that tests can make refuse.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "zel/display_capabilities.h"
#include "zel/display_event.h"
#include "zel/display_state.h"

namespace Zel {

class VertexProgramManager;
class TextureCombinerManager;

// Settings of one texture-stage state: (state, value) pairs as the maker gives them.
using StageStateSettings = std::vector<std::pair<int, int>>;

// Nothing is drawn: every call changes the state block and, where a pass
// would reach the hardware, appends an event. Materials are checked by
// comparing GetState() before and after a draw and by reading the events.
class Display : public DisplayCapabilities {
public:
    // The factories a test can make refuse.
    enum class Factory { StageStates, VertexBuffers, IndexBuffers, VertexTypes, Uploads };

    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    const DisplayState& GetState() const { return state_; }
    const std::vector<DisplayEvent>& GetEvents() const { return events_; }
    void ClearEvents() { events_.clear(); }

    uint32_t GetFrameNumber() const { return frame_; }
    void NextFrame() { ++frame_; }
    // True for the extensions the headless display claims.
    bool CheckExtensionString(const char* name) const;

    void SetBlendEnable(bool on);
    void SetBlendFunction(int source, int destination);
    void GetBlendFunction(int& source, int& destination) const;
    void SetFog(int mode, float density);
    void SetAlphaTest(bool on) { state_.alphaTest = on; }
    void SetDepthWrite(bool on) { state_.depthWrite = on; }
    void SetCullMode(int mode) { state_.cullMode = mode; }
    void SetColourMaterial(int mode) { state_.colourMaterial = mode; }
    void SetGlobalAmbient(const Vector4& colour) { state_.globalAmbient = colour; }
    void SetLighting(bool on);

    // Stages outside the display's stage count are ignored (and return false).
    bool BindStage(int stage, const void* texture, uint32_t stageState);
    bool SetStageConstant(int stage, const Vector4& colour);
    bool SetTextureMatrix(int stage, int texCoordGeneration, const Matrix16& matrix);
    // Applies a stage state to a stage, keeping its texture.
    bool SetStageState(int stage, uint32_t stageState);
    // Back to the display's defaults: no texture, default stage state, zero
    // constant, the chunk's own coordinates, identity texture matrix.
    bool ResetStage(int stage);
    void LoadModelView(const Matrix16& matrix);
    void SetWorldMatrix(const Matrix16& matrix) { state_.world = matrix; }

    // Binding holds no reference: the material keeps its programs alive.
    void BindVertexProgram(const VertexProgram* program);
    void BindCombiner(const TextureCombiner* combiner);
    // Write to the bound program's registers; false (no event) when none is bound.
    bool SetVertexProgramLocal(int index, const Vector4& value);
    bool SetCombinerRegister(int index, const Vector4& value);

    void Draw(const void* chunk, int primitive, int indexCount, int pass);
    void DrawPrimitives(const void* chunk, int primitiveKind, int indexCount, int primitiveCount);

    // Factories. 0 means refused.
    void SetRefuse(Factory factory, bool refuse);
    // The factory makes `allowed` more objects, then refuses (a failure part
    // way through a maker's list).
    void SetRefuseAfter(Factory factory, int allowed);
    uint32_t CreateStageState(const StageStateSettings& settings);
    // False for a handle this display did not make or already released.
    bool ReleaseStageState(uint32_t handle);
    const StageStateSettings* GetStageState(uint32_t handle) const;
    size_t GetNumStageStates() const { return stageStates_.size(); }
    uint32_t CreateStaticVertexBuffer(uint32_t vertexType, uint32_t vertexCount);
    uint32_t CreateStaticIndexBuffer(uint32_t indexCount);
    bool ReleaseStaticBuffer(uint32_t handle);
    // Copies bytes into a static buffer; false for an unknown handle or when refused.
    bool UploadBuffer(uint32_t handle, size_t bytes);
    size_t GetNumStaticBuffers() const { return buffers_.size(); }
    // The id of the vertex type with these items (one id per distinct item set).
    uint32_t RegisterVertexType(const std::vector<int>& items);
    // A layout under a fixed id (the engine's packed layouts 18, 19, 99);
    // the id, or 0 when refused.
    uint32_t RegisterVertexType(uint32_t id, const std::vector<int>& items);
    bool HasVertexType(uint32_t id) const;
    size_t GetNumVertexTypes() const { return vertexTypes_.size() + fixedVertexTypes_.size(); }

    VertexProgramManager* GetVertexProgramManager() const { return programs_.get(); }
    TextureCombinerManager* GetTextureCombinerManager() const { return combiners_.get(); }

private:
    // Counts one object against the factory's allowance; true when refused.
    bool Refuses(Factory factory);
    DisplayEvent& Record(DisplayEventKind kind);
    void RecordDraw(DisplayEventKind kind, const void* chunk, int a, int b, int c);
    bool ValidStage(int stage) const;

    DisplayState state_;
    std::vector<DisplayEvent> events_;
    uint32_t frame_ = 0;
    uint32_t nextHandle_ = 1;
    std::map<Factory, int> allowed_;  // absent: unlimited
    std::map<uint32_t, StageStateSettings> stageStates_;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> buffers_;  // handle -> (vertex type or 0, count)
    std::map<std::vector<int>, uint32_t> vertexTypes_;
    std::map<uint32_t, std::vector<int>> fixedVertexTypes_;
    std::unique_ptr<VertexProgramManager> programs_;
    std::unique_ptr<TextureCombinerManager> combiners_;
};

}  // namespace Zel
