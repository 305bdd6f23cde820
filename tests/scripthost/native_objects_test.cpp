// Native script objects called directly, where a script cannot reach the path: KUID objects per context, base ids out of range, assets per context, security tokens, and base natives from a foreign context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assetdb/pemberlynx_spec_registry.h"
#include "script/vm/gs_array.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "script/vm/script_instance.h"
#include "script_host_test_root.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/gso_security_token.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"

namespace {

using GSRuntime::GSScriptInstance;

class NativeObjects : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHostTestRoot();
        ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
        liveBefore = GSRuntime::LiveScriptInstances();
    }
    void TearDown() override
    {
        EXPECT_EQ(GSOKUID::RegistryCount(), 0u);
        EXPECT_EQ(GSOAsset::LiveCount(), 0u);
        EXPECT_EQ(GSRuntime::LiveScriptInstances(), liveBefore);
    }

    // A script array of the texts (null for an empty text), or of the tokens.
    static GSRuntime::GSArray* Strings(GSRuntime::GSContext* context, const std::vector<const char*>& texts)
    {
        auto* array = new GSRuntime::GSArray(context, 1);
        for (size_t i = 0; i < texts.size(); ++i) {
            GSRuntime::Slot* handle = nullptr;
            if (texts[i] != nullptr)
                handle = (new GSRuntime::GSString(context, texts[i]))->GetScriptInstance();
            array->SetObjectElement(static_cast<int32_t>(i), handle, false, nullptr);
        }
        return array;
    }
    static GSRuntime::GSArray* Tokens(GSRuntime::GSContext* context, const std::vector<GSOSecurityToken*>& tokens)
    {
        auto* array = new GSRuntime::GSArray(context, 1);
        for (size_t i = 0; i < tokens.size(); ++i) {
            GSRuntime::Slot* handle = tokens[i] != nullptr ? tokens[i]->GetScriptInstance() : nullptr;
            array->SetObjectElement(static_cast<int32_t>(i), handle, true, nullptr);
        }
        return array;
    }
    static void Release(const GSRuntime::GSObjectReference* object)
    {
        if (object != nullptr)
            GSScriptInstance::Release(object->GetScriptInstance());
    }

    int64_t liveBefore = 0;
};

TEST_F(NativeObjects, OneKUIDObjectPerIdAndContextUntilItsLastReferenceGoes)
{
    KorvelScriptContext first;
    KorvelScriptContext second;
    const KUID id(1234, 5, 3);
    GSOKUID* a = GSOKUID::FindOrCreate(id, &first);
    GSOKUID* b = GSOKUID::FindOrCreate(id, &first);
    GSOKUID* c = GSOKUID::FindOrCreate(id, &second);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(GSOKUID::RegistryCount(), 2u);
    Release(a);
    Release(b);
    Release(c);
    EXPECT_EQ(GSOKUID::RegistryCount(), 0u);
    // A later request makes a new object.
    GSOKUID* again = GSOKUID::FindOrCreate(id, &first);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GSOKUID::RegistryCount(), 1u);
    // Left to the context's teardown, which empties the registry too.
}

TEST_F(NativeObjects, BaseKUIDOfAUserIdBeyondTwentyFiveBitsIsTheNullId)
{
    struct Case {
        KUID id;
        KUID base;
    };
    const Case cases[] = {
        {KUID(1234, 5, 3), KUID(1234, 5, 0)},
        {KUID(-5, 7, 127), KUID(-5, 7, 127)},
        {KUID(40000000, 5, 3), KUID()},
        {KUID(-40000000, 5, 127), KUID()},
        {KUID(33554431, 5, 3), KUID(33554431, 5, 0)},
    };
    KorvelScriptContext context;
    for (const Case& c : cases) {
        GSOKUID* id = GSOKUID::FindOrCreate(c.id, &context);
        ASSERT_NE(id, nullptr);
        GSRuntime::GSStack stack;
        id->NativeGetBaseKUID(stack);
        ASSERT_EQ(stack.TopIndex(), 0);
        GSRuntime::Slot* handle = stack.Pop().AsHandle();
        ASSERT_NE(handle, nullptr);
        auto* base = dynamic_cast<GSOKUID*>(GSScriptInstance::FromHandle(handle)->owner);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(base->Id(), c.base) << c.id.ToTagString().c_str();
        GSScriptInstance::Release(handle);
        Release(id);
    }
}

