// Zel::SceneGraph: the top particles (scenes) a render kernel culls each frame; it does not own them.
#pragma once

#include <vector>

namespace Zel {

class Particle;
class ViewPoint;

class SceneGraph {
public:
    // A scene is linked once; null is ignored.
    void AddScene(Particle* scene);
    // False when the scene was not linked.
    bool UnlinkScene(Particle* scene);
    bool HasScene(const Particle* scene) const;
    const std::vector<Particle*>& GetScenes() const { return scenes_; }
    // Culls every scene, each placed by its own local matrix.
    void Cull(ViewPoint& viewpoint) const;

private:
    std::vector<Particle*> scenes_;
};

}  // namespace Zel
