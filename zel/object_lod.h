// Zel::ObjectLOD: the engine's level-of-detail state of a scene node: switch distances, calc point, tuning and the level last chosen.
#pragma once

#include <cstdint>
#include <vector>

namespace Zel {

class ObjectLOD {
public:
    void Init(const std::vector<float>& distances, uint32_t calcPoint)
    {
        distances_ = distances;
        calcPoint_ = calcPoint;
        level_ = 0;
    }
    // The metric as the node sees it: a raw distance (or size) stretched by
    // the multiplier. The margin is the band its users keep around their
    // thresholds.
    float Metric(float raw) const { return raw * multiplier_; }
    // Remembers the metric of a raw measure and returns it.
    float FindLOD(float raw)
    {
        metric_ = Metric(raw);
        return metric_;
    }
    // The last level whose switch distance the metric has reached (0 below the first).
    uint32_t FindLODIndex(float metric)
    {
        uint32_t level = 0;
        for (uint32_t i = 0; i < distances_.size(); ++i) {
            if (distances_[i] <= metric)
                level = i;
        }
        level_ = level;
        return level;
    }
    const std::vector<float>& GetDistances() const { return distances_; }
    uint32_t GetCalcPoint() const { return calcPoint_; }
    uint32_t GetLevel() const { return level_; }
    float GetMetric() const { return metric_; }
    float GetMargin() const { return margin_; }
    void SetTuning(float margin, float multiplier)
    {
        margin_ = margin;
        multiplier_ = multiplier;
    }

protected:
    std::vector<float> distances_;
    uint32_t calcPoint_ = 0;
    uint32_t level_ = 0;
    float metric_ = 0;
    float margin_ = 0;
    float multiplier_ = 1.0f;
};

}  // namespace Zel