TEST_F(NativeObjects, OneAssetObjectPerIdAndContext)
{
    KorvelScriptContext first;
    KorvelScriptContext second;
    const KUID id(424242, 1, 0);
    GSOAsset* a = GSOAsset::FindOrCreate(&first, id);
    GSOAsset* b = GSOAsset::FindOrCreate(&first, id);
    GSOAsset* c = GSOAsset::FindOrCreate(&second, id);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(GSOAsset::FindOrCreate(&first, KUID()), nullptr);
    EXPECT_EQ(GSOAsset::LiveCount(), 2u);
    Release(a);
    Release(b);
    Release(c);
}

TEST_F(NativeObjects, TokensIssueMergeAndCheckRights)
{
    KorvelScriptContext context;
    GSRuntime::GSObject issuerA;
    GSRuntime::GSObject issuerB;
    const KUID car(1, 1, 0);
    const KUID wagon(1, 2, 0);
    GSRuntime::GSArray* rights = Strings(&context, {"drive", nullptr, "Paint"});
    GSOSecurityToken* a = GSOSecurityToken::Issue(&context, car, &issuerA, rights);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(GSOSecurityToken::HasRight(&issuerA, car, a, "drive"));
    // Case counts; an issuer or id the token lacks has no rights.
    EXPECT_FALSE(GSOSecurityToken::HasRight(&issuerA, car, a, "paint"));
    EXPECT_FALSE(GSOSecurityToken::HasRight(&issuerB, car, a, "drive"));
    EXPECT_FALSE(GSOSecurityToken::HasRight(&issuerA, wagon, a, "drive"));

    // Elements that are no strings are skipped: an empty set.
    GSRuntime::GSArray* none = Tokens(&context, {a});
    GSOSecurityToken* empty = GSOSecurityToken::Issue(&context, wagon, &issuerA, none);
    ASSERT_NE(empty, nullptr);
    ASSERT_EQ(empty->Map().size(), 1u);
    EXPECT_TRUE(empty->Map().begin()->second->at(wagon).empty());

    GSRuntime::GSArray* more = Strings(&context, {"stop"});
    GSOSecurityToken* b = GSOSecurityToken::Issue(&context, car, &issuerA, more);
    GSOSecurityToken* c = GSOSecurityToken::Issue(&context, wagon, &issuerB, more);
    GSRuntime::GSArray* all = Tokens(&context, {nullptr, a, b, c});
    GSOSecurityToken* merged = GSOSecurityToken::Merge(&context, all);
    ASSERT_NE(merged, nullptr);
    for (const char* right : {"drive", "Paint", "stop"})
        EXPECT_TRUE(GSOSecurityToken::HasRight(&issuerA, car, merged, right)) << right;
    EXPECT_TRUE(GSOSecurityToken::HasRight(&issuerB, wagon, merged, "stop"));
    // Merging made a new token: the first is unchanged.
    EXPECT_FALSE(GSOSecurityToken::HasRight(&issuerA, car, a, "stop"));
    GSRuntime::GSArray* noTokens = Strings(&context, {"drive"});
    EXPECT_EQ(GSOSecurityToken::Merge(&context, noTokens), nullptr);

    for (GSRuntime::GSObjectReference* object :
         std::vector<GSRuntime::GSObjectReference*>{rights, none, more, all, noTokens, a, b, c, empty, merged})
        Release(object);
}

