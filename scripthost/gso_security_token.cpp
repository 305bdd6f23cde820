// GSOSecurityToken: issuing, re-issuing, merging and checking rights, and IsOwnerLocallyModified.
#include "scripthost/gso_security_token.h"

#include "foundation/base/logging.h"
#include "script/vm/gs_array.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"

namespace {

constexpr const char* DuplicateRight = "duplicate-token";

const GSRuntime::GSObjectReference* ElementOwner(const GSRuntime::GSArray* array, int32_t i)
{
    const GSRuntime::Slot& element = array->Elements()[i];
    const GSRuntime::Slot* handle = element.AsHandle();
    return handle != nullptr ? GSRuntime::GSScriptInstance::FromHandle(handle)->owner : nullptr;
}

void CopyInto(GSOSecurityToken::RightsMap& target, const GSOSecurityToken::RightsMap& source)
{
    for (const auto& [issuer, grants] : source)
        target[issuer] = std::make_unique<GSOSecurityToken::Grants>(*grants);
}

}  // namespace

GSOSecurityToken::GSOSecurityToken(const GSOSecurityToken& source) : GSObject()
{
    CopyInto(map_, source.map_);
}

GSRuntime::GSClass* GSOSecurityToken::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::SecurityToken);
}

void GSOSecurityToken::SetRightsFromArray(Rights& rights, const GSRuntime::GSArray* array)
{
    rights.clear();
    if (array == nullptr || !array->HoldsReferences())
        return;
    for (int32_t i = 0; i < array->Count(); ++i) {
        const auto* string = dynamic_cast<const GSRuntime::GSString*>(ElementOwner(array, i));
        if (string != nullptr)
            rights.insert(std::string(string->Text().View()));
    }
}

GSOSecurityToken* GSOSecurityToken::Issue(GSRuntime::GSContext* context, const KUID& kuid,
                                          const GSRuntime::GSObject* issuer, const GSRuntime::GSArray* rights)
{
    GSOSecurityToken* token = MakeNativeObject<GSOSecurityToken>(ScriptClass(), context);
    if (token == nullptr)
        return nullptr;
    auto grants = std::make_unique<Grants>();
    SetRightsFromArray((*grants)[kuid], rights);
    token->map_[issuer] = std::move(grants);
    return token;
}

GSOSecurityToken* GSOSecurityToken::Merge(GSRuntime::GSContext* context, const GSRuntime::GSArray* tokens)
{
    GSOSecurityToken* result = nullptr;
    if (tokens == nullptr || !tokens->HoldsReferences())
        return nullptr;
    for (int32_t i = 0; i < tokens->Count(); ++i) {
        const auto* token = dynamic_cast<const GSOSecurityToken*>(ElementOwner(tokens, i));
        if (token == nullptr)
            continue;
        if (result == nullptr) {
            result = MakeNativeObject<GSOSecurityToken>(ScriptClass(), context, *token);
            if (result == nullptr)
                return nullptr;
            continue;
        }
        for (const auto& [issuer, grants] : token->map_) {
            auto found = result->map_.find(issuer);
            if (found == result->map_.end()) {
                result->map_[issuer] = std::make_unique<Grants>(*grants);
                continue;
            }
            for (const auto& [kuid, rights] : *grants)
                (*found->second)[kuid].insert(rights.begin(), rights.end());
        }
    }
    return result;
}

GSOSecurityToken* GSOSecurityToken::ReIssue(const GSOSecurityToken* source, const GSRuntime::GSObject* issuer,
                                            const KUID& issuerKUID, const KUID& kuid, const GSRuntime::GSArray* rights)
{
    Rights asked;
    SetRightsFromArray(asked, rights);
    if (source == nullptr || asked.empty())
        return nullptr;
    bool owner = false;
    bool duplicate = false;
    for (const auto& [entryIssuer, grants] : source->map_) {
        if (entryIssuer == issuer)
            owner = true;
        const auto own = grants->find(issuerKUID);
        if (own != grants->end() && own->second.count(DuplicateRight) != 0)
            duplicate = true;
        if (duplicate)
            break;
    }
    if (!owner && !duplicate) {
        LogMessage("GSOSecurityToken::ReIssueToken> Unauthorised attempt made to re-issue security token (%s)",
                   issuerKUID.ToTagString().c_str());
        return nullptr;
    }
    GSOSecurityToken* result = MakeNativeObject<GSOSecurityToken>(ScriptClass(), source->GetContext(), *source);
    if (result == nullptr)
        return nullptr;
    const Rights selected = duplicate ? Rights() : asked;
    if (owner && !duplicate) {
        Grants& grants = *result->map_[issuer];
        const auto own = grants.find(issuerKUID);
        if (own != grants.end()) {
            Rights kept;
            for (const std::string& right : own->second) {
                if (selected.count(right) != 0)
                    kept.insert(right);
            }
            own->second = std::move(kept);
        }
    }
    if (!owner) {
        auto grants = std::make_unique<Grants>();
        (*grants)[kuid] = selected;
        result->map_[issuer] = std::move(grants);
    }
    return result;
}

bool GSOSecurityToken::HasRight(const GSRuntime::GSObject* issuer, const KUID& kuid, const GSOSecurityToken* token,
                                const std::string& right)
{
    if (token == nullptr)
        return false;
    const auto entry = token->map_.find(issuer);
    if (entry == token->map_.end())
        return false;
    const auto rights = entry->second->find(kuid);
    return rights != entry->second->end() && rights->second.count(right) != 0;
}

bool GSOSecurityToken::NativeIsOwnerLocallyModified(GSRuntime::GSStack& stack)
{
    bool modified = false;
    for (const auto& [issuer, grants] : map_) {
        for (const auto& entry : *grants) {
            PemberlynxSpecRef spec = FindBaseSpecByKUID(entry.first);
            if (spec)
                modified = static_cast<KorvelBaseSpec*>(spec.Get())->IsLocallyModified();
            if (modified)
                break;
        }
        if (modified)
            break;
    }
    stack.PushInt(modified ? 1 : 0);
    return true;
}

void RegisterSecurityTokenNatives()
{
    static constexpr MemberNativeRow<GSOSecurityToken> Rows[] = {
        {"$bool@SecurityToken::IsOwnerLocallyModified()", &GSOSecurityToken::NativeIsOwnerLocallyModified},
    };
    RegisterMemberNatives("SecurityToken", Rows);
}
