// KADFilterElementGroup: the filter tree's inner node, its owned children, text form, equality and wire body.
#include "assetdb/kad_filter_element.h"

#include "foundation/streams/t_stream.h"
#include "zel/string.h"

namespace {

// Nesting of groups being read on this thread (the daemon reads trees on
// several threads at once).
thread_local int GroupReadDepth = 0;

struct DepthScope {
    DepthScope() { ++GroupReadDepth; }
    ~DepthScope() { --GroupReadDepth; }
};

}  // namespace

KADFilterElementGroup::KADFilterElementGroup(KADFilterElement* firstChild)
{
    AddElement(firstChild);
}

Zel::PString KADFilterElementGroup::GetKeyName() const
{
    return Zel::PString("group");
}

Zel::PString KADFilterElementGroup::GetValueText() const
{
    Zel::String text("(");
    for (const auto& child : children_) {
        text += child->GetKeyName().c_str();
        text += ":";
        text += child->GetValueText().c_str();
    }
    text += ")";
    return Zel::PString(text.c_str());
}

void KADFilterElementGroup::AddElement(KADFilterElement* element)
{
    if (element != nullptr)
        children_.emplace_back(element);
}

void KADFilterElementGroup::AddNegatedGroup(KADFilterElement* element)
{
    auto* group = new KADFilterElementGroup(element);
    group->SetNegated(true);
    AddElement(group);
}

void KADFilterElementGroup::Write(TStream& stream) const
{
    stream.WriteUInt8(groupFlag_);
    stream.WriteUInt8(negate_);
    stream.WriteInt32(int32_t(children_.size()));
    for (const auto& child : children_)
        WriteFilterElement(stream, child.get());
}

bool KADFilterElementGroup::Read(TStream& stream)
{
    DepthScope depth;
    if (GroupReadDepth > MaximumDepth)
        return false;
    groupFlag_ = stream.ReadUInt8(0);
    negate_ = stream.ReadUInt8(0);
    children_.clear();
    int32_t count = stream.ReadInt32(0);
    // Each child needs at least its type code, so a count larger than the
    // stream holds ends at the first missing child without allocating ahead.
    for (int32_t i = 0; i < count; ++i) {
        KADFilterElement* child = ReadFilterElement(stream);
        if (child == nullptr)
            return false;
        children_.emplace_back(child);
    }
    return true;
}

bool KADFilterElementGroup::Equals(const KADFilterElement& other) const
{
    const auto* group = dynamic_cast<const KADFilterElementGroup*>(&other);
    if (group == nullptr || group->children_.size() != children_.size() || group->negate_ != negate_ ||
        group->groupFlag_ != groupFlag_)
        return false;
    for (size_t i = 0; i < children_.size(); ++i) {
        if (!children_[i]->Equals(*group->children_[i]) || !group->children_[i]->Equals(*children_[i]))
            return false;
    }
    return true;
}
