// A material type with one texture slot beyond its base's: the counted texture held there and the slot operations that reach it.
#pragma once

#include "zel/material.h"
#include "zel/material_texture.h"

namespace Zel {

// Whether the material counts as loaded only once the held slot's texture is.
enum class HeldSlotLoad { Required, Optional };

// A type with two such slots derives twice; the protected members below then
// reach the slot of the level that names them (qualify to reach the other).
template <class Base, int Slot, HeldSlotLoad Load = HeldSlotLoad::Required>
class HeldSlotMaterial : public Base {
public:
    static constexpr int HeldSlot = Slot;

    using Base::Base;
    ~HeldSlotMaterial() override
    {
        if (held_)
            held_->ReleaseReference();
    }

    void Activate(int n) override
    {
        Base::Activate(n);
        if (held_)
            held_->Activate(n);
    }
    Texture* GetTexture(int slot) const override { return slot == Slot ? held_ : Base::GetTexture(slot); }
    int DuplicateTexture(int slot) override
    {
        return slot == Slot ? Material::DuplicateHeld(held_) : Base::DuplicateTexture(slot);
    }
    // A null texture leaves the slot as it was (3).
    int SetTextureRef(int slot, Texture* texture, float priority) override
    {
        if (slot != Slot)
            return Base::SetTextureRef(slot, texture, priority);
        return this->ReplaceHeld(held_, slot, texture, priority);
    }
    int IsLoaded() const override
    {
        if constexpr (Load == HeldSlotLoad::Required) {
            if (!held_ || !held_->IsLoaded())
                return Material::ResultNotLoaded;
        }
        return Base::IsLoaded();
    }

protected:
    bool HasSlot(int slot) const override { return slot == Slot || Base::HasSlot(slot); }
    Texture* HeldTexture() const { return held_; }
    // Takes over the caller's reference and releases the texture held before.
    void AdoptHeld(Texture* texture)
    {
        if (held_)
            held_->ReleaseReference();
        held_ = texture;
    }
    // What a clone takes over and what equal materials share.
    void CopyHeldFrom(const HeldSlotMaterial& from) { Material::Replace(held_, from.held_); }
    bool SameHeld(const HeldSlotMaterial& other) const { return held_ == other.held_; }

private:
    Texture* held_ = nullptr;
};

}  // namespace Zel
