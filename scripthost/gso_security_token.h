// GSOSecurityToken: rights that issuers grant to assets, as a script object of class SecurityToken.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "kuid/kuid.h"
#include "script/vm/gs_object.h"

namespace GSRuntime {
class GSArray;
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOSecurityToken : public GSRuntime::GSObject {
public:
    // Rights compare byte-wise: case counts.
    using Rights = std::set<std::string>;
    using Grants = std::map<KUID, Rights>;
    // Issuers by object identity (the issuing Library objects).
    using RightsMap = std::map<const GSRuntime::GSObject*, std::unique_ptr<Grants>>;

    GSOSecurityToken() = default;
    // A deep copy of the source's map.
    explicit GSOSecurityToken(const GSOSecurityToken& source);

    static GSRuntime::GSClass* ScriptClass();

    // {issuer -> {kuid -> the array's strings}}; null when it cannot be made.
    static GSOSecurityToken* Issue(GSRuntime::GSContext* context, const KUID& kuid, const GSRuntime::GSObject* issuer,
                                   const GSRuntime::GSArray* rights);
    // The union of the array's tokens (other elements skipped); null without one.
    static GSOSecurityToken* Merge(GSRuntime::GSContext* context, const GSRuntime::GSArray* tokens);
    // The source re-issued by an issuer whose own asset is issuerKUID to the
    // asset kuid with the array's rights; null for no rights or an issuer
    // that neither issued the source nor holds "duplicate-token" (logged).
    static GSOSecurityToken* ReIssue(const GSOSecurityToken* source, const GSRuntime::GSObject* issuer,
                                     const KUID& issuerKUID, const KUID& kuid, const GSRuntime::GSArray* rights);
    static bool HasRight(const GSRuntime::GSObject* issuer, const KUID& kuid, const GSOSecurityToken* token,
                         const std::string& right);
    // Empties the set, then adds the text of every string element.
    static void SetRightsFromArray(Rights& rights, const GSRuntime::GSArray* array);

    const RightsMap& Map() const { return map_; }

    bool NativeIsOwnerLocallyModified(GSRuntime::GSStack& stack);

private:
    RightsMap map_;
};
