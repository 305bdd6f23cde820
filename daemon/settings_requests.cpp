// Settings groups: GetSettingsSection, SetSettingsSection, GetSetting and SetSetting, one soup per section in the index.
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/settings_store.h"
#include "soup/binary_soup.h"

namespace {

// Soup tag names are lower-case by rule; a key in another case still names
// the same setting.
Zel::PString ReadKey(TBuffer& request)
{
    return request.ReadPString().ToLower();
}

std::string_view SectionName(const Zel::PString& section)
{
    return section.View();
}

}  // namespace

// Payload: PString section. Reply: the section's binary soup ("no soup"
// when the section does not exist).
void KADHandleGetSettingsSection(KADRequestContext& context)
{
    Zel::PString section = context.request.ReadPString();
    SoupHandle soup;
    if (context.store != nullptr)
        KADSettingsStore(*context.store).LoadSection(SectionName(section), soup);
    WriteBinarySoup(context.reply, soup);
}

// Payload: PString section; binary soup. "No soup" (a header without a
// body) or a soup without tags empties the section. Bytes that are no soup
// at all change nothing: a damaged request must not wipe a section. Reply: empty.
void KADHandleSetSettingsSection(KADRequestContext& context)
{
    Zel::PString section = context.request.ReadPString();
    SoupHandle soup;
    if (context.store == nullptr || context.request.HasError() || !ReadBinarySoup(soup, context.request))
        return;
    KADSettingsStore(*context.store).SaveSection(SectionName(section), soup);
}

// Payload: PString section; PString key. Reply: PString value, empty when absent.
void KADHandleGetSetting(KADRequestContext& context)
{
    Zel::PString section = context.request.ReadPString();
    Zel::PString key = ReadKey(context.request);
    Zel::PString value;
    if (context.store != nullptr && !key.IsEmpty())
        value = KADSettingsStore(*context.store).GetValue(SectionName(section), key);
    context.reply.WritePString(value);
}

// Payload: PString section; PString key; PString value. Reply: empty.
void KADHandleSetSetting(KADRequestContext& context)
{
    Zel::PString section = context.request.ReadPString();
    Zel::PString key = ReadKey(context.request);
    Zel::PString value = context.request.ReadPString();
    // A request cut short sets nothing rather than a half-read value.
    if (context.store == nullptr || key.IsEmpty() || context.request.HasError())
        return;
    KADSettingsStore(*context.store).SetValue(SectionName(section), key, value);
}
