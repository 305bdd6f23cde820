// Zel::Particle: ownership of children, searches, placements between frames, bounds and the base cull.
#include "zel/particle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "zel/vector3.h"
#include "zel/view_point.h"

namespace Zel {
namespace {

// The smallest sphere around both.
BoundingSphere Enclose(const BoundingSphere& a, const BoundingSphere& b)
{
    const Vector3 between = VectorMaths::Subtract(b.centre, a.centre);
    const float distance = VectorMaths::Length(between);
    if (distance + b.radius <= a.radius)
        return a;
    if (distance + a.radius <= b.radius)
        return b;
    const float radius = (distance + a.radius + b.radius) * 0.5f;
    const float shift = (radius - a.radius) / distance;
    return {VectorMaths::Add(a.centre, VectorMaths::Scale(between, shift)), radius};
}

// Depth-first, self first, without recursion (a skeleton read from a file
// may be one long chain); stops at the first node the test accepts.
template <typename Node, typename Test>
Node* FindDepthFirst(Node* top, const Test& test)
{
    std::vector<Node*> pending{top};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        if (test(*node))
            return node;
        const auto& children = node->GetChildren();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back(child->get());
    }
    return nullptr;
}

}  // namespace

namespace {

// Nodes whose parents were destroyed while a teardown was under way on this
// thread: the outermost teardown destroys them one by one, so a long chain
// (a skeleton read from a file can be one) never nests destructors deeply.
thread_local std::vector<std::unique_ptr<Particle>> pendingTeardown;
thread_local bool tearingDown = false;

}  // namespace

Particle::~Particle()
{
    if (parent)
        parent->Forget(this);
    // The children go with this node and must not reach back into it. The
    // derived parts of this node have run already, with the children whole.
    for (auto& child : children_) {
        child->parent = nullptr;
        pendingTeardown.push_back(std::move(child));
    }
    if (tearingDown)
        return;
    tearingDown = true;
    while (!pendingTeardown.empty()) {
        std::unique_ptr<Particle> next = std::move(pendingTeardown.back());
        pendingTeardown.pop_back();
        next.reset();
    }
    tearingDown = false;
}

void Particle::Forget(Particle* child)
{
    auto found = std::find_if(children_.begin(), children_.end(),
                              [child](const std::unique_ptr<Particle>& owned) { return owned.get() == child; });
    if (found == children_.end())
        return;
    found->release();
    children_.erase(found);
}

bool Particle::CanAdopt(const Particle* child) const
{
    if (!child || child->parent || child == this)
        return false;
    // A node may not own one of its own ancestors: the tree would own itself.
    // A node without children is nobody's ancestor, so growing a long chain
    // one node at a time needs no walk.
    if (child->children_.empty())
        return true;
    for (const Particle* up = this; up; up = up->parent) {
        if (up == child)
            return false;
    }
    return true;
}

void Particle::Adopt(Particle* child)
{
    child->parent = this;
    children_.emplace_back(child);
}

void Particle::InitInstance(Particle& target) const
{
    target.name = name;
    target.flags = flags;
    target.SetLocalTransformation(GetLocalTransformation());
    std::copy(std::begin(boundsMin), std::end(boundsMin), target.boundsMin);
    std::copy(std::begin(boundsMax), std::end(boundsMax), target.boundsMax);
    target.opacity_ = opacity_;
}

std::unique_ptr<Particle> Particle::Remove(Particle* child)
{
    auto found = std::find_if(children_.begin(), children_.end(),
                              [child](const std::unique_ptr<Particle>& owned) { return owned.get() == child; });
    if (!child || found == children_.end())
        return nullptr;
    std::unique_ptr<Particle> released = std::move(*found);
    children_.erase(found);
    released->parent = nullptr;
    return released;
}

Particle* Particle::FindByName(const std::string& wanted)
{
    return const_cast<Particle*>(static_cast<const Particle*>(this)->FindByName(wanted));
}

const Particle* Particle::FindByName(const std::string& wanted) const
{
    return FindFirst([&wanted](const Particle& node) { return node.name == wanted; });
}

const Particle* Particle::FindFirst(const std::function<bool(const Particle&)>& test) const
{
    return FindDepthFirst(this, test);
}

std::vector<Particle*> Particle::EnumerateParticles()
{
    std::vector<Particle*> out;
    FindDepthFirst(this, [&out](Particle& node) {
        out.push_back(&node);
        return false;
    });
    return out;
}

std::vector<const Particle*> Particle::EnumerateParticles() const
{
    std::vector<const Particle*> out;
    FindFirst([&out](const Particle& node) {
        out.push_back(&node);
        return false;
    });
    return out;
}

