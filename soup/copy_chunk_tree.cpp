// Deep copy of a soup tree into a container: new nodes, shared value bytes.
#include "soup/copy_chunk_tree.h"

#include <vector>

#include "soup/acs_raw_data.h"

namespace {

// One level still to copy: the source's children go into target.
struct CopyStep {
    ChunkRef target;
    ChunkRef source;
};

void CopyChildren(const CopyStep& step, std::vector<CopyStep>& pending)
{
    const int32_t count = step.source->CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef child;
        if (!step.source->GetIndexedTag(i, name, child))
            continue;
        ChunkRef copy = step.target->CreateDataTag(child->GetType(), ACSRawDataCore::ViewOfChunk(child));
        if (child->CountTags() > 0)
            pending.push_back(CopyStep{copy, child});
        step.target->AddNamedTag(name, std::move(copy));
    }
}

}  // namespace

void CopyChunkTree(const ChunkRef& target, const ChunkRef& source)
{
    if (!target || !source)
        return;
    if (source->GetType() != SoupTypeNone)
        target->SetData(source->GetType(), ACSRawDataCore::ViewOfChunk(source));
    for (int32_t i = target->CountTags() - 1; i >= 0; --i) {
        Zel::PString name;
        ChunkRef child;
        if (target->GetIndexedTag(i, name, child))
            target->RemoveTag(std::move(child));
    }
    // Level by level with an explicit list, so a deep tree cannot exhaust
    // the stack; every node still gets its children in source order.
    std::vector<CopyStep> pending;
    CopyChildren(CopyStep{target, source}, pending);
    while (!pending.empty()) {
        CopyStep step = std::move(pending.back());
        pending.pop_back();
        CopyChildren(step, pending);
    }
}
