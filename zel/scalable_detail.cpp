// Zel::ScalableDetail: the detail range and the choice between refining and coarsening.
#include "zel/scalable_detail.h"

#include <algorithm>

namespace Zel {

ScalableDetail::~ScalableDetail() = default;

void ScalableDetail::Init(uint32_t fullDetailFaces)
{
    fullFaces_ = fullDetailFaces;
    faces_ = fullDetailFaces;
}

void ScalableDetail::InitInstance(ScalableDetail& target) const
{
    target.fullFaces_ = fullFaces_;
    target.faces_ = faces_;
    target.level_ = level_;
}

void ScalableDetail::SetWantedFaces(uint32_t wanted)
{
    wanted = std::min(wanted, fullFaces_);
    if (wanted > faces_)
        RefineToFaces(wanted);
    else if (wanted < faces_)
        CoarsenToFaces(wanted);
}

}  // namespace Zel