void Particle::SetPosition(const Vector3& p)
{
    std::copy(p.begin(), p.end(), position);
}

void Particle::SetLocalTransformation(const Transformation& t)
{
    SetPosition(t.position);
    SetOrientation(t.orientation);
}

Transformation Particle::GetTransformationIn(const Particle* frame) const
{
    Transformation placed = GetLocalTransformation();
    for (const Particle* up = parent; up && up != frame; up = up->parent)
        placed = Transformation::MultiplyTransform(placed, up->GetLocalTransformation());
    return placed;
}

Matrix4 Particle::GetLocalToGlobalMatrix() const
{
    Matrix4 global = GetLocalMatrix();
    for (const Particle* up = parent; up; up = up->parent)
        global = global * up->GetLocalMatrix();
    return global;
}

void Particle::GlobalToLocal(Vector3& p, Quaternion& q, const Particle* frame) const
{
    if (!parent || parent == frame)
        return;
    const Transformation local =
        Transformation::MultiplyTransform({p, q}, parent->GetTransformationIn(frame).Inverse());
    p = local.position;
    q = local.orientation;
}

void Particle::LocalToGlobal(Vector3& p, Quaternion& q, const Particle* frame) const
{
    if (!parent || parent == frame)
        return;
    const Transformation global = Transformation::MultiplyTransform({p, q}, parent->GetTransformationIn(frame));
    p = global.position;
    q = global.orientation;
}

void Particle::SetBoundingBox(const Vector3& min, const Vector3& max)
{
    std::copy(min.begin(), min.end(), boundsMin);
    std::copy(max.begin(), max.end(), boundsMax);
}

BoundingSphere Particle::GetBoundingSphere() const
{
    BoundingSphere sphere;
    Vector3 half{};
    for (size_t k = 0; k < 3; ++k) {
        sphere.centre[k] = (boundsMin[k] + boundsMax[k]) * 0.5f;
        half[k] = (boundsMax[k] - boundsMin[k]) * 0.5f;
    }
    sphere.radius = VectorMaths::Length(half);
    return sphere;
}

BoundingSphere Particle::GetGlobalBoundingSphere(bool withChildren) const
{
    // Placements are rigid, so only the centre moves.
    const auto placed = [](const Particle& node, const Transformation& global) {
        BoundingSphere sphere = node.GetBoundingSphere();
        sphere.centre = global.Apply(sphere.centre);
        return sphere;
    };
    const Transformation global = GetGlobalTransformation();
    if (!withChildren)
        return placed(*this, global);
    // Each subtree's sphere is grown into its parent's in the order the
    // children were added. Without recursion (a skeleton read from a file may
    // be one long chain), and each node's frame is made once from its
    // parent's rather than by walking up to the top again.
    struct Pending {
        const Particle* node;
        Transformation global;
        BoundingSphere sphere;
        size_t next = 0;
    };
    std::vector<Pending> pending{{this, global, placed(*this, global)}};
    for (;;) {
        Pending& open = pending.back();
        if (open.next < open.node->children_.size()) {
            const Particle& child = *open.node->children_[open.next++];
            const Transformation childGlobal =
                Transformation::MultiplyTransform(child.GetLocalTransformation(), open.global);
            pending.push_back({&child, childGlobal, placed(child, childGlobal)});
            continue;
        }
        const BoundingSphere done = open.sphere;
        pending.pop_back();
        if (pending.empty())
            return done;
        pending.back().sphere = Enclose(pending.back().sphere, done);
    }
}

void Particle::Cull(ViewPoint& viewpoint, const Matrix4& matrix)
{
    struct Open {
        Particle* node;
        Matrix4 matrix;
        // The next child to walk; a hidden node starts past all of them.
        size_t next;
    };
    std::vector<Open> open;
    const auto reach = [&open, &viewpoint](Particle* node, const Matrix4& placed) {
        node->BeforeCull(viewpoint, placed);
        if (node->IsHidden()) {
            open.push_back({node, placed, SIZE_MAX});
            return;
        }
        node->lastCulledFrame_ = viewpoint.GetFrameNumber();
        open.push_back({node, placed, 0});
    };
    reach(this, matrix);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next < top.node->children_.size()) {
            Particle* child = top.node->children_[top.next++].get();
            reach(child, child->GetLocalMatrix() * top.matrix);
            continue;
        }
        const Open done = std::move(top);
        open.pop_back();
        done.node->AfterCull(viewpoint, done.matrix);
    }
}

}  // namespace Zel
