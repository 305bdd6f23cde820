// Loading ".kin" animations as engine resources.
#include "zel/animation_resource.h"

#include <mutex>

#include "zel/resource_database.h"

namespace Zel {

namespace {

Resource* MakeAnimationResource(const char* name, ResourceDatabase* database)
{
    return new AnimationResource(name, database);
}

}  // namespace

int AnimationResource::Load(const std::vector<uint8_t>& bytes)
{
    auto animation = std::make_shared<KinAnimation>();
    lastResult_ = ReadKinAnimation(bytes.data(), bytes.size(), *animation);
    if (lastResult_ != KinOk)
        return lastResult_;
    animation_ = std::move(animation);
    return 0;
}

void AnimationResource::Unload()
{
    animation_.reset();
}

void RegisterAnimationResourceType()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterResourceType("kin", MakeAnimationResource); });
}

AnimationResource* LockAnimationResource(ResourceDatabase* database, const char* name)
{
    if (database == nullptr)
        return nullptr;
    RegisterAnimationResourceType();
    Resource* resource = database->Get(name, 2);
    auto* animation = dynamic_cast<AnimationResource*>(resource);
    if (animation == nullptr || animation->Lock() != 0) {
        if (resource != nullptr)
            resource->ReleaseReference();
        return nullptr;
    }
    return animation;
}

void ReleaseAnimationResource(AnimationResource* resource)
{
    if (resource == nullptr)
        return;
    resource->Unlock();
    resource->ReleaseReference();
}

}  // namespace Zel
