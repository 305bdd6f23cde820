// The asset-reference check of KUID-browser fields: the asset must be known, installed locally and of the field's category.
#include "assetdb/category_codes.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"
#include "templates/dod_container.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"

namespace DODLib {

namespace {
// Field mask of the asset-information request that fills the code lists.
constexpr int32_t CodeListFields = 4;
}  // namespace

bool CheckKuidReference(Tag* tag)
{
    const TemplateNames& names = Names();
    if (tag->owner && tag->owner->GetName() == names.obsoleteTable)
        return true;
    ErrorHandler* errors = ErrorHandler::Instance();
    const KUID id = KUID::Parse(tag->value.c_str(), false);
    if (id.IsNull()) {
        errors->AddWarning(FindingText("$dod_val_nullkuidwarn", tag->name.c_str()), tag);
        return true;
    }
    const KUID resolved = KADClient::ResolveAssetID(id);
    KADAssetInfo info;
    const Zel::PString idText = resolved.ToTagString();
    if (!KADClient::GetAssetInfo(resolved, CodeListFields, info)) {
        errors->AddWarning(FindingText("$dod_val_kuidnotindatabase", idText.c_str()), tag);
        return true;
    }
    if ((info.statusByte0 & KADAssetInfo::StatusInstalled) == 0) {
        errors->AddWarning(FindingText("$dod_val_asset_not_local", idText.c_str()), tag);
        return true;
    }
    if (!tag->category.IsEmpty() && !MatchCodeList(tag->category.c_str(), info.keywordList.c_str()) &&
        tag->name != names.meshAsset) {
        errors->AddError(FindingText("$dod_val_missmatchcategory", idText.c_str(), tag->name.c_str()), tag);
        return false;
    }
    return true;
}

}  // namespace DODLib