TEST_F(NativeObjects, ReIssueByOwnerKeepsOnlyAskedRightsAndRefusesStrangers)
{
    KorvelScriptContext context;
    GSRuntime::GSObject owner;
    GSRuntime::GSObject stranger;
    GSRuntime::GSObject duplicator;
    const KUID ownerAsset(7, 1, 0);
    const KUID strangerAsset(7, 2, 0);
    const KUID duplicatorAsset(7, 3, 0);
    const KUID target(7, 9, 0);
    GSRuntime::GSArray* ownRights = Strings(&context, {"drive", "paint"});
    GSOSecurityToken* source = GSOSecurityToken::Issue(&context, ownerAsset, &owner, ownRights);
    ASSERT_NE(source, nullptr);
    GSRuntime::GSArray* asked = Strings(&context, {"drive", "fly"});

    // The owner re-issuing: its own set keeps only the asked rights.
    GSOSecurityToken* narrowed = GSOSecurityToken::ReIssue(source, &owner, ownerAsset, target, asked);
    ASSERT_NE(narrowed, nullptr);
    EXPECT_TRUE(GSOSecurityToken::HasRight(&owner, ownerAsset, narrowed, "drive"));
    EXPECT_FALSE(GSOSecurityToken::HasRight(&owner, ownerAsset, narrowed, "paint"));
    EXPECT_TRUE(GSOSecurityToken::HasRight(&owner, ownerAsset, source, "paint"));

    // Neither issuer nor holder of "duplicate-token": refused.
    EXPECT_EQ(GSOSecurityToken::ReIssue(source, &stranger, strangerAsset, target, asked), nullptr);
    // No rights asked: nothing.
    GSRuntime::GSArray* nothing = Strings(&context, {});
    EXPECT_EQ(GSOSecurityToken::ReIssue(source, &owner, ownerAsset, target, nothing), nullptr);

    // A holder of "duplicate-token" adds its own entry with no rights.
    GSRuntime::GSArray* duplicate = Strings(&context, {"duplicate-token"});
    GSOSecurityToken* grant = GSOSecurityToken::Issue(&context, duplicatorAsset, &owner, duplicate);
    GSOSecurityToken* copied = GSOSecurityToken::ReIssue(grant, &duplicator, duplicatorAsset, target, asked);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Map().size(), 2u);
    EXPECT_TRUE(GSOSecurityToken::HasRight(&owner, duplicatorAsset, copied, "duplicate-token"));
    EXPECT_FALSE(GSOSecurityToken::HasRight(&duplicator, target, copied, "drive"));

    // Rights of its own without "duplicate-token" do not let a stranger re-issue.
    GSRuntime::GSArray* strangerRights = Strings(&context, {"drive"});
    GSOSecurityToken* forStranger = GSOSecurityToken::Issue(&context, strangerAsset, &owner, strangerRights);
    EXPECT_EQ(GSOSecurityToken::ReIssue(forStranger, &stranger, strangerAsset, target, asked), nullptr);

    for (GSRuntime::GSObjectReference* object : std::vector<GSRuntime::GSObjectReference*>{
             ownRights, asked, nothing, duplicate, strangerRights, source, narrowed, grant, copied, forStranger})
        Release(object);
}

TEST_F(NativeObjects, OwnerOfATokenWithoutSpecsIsNotLocallyModified)
{
    CreateSpecRegistry();
    KorvelScriptContext context;
    GSRuntime::GSObject issuer;
    GSRuntime::GSArray* rights = Strings(&context, {"drive"});
    GSOSecurityToken* token = GSOSecurityToken::Issue(&context, KUID(424242, 77, 0), &issuer, rights);
    ASSERT_NE(token, nullptr);
    GSRuntime::GSStack stack;
    token->NativeIsOwnerLocallyModified(stack);
    ASSERT_EQ(stack.TopIndex(), 0);
    EXPECT_EQ(stack.Pop().AsInt(), 0);
    Release(rights);
    Release(token);
}

// A script world that is not the host's: an object living there may not
// reach the host's base natives.
TEST_F(NativeObjects, BaseNativesRefuseObjectsOfAnotherKindOfContext)
{
    GSRuntime::GSContext plain(new GSRuntime::GSRouter, false);
    KorvelScriptContext host;
    GSOKUID* stranger = GSOKUID::FindOrCreate(KUID(1234, 5, 3), &plain);
    GSOKUID* local = GSOKUID::FindOrCreate(KUID(1234, 5, 3), &host);
    ASSERT_NE(stranger, nullptr);
    ASSERT_NE(local, nullptr);
    GSRuntime::GSStack stack;
    for (const char* signature :
         {"$float@KorvelScriptBase::GetSeconds()", "$Asset[]@KorvelScriptBase::FindUpdatedAssets()"}) {
        GSRuntime::GSNativeFunction* native =
            GSMachine::Get()->FindNativeFunction(Zel::PString("KorvelScriptBase"), Zel::PString(signature));
        ASSERT_NE(native, nullptr) << signature;
        EXPECT_FALSE(native->Call(stranger, stack)) << signature;
    }
    // The clock needs no daemon: in the host's context it answers.
    GSRuntime::GSNativeFunction* clock = GSMachine::Get()->FindNativeFunction(
        Zel::PString("KorvelScriptBase"), Zel::PString("$float@KorvelScriptBase::GetSeconds()"));
    EXPECT_TRUE(clock->Call(local, stack));
    Release(stranger);
    Release(local);
}

}  // namespace
