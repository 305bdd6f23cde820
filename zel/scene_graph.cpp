// Zel::SceneGraph: linking and unlinking scenes and culling them in order.
#include "zel/scene_graph.h"

#include <algorithm>

#include "zel/particle.h"

namespace Zel {

void SceneGraph::AddScene(Particle* scene)
{
    if (scene && !HasScene(scene))
        scenes_.push_back(scene);
}

bool SceneGraph::UnlinkScene(Particle* scene)
{
    auto found = std::find(scenes_.begin(), scenes_.end(), scene);
    if (found == scenes_.end())
        return false;
    scenes_.erase(found);
    return true;
}

bool SceneGraph::HasScene(const Particle* scene) const
{
    return std::find(scenes_.begin(), scenes_.end(), scene) != scenes_.end();
}

void SceneGraph::Cull(ViewPoint& viewpoint) const
{
    for (Particle* scene : scenes_)
        scene->Cull(viewpoint, scene->GetLocalMatrix());
}

}  // namespace Zel
