// Zel::Particle: a node of the scene tree with a name, flags, a local placement, bounds, opacity and owned children.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "zel/matrix4.h"
#include "zel/quaternion.h"
#include "zel/render_maths.h"
#include "zel/transformation.h"

namespace Zel {

class ViewPoint;

// Flag bits of a particle (bit n has the value 1 << n).
enum ParticleFlag : uint8_t {
    // Set on nodes that Cull must skip with everything below them. The
    // template checks also set it on their current mesh and their light.
    ParticleFlagHidden = 1u << 1,
};

struct BoundingSphere {
    Vector3 centre = {0, 0, 0};
    float radius = 0;
};

class Particle {
public:
    Particle() = default;
    explicit Particle(std::string particleName) : name(std::move(particleName)) {}
    // Destroys the children with it. A node destroyed while it has a parent
    // is first taken out of the parent, so whoever deletes a node need not
    // unlink it (the template checks and the mesh objects delete their
    // attached nodes directly).
    virtual ~Particle();
    Particle(const Particle&) = delete;
    Particle& operator=(const Particle&) = delete;

    // Takes child over and returns it. A node that cannot be adopted (null,
    // one with a parent, this node or one of its ancestors) is refused: the
    // result is null and child keeps it.
    template <typename Node>
    Node* Add(std::unique_ptr<Node>&& child)
    {
        static_assert(std::is_base_of_v<Particle, Node>);
        if (!CanAdopt(child.get()))
            return nullptr;
        Node* adopted = child.release();
        Adopt(adopted);
        return adopted;
    }
    bool CanAdopt(const Particle* child) const;
    // Gives a new copy of this node its name, flags, placement, bounds and
    // opacity; its children and parent are its own.
    void InitInstance(Particle& target) const;
    // Hands a direct child back to the caller; null when it is not one.
    std::unique_ptr<Particle> Remove(Particle* child);
    const std::vector<std::unique_ptr<Particle>>& GetChildren() const { return children_; }

    // Depth-first, this node first, children in the order they were added.
    Particle* FindByName(const std::string& wanted);
    const Particle* FindByName(const std::string& wanted) const;
    // The first node in FindByName's order that test accepts.
    const Particle* FindFirst(const std::function<bool(const Particle&)>& test) const;
    // This node and every node below it, in FindByName's order.
    std::vector<Particle*> EnumerateParticles();
    std::vector<const Particle*> EnumerateParticles() const;

    bool HasFlag(uint8_t flag) const { return (flags & flag) != 0; }
    void SetFlag(uint8_t flag, bool on)
    {
        flags = on ? static_cast<uint8_t>(flags | flag) : static_cast<uint8_t>(flags & ~flag);
    }
    bool IsHidden() const { return HasFlag(ParticleFlagHidden); }
    void SetHidden(bool hidden) { SetFlag(ParticleFlagHidden, hidden); }

    // Local placement, in the parent's frame.
    Vector3 GetPosition() const { return {position[0], position[1], position[2]}; }
    void SetPosition(const Vector3& p);
    Quaternion GetOrientation() const { return Quaternion::FromArray(orientation); }
    void SetOrientation(const Quaternion& q) { q.ToArray(orientation); }
    Transformation GetLocalTransformation() const { return {GetPosition(), GetOrientation()}; }
    void SetLocalTransformation(const Transformation& t);
    // R(orientation) x T(position).
    Matrix4 GetLocalMatrix() const { return GetLocalTransformation().ToMatrix(); }
    // This node's frame in the frame of the tree's top node.
    Transformation GetGlobalTransformation() const { return GetTransformationIn(nullptr); }
    // This node's frame in the frame of an ancestor (whose own placement is
    // left out); the top node's frame when frame is null or no ancestor.
    Transformation GetTransformationIn(const Particle* frame) const;
    // Local matrix x parent's local-to-global matrix.
    Matrix4 GetLocalToGlobalMatrix() const;
    // Turns a placement given in the top node's frame (or in the frame of
    // the ancestor frame) into the frame this node's local placement is
    // given in (its parent's), so that setting it as the local placement
    // puts the node there.
    void GlobalToLocal(Vector3& p, Quaternion& q, const Particle* frame = nullptr) const;
    // The reverse: a placement in the parent's frame to the top node's (or
    // the ancestor's) frame.
    void LocalToGlobal(Vector3& p, Quaternion& q, const Particle* frame = nullptr) const;

    void SetBoundingBox(const Vector3& min, const Vector3& max);
    // The sphere around the local box, in this node's frame.
    BoundingSphere GetBoundingSphere() const;
    // The local sphere placed in the top node's frame; with children, grown
    // to hold theirs too.
    BoundingSphere GetGlobalBoundingSphere(bool withChildren = false) const;

    virtual float GetOpacity() const { return opacity_; }
    virtual void SetOpacity(float value) { opacity_ = value; }

    // Marks the node and its shown children as culled in the viewpoint's
    // frame; matrix is this node's local-to-world matrix. A hidden node is
    // skipped with everything below it. The headless kernel has no view
    // volume, so every shown node counts as visible. Each node reached gets
    // BeforeCull, then (unless hidden) its children in the order they were
    // added, then AfterCull: the walk keeps its own list of open nodes, as a
    // skeleton read from a file may be one long chain.
    void Cull(ViewPoint& viewpoint, const Matrix4& matrix);
    uint32_t GetLastCulledFrame() const { return lastCulledFrame_; }
    void SetLastCulledFrame(uint32_t frame) { lastCulledFrame_ = frame; }

    std::string name;
    uint8_t flags = 0;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};  // quaternion x, y, z, w
    float boundsMin[3] = {0, 0, 0};
    float boundsMax[3] = {0, 0, 0};
    // Set by Add; the node that owns this one.
    Particle* parent = nullptr;

protected:
    // What a kind of node does as Cull reaches it (before its hidden flag is
    // looked at) and once its subtree is done; matrix is its local-to-world
    // matrix.
    virtual void BeforeCull(ViewPoint& /*viewpoint*/, const Matrix4& /*matrix*/) {}
    virtual void AfterCull(ViewPoint& /*viewpoint*/, const Matrix4& /*matrix*/) {}

private:
    void Adopt(Particle* child);
    // Drops the parent's entry of a child that is being destroyed.
    void Forget(Particle* child);

    std::vector<std::unique_ptr<Particle>> children_;
    float opacity_ = 1.0f;
    uint32_t lastCulledFrame_ = 0;
};

}  // namespace Zel
