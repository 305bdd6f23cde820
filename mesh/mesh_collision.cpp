// KorvelIndexedMeshDefinition: the collision tree over every triangle, built in the background when a loader exists.
#include "mesh/collision_job.h"

namespace {

// Lets the tree read triangles back from the definition instead of copying them.
class CollisionGeometrySharingInterface : public KVAxisBoxTreeExternalGeometry {
public:
    explicit CollisionGeometrySharingInterface(const KorvelIndexedMeshDefinition& definition) : definition_(definition)
    {}
    void GetTriangle(int32_t id, float corners[3][3]) const override
    {
        if (!definition_.GetTriangle(id >> 16, static_cast<uint32_t>(id) & 0xFFFF, corners)) {
            for (int k = 0; k < 3; ++k)
                corners[k][0] = corners[k][1] = corners[k][2] = 0.0f;
        }
    }

private:
    const KorvelIndexedMeshDefinition& definition_;
};

// A tree that owns its sharing interface.
class SharedCollisionTree : public KVAxisBoxTree {
public:
    explicit SharedCollisionTree(const KorvelIndexedMeshDefinition& definition) : sharing_(definition) {}
    const KVAxisBoxTreeExternalGeometry* Sharing() const { return &sharing_; }

private:
    CollisionGeometrySharingInterface sharing_;
};

}  // namespace

std::unique_ptr<KVAxisBoxTree> KorvelIndexedMeshDefinition::BuildCollisionTree() const
{
    auto tree = std::make_unique<SharedCollisionTree>(*this);
    tree->BeginBuild(tree->Sharing(), 8);
    for (size_t c = 0; c < chunks_.Size(); ++c) {
        Zel::GeometryChunk* chunk = chunks_[c];
        if (!chunk->GetItem(Zel::ItemPosition) || !chunk->GetIndices())
            continue;
        for (uint32_t offset = 0; offset + 2 < chunk->GetIndexCount(); offset += 3) {
            float corners[3][3];
            if (GetTriangle(static_cast<int>(c), offset, corners))
                tree->AddTriangle(corners[0], corners[1], corners[2],
                                  KVAxisBoxTree::MakeId(static_cast<int>(c), offset));
        }
    }
    tree->Build();
    return tree;
}

KVAxisBoxTree* KorvelIndexedMeshDefinition::GetCollisionTree(OverlappedResourceSystem* system)
{
    if (collisionTree_)
        return collisionTree_.get();
    if (!system) {
        collisionTree_ = BuildCollisionTree();
        return collisionTree_.get();
    }
    if (!collisionJob_) {
        collisionJob_ = std::make_unique<CollisionJob>();
        CollisionJob* job = collisionJob_.get();
        system->QueueCallback(
            job->handle, name_.c_str(), this,
            [job](void* user) {
                job->result = static_cast<KorvelIndexedMeshDefinition*>(user)->BuildCollisionTree();
                return true;
            },
            [job](void* user) {
                if (job->result)
                    static_cast<KorvelIndexedMeshDefinition*>(user)->collisionTree_ = std::move(job->result);
                return true;
            });
        return nullptr;
    }
    // The completion step runs on the asking thread once the work has run.
    OverlappedResource* request = collisionJob_->handle.request;
    if (request && system->StateOf(request) == OverlappedResource::Ran)
        system->Finish(request);
    if (collisionJob_->handle.IsComplete())
        collisionJob_.reset();
    return collisionTree_.get();
}
