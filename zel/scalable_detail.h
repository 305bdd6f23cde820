// Zel::ScalableDetail: the detail state of an object whose face count changes continuously: range, current level and face count.
#pragma once

#include <cstdint>

namespace Zel {

class ScalableDetail {
public:
    virtual ~ScalableDetail();

    // The detail range runs from no faces up to the full-detail count, and
    // the object starts at full detail. The level is the owner's to set.
    void Init(uint32_t fullDetailFaces);
    // Copies the detail state into a new instance of the same object.
    void InitInstance(ScalableDetail& target) const;

    uint32_t GetCurrentLevel() const { return level_; }
    void SetCurrentLevel(uint32_t level) { level_ = level; }
    uint32_t GetFaceCount() const { return faces_; }
    void SetFaceCount(uint32_t faces) { faces_ = faces; }
    uint32_t GetFullDetailFaces() const { return fullFaces_; }

    // Moves toward wanted faces, kept within the range: refines when the
    // object has fewer, coarsens when it has more.
    void SetWantedFaces(uint32_t wanted);
    // The detail operations of the object; the base changes nothing.
    virtual void RefineToFaces(uint32_t /*wanted*/) {}
    virtual void CoarsenToFaces(uint32_t /*wanted*/) {}

private:
    uint32_t fullFaces_ = 0;
    uint32_t faces_ = 0;
    uint32_t level_ = 0;
};

}  // namespace Zel
