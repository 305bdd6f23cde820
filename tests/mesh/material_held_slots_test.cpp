// The texture slots the product materials hold beyond the one-texture slot: taking, activating, loading, cloning, duplicating and releasing a slot's texture.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "mesh/module_plugins.h"
#include "zel/material.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"

namespace {

void RegisterPluginsOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterModulePlugins(); });
}

struct HeldSlotRow {
    const char* type;
    int slot;
    // An unloaded texture in the slot makes the material not loaded.
    bool mustLoad;
    // The material's Activate reaches the slot's texture.
    bool activated;
};

TEST(MaterialHeldSlotsTest, EachHeldSlotTakesActivatesLoadsClonesDuplicatesAndReleasesItsTexture)
{
    RegisterPluginsOnce();
    const HeldSlotRow rows[] = {
        {"tbumptex", 8, true, true},    {"tbumpgloss", 8, true, true}, {"tbumpgloss", 9, true, true},
        {"tbumpenv", 8, true, true},    {"tbumpenv", 9, true, false},  {"tmpfx", 12, true, true},
        {"tglossrust", 9, false, true},
    };
    for (const HeldSlotRow& row : rows) {
        const std::string what = std::string(row.type) + " slot " + std::to_string(row.slot);
        auto* texture = new Zel::Texture("held.tga", false);
        {
            // The manager keeps what it made until the kernel goes.
            Zel::RenderKernel kernel(nullptr, 8.0f);
            Zel::Material* material = nullptr;
            ASSERT_EQ(kernel.GetMaterialManager()->Request(std::string("h.m.") + row.type, material), 0) << what;
            // The slot is known to the loading path; a slot the material lacks is only recorded.
            EXPECT_EQ(material->SetTexture(row.slot, nullptr, "missing.tga", 1.0f), Zel::Material::TextureMissing)
                << what;
            EXPECT_EQ(material->SetTexture(11, nullptr, "missing.tga", 1.0f), Zel::Material::TextureOk) << what;

            ASSERT_EQ(material->SetTextureRef(row.slot, texture, 0.25f), Zel::Material::TextureOk) << what;
            EXPECT_EQ(material->GetTexture(row.slot), texture) << what;
            EXPECT_EQ(material->SetTextureRef(row.slot, nullptr, 0.5f), Zel::Material::ResultNoTexture) << what;
            EXPECT_EQ(material->GetTexture(row.slot), texture) << what;
            EXPECT_EQ(texture->GetReferenceCount(), 2) << what;
            EXPECT_EQ(material->IsLoaded(), row.mustLoad ? Zel::Material::ResultNotLoaded : Zel::Material::TextureOk)
                << what;
            material->Activate(2);
            EXPECT_EQ(texture->GetActivations(), row.activated ? 1 : 0) << what;

            Zel::Material* copy = material->Clone();
            ASSERT_NE(copy, nullptr) << what;
            EXPECT_EQ(copy->GetTexture(row.slot), texture) << what;
            EXPECT_TRUE(copy->IsEqual(*material)) << what;
            ASSERT_EQ(copy->DuplicateTexture(row.slot), Zel::Material::TextureOk) << what;
            Zel::Texture* duplicate = copy->GetTexture(row.slot);
            ASSERT_NE(duplicate, nullptr) << what;
            EXPECT_NE(duplicate, texture) << what;
            EXPECT_EQ(duplicate->GetName(), "held.tga") << what;
            EXPECT_FALSE(copy->IsEqual(*material)) << what;
            EXPECT_EQ(material->GetTexture(row.slot), texture) << what;
            EXPECT_EQ(texture->GetReferenceCount(), 2) << what;

            copy->ReleaseReference();
            material->ReleaseReference();
        }
        EXPECT_EQ(texture->GetReferenceCount(), 1) << what;
        texture->ReleaseReference();
    }
}

}  // namespace
