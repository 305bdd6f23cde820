// The material plug-ins and resource types of the plug-in export, in the engine's order.
#include "mesh/material_plugin_export.h"

#include <new>

#include "mesh/korvel_bump_plugins.h"
#include "mesh/korvel_one_texture_plugins.h"
#include "zel/plugin.h"

namespace {

template <typename Plugin>
void Make()
{
    // A plug-in that cannot be made is skipped; the next one still is.
    if (auto* plugin = new (std::nothrow) Plugin())
        Zel::MaterialPlugin::Register(plugin);
}

}  // namespace

void RegisterMaterialPlugins()
{
    Make<Zel::KorvelBumpGlossMaterialPlugin>();
    Make<Zel::KorvelBumpMaterialPlugin>();
    Make<Zel::KorvelBumpEnvMaterialPlugin>();
    Make<Zel::KorvelOneTexNoAlphaMaterialPlugin>();
    Make<Zel::KorvelGlossRustMaterialPlugin>();
    Make<Zel::KorvelMultiPFXMaterialPlugin>();
    Make<Zel::KorvelNoFogMaterialPlugin>();
}

void RegisterResourceTypePlugins()
{
    struct Entry {
        const char* name;
        const char* typeId;
    };
    static const Entry kTypes[] = {
        {"korvel.im", "B9E68EA1-56A3-4a6d-9D5D-C5C020F944E6"},
        {"korvel.pm", "2E8739F0-412F-48c2-9F71-912B659C58B6"},
        {"korvel.lm.txt", "8FCC40D7-8BDD-4d14-B528-65692F5DF710"},
        {"korvel.lm", "8FCC40D7-8BDD-4d14-B528-65692F5DF710"},
        {"convert-tex.txt", "A6805E60-4C54-1278-1111-00010251467D"},
    };
    const Zel::UId family(Zel::kResourceTypeFamily);
    for (const Entry& entry : kTypes) {
        auto* type = new (std::nothrow) Zel::PluginType(family, entry.name, Zel::UId(entry.typeId));
        if (type && !Zel::PluginBase::RegisterPluginType(type))
            type->ReleaseReference();
    }
}
