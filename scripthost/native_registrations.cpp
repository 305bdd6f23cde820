// The natives every native class registers: the signatures scripts link against, in registration order.
#include <cstddef>
#include <iterator>

#include "script/vm/gs_machine.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/unavailable_native.h"
#include "zel/pstring.h"

namespace {

constexpr const char* KUIDNatives[] = {
    "$string@KUID::GetName()",       "$string@KUID::GetHTMLString()", "$string@KUID::GetLogString()",
    "$string@KUID::GetBaseString()", "$KUID@KUID::GetBaseKUID()",     nullptr,
};

constexpr const char* SoupNatives[] = {
    "$int@Soup::CountTags()",
    "$string@Soup::GetNamedTag(string)",
    "$Soup@Soup::GetNamedSoup(string)",
    "$string@Soup::GetIndexedTagName(int)",
    "$int@Soup::GetIndexForNamedTag(string)",
    "$KUID@Soup::GetNamedTagAsKUID(string)",
    "$int@Soup::GetNamedTagAsInt(string)",
    "$int@Soup::GetNamedTagAsInt(string,int)",
    "$float@Soup::GetNamedTagAsFloat(string)",
    "$float@Soup::GetNamedTagAsFloat(string,float)",
    "$void@Soup::SetNamedTag(string,string)",
    "$void@Soup::SetNamedTag(string,float)",
    "$void@Soup::SetNamedTag(string,int)",
    "$void@Soup::SetNamedTag(string,KUID)",
    "$void@Soup::SetNamedSoup(string,Soup)",
    "$void@Soup::RemoveNamedTag(string)",
    "$void@Soup::Copy(Soup)",
    "$void@Soup::Clear()",
    "$bool@Soup::IsLocked()",
    "$void@Soup::AddUniqueNamedSoup(Soup)",
    "$void@Soup::Log()",
    nullptr,
};

constexpr const char* HTMLBufferNatives[] = {
    "$void@HTMLBuffer::Clear()",
    "$bool@HTMLBuffer::IsEmpty()",
    "$string@HTMLBuffer::AsString()",
    "$void@HTMLBuffer::Print(string)",
    "$void@HTMLBuffer::Escape(string)",
    "$HTMLBuffer@HTMLBufferStatic::Construct()",
    nullptr,
};

constexpr const char* KUIDListNatives[] = {
    "$int@KUIDList::CountKUIDs()",   "$void@KUIDList::AddKUID(KUID)",       "$void@KUIDList::RemoveKUID(KUID)",
    "$bool@KUIDList::HasKUID(KUID)", "$KUID@KUIDList::GetIndexedKUID(int)", "$void@KUIDList::Copy(KUIDList)",
    "$void@KUIDList::Clear()",       "$bool@KUIDList::IsLocked()",          nullptr,
};

constexpr const char* StringTableNatives[] = {
    "$string@StringTable::GetLanguage()",
    "$void@StringTable::ClearParams()",
    "$void@StringTable::SetParam(int,string)",
    "$string@StringTable::GetString(string)",
    nullptr,
};

constexpr const char* AssetNatives[] = {
    "$KUID@Asset::GetKUID()",
    "$string@Asset::GetLocalisedName()",
    "$string@Asset::GetLocalisedDescription()",
    "$string@Asset::GetCreatorName()",
    "$KUID@Asset::LookupKUIDTable(string)",
    "$Asset@Asset::FindAsset(string)",
    "$StringTable@Asset::GetStringTable()",
    "$Soup@Asset::GetConfigSoup()",
    "$KUIDList@Asset::GetDependencyList()",
    "$bool@Asset::SupportsKorvelBuildVersion(float)",
    "$Image@Asset::LoadImage(string)",
    "$bool@Asset::IsLocallyModified()",
    "$string@Asset::GetInfoURL()",
    "$bool@Asset::GetIsFavorite()",
    "$void@Asset::SetIsFavorite(bool)",
    "$Asset@Asset::GetParent()",
    "$string@Asset::GetCategoryEra()",
    "$string@Asset::GetCategoryRegion()",
    nullptr,
};

constexpr const char* LinkedListNatives[] = {
    "$void@LinkedList::AddInternal(LinkedData[],LinkedData,bool)",
    "$void@LinkedList::SortInternal(LinkedData[])",
    nullptr,
};

constexpr const char* OnlineAccessNatives[] = {
    "$void@OnlineAccess::Connect()",
    "$int@OnlineAccess::GetStatus()",
    "$void@OnlineAccess::Disconnect()",
    "$string@OnlineAccess::GetUsername()",
    "$int@OnlineAccess::GetLocalData(string,Soup)",
    "$int@OnlineAccess::SetLocalData(string,Soup)",
    "$int@OnlineAccess::GetProfileData(string,Soup)",
    "$int@OnlineAccess::SetProfileData(string,Soup)",
    "$int@OnlineAccess::PostMessage(string,Soup)",
    "$int@OnlineAccess::CollectMessage(string,Soup)",
    "$OnlineGroup@OnlineAccess::CreateGroup(int)",
    "$OnlineGroup@OnlineAccess::OpenGroup(string,int)",
    "$int@OnlineAccess::PostOfflineMessage(Soup)",
    "$int@OnlineAccess::CollectOfflineMessage(Soup)",
    nullptr,
};

constexpr const char* OnlineGroupNatives[] = {
    "$void@OnlineGroup::Connect()",
    "$int@OnlineGroup::GetStatus()",
    "$void@OnlineGroup::Disconnect()",
    "$string@OnlineGroup::GetOnlineGroupCookie()",
    "$void@OnlineGroup::AddUser(string)",
    "$void@OnlineGroup::RemoveUser(string)",
    "$int@OnlineGroup::CountUsers()",
    "$string@OnlineGroup::GetIndexedUser(int)",
    "$int@OnlineGroup::FindUser(string)",
    "$int@OnlineGroup::GetUserStatus(int)",
    "$int@OnlineGroup::PostMessage(Soup)",
    "$int@OnlineGroup::CollectMessage(string,Soup)",
    "$void@OnlineGroup::SetModeFlags(int,int)",
    "$void@OnlineGroup::SetUserModeFlags(string,int,int)",
    nullptr,
};

constexpr const char* LibraryNatives[] = {
    "$OnlineAccess@Library::GetOnlineAccess()",
    "$string@Library::LibraryCallNative(string,string[],GSObject[])",
    "$SecurityToken@Library::IssueSecurityToken(KUID,string[])",
    "$SecurityToken@Library::IssueSecurityToken(SecurityToken,KUID,string[])",
    "$SecurityToken@Library::MergeSecurityTokens(SecurityToken[])",
    "$bool@Library::Validate(SecurityToken,Library,string)",
    "$bool@Library::Validate(SecurityToken,KUID,string)",
    "$void@Library::AddSystemMenuIcon(Asset,string,string)",
    "$void@Library::BlinkSystemMenuIcon(int)",
    "$void@Library::RemoveSystemMenuIcon()",
    "$void@Library::ShowSystemMenuIconMenu(Menu)",
    nullptr,
};

constexpr const char* ImageNatives[] = {
    "$void@Image::Clear(int,int)",
    "$void@Image::Resize(int,int,bool)",
    "$int@Image::GetWidth()",
    "$int@Image::GetHeight()",
    "$void@Image::SetLineColor(float,float,float,float)",
    "$void@Image::SetFillColor(float,float,float,float)",
    "$void@Image::DrawPoint(int,int)",
    "$void@Image::DrawRect(int,int,int,int)",
    "$void@Image::DrawLine(int,int,int,int)",
    "$void@Image::DrawCircle(int,int,int)",
    "$void@Image::DrawTriangle(int,int,int,int,int,int)",
    "$void@Image::DrawImage(int,int,Image)",
    "$void@Image::DrawImage(int,int,int,int,Image)",
    "$void@Image::DrawImage(int,int,int,int,Image,int,int,int,int)",
    "$void@Image::SetTextFont(string,int)",
    "$int@Image::MeasureTextWidth(string)",
    "$void@Image::DrawText(int,int,string)",
    "$Soup@Image::ExportImage()",
    "$void@Image::ImportImage(Soup)",
    nullptr,
};

constexpr const char* KorvelScriptBaseNatives[] = {
    "$float@KorvelScriptBase::GetSeconds()",
    "$Library@KorvelScriptBase::GetLibrary(KUID)",
    "$Asset@KorvelScriptBase::FindAsset(KUID)",
    "$Asset[]@KorvelScriptBase::GetAssetList(string)",
    "$Asset[]@KorvelScriptBase::GetAssetList(string,string)",
    "$KUID[]@KorvelScriptBase::SearchAssets(string,bool)",
    "$Asset[]@KorvelScriptBase::FindUpdatedAssets()",
    "$Soup@KorvelScriptBase::KorvelSystemCall(string,Soup)",
    "$bool@KorvelScriptBase::OpenURL(string)",
    "$void@KorvelScriptBase::Log(string)",
    nullptr,
};

constexpr const char* SecurityTokenNatives[] = {
    "$bool@SecurityToken::IsOwnerLocallyModified()",
    nullptr,
};

constexpr const char* ConstructorsBaseNatives[] = {
    "$Soup@ConstructorsBase::NewSoup()",
    "$KUIDList@ConstructorsBase::NewKUIDList()",
    "$Image@ConstructorsBase::NewImage()",
    nullptr,
};

// The order the set-up registers them in. A row's registrar (null for a
// class without bodies yet) binds what it has; once every registrar ran, the
// signatures still unbound raise "not available" when called.
struct RegistrationRow {
    NativeClassRegistration registration;
    void (*registerBodies)();
};

constexpr RegistrationRow Rows[] = {
    {{"KUID", KUIDNatives}, RegisterKUIDNatives},
    {{"Soup", SoupNatives}, RegisterSoupNatives},
    {{"HTMLBuffer", HTMLBufferNatives}, RegisterHTMLBufferNatives},
    {{"KUIDList", KUIDListNatives}, RegisterKUIDListNatives},
    {{"StringTable", StringTableNatives}, RegisterStringTableNatives},
    {{"Asset", AssetNatives}, RegisterAssetNatives},
    {{"LinkedList", LinkedListNatives}, RegisterLinkedListNatives},
    {{"OnlineAccess", OnlineAccessNatives}, RegisterOnlineAccessNatives},
    {{"OnlineGroup", OnlineGroupNatives}, RegisterOnlineGroupNatives},
    {{"Library", LibraryNatives}, RegisterLibraryNatives},
    {{"Image", ImageNatives}, RegisterImageNatives},
    {{"KorvelScriptBase", KorvelScriptBaseNatives}, RegisterKorvelScriptBaseNatives},
    {{"SecurityToken", SecurityTokenNatives}, RegisterSecurityTokenNatives},
    {{"ConstructorsBase", ConstructorsBaseNatives}, RegisterConstructorsNatives},
};

constexpr NativeClassRegistration Registrations[] = {
    Rows[0].registration,  Rows[1].registration,  Rows[2].registration,  Rows[3].registration,  Rows[4].registration,
    Rows[5].registration,  Rows[6].registration,  Rows[7].registration,  Rows[8].registration,  Rows[9].registration,
    Rows[10].registration, Rows[11].registration, Rows[12].registration, Rows[13].registration,
};
static_assert(std::size(Registrations) == std::size(Rows));

}  // namespace

const NativeClassRegistration* NativeClassRegistrations(std::size_t* count)
{
    *count = std::size(Registrations);
    return Registrations;
}

void RegisterNativeClasses()
{
    GSMachine* machine = GSMachine::Get();
    for (const RegistrationRow& row : Rows) {
        if (row.registerBodies != nullptr)
            row.registerBodies();
    }
    // Only then the rest: a registrar may bind natives of another row (the
    // Image class's constructor and Asset.LoadImage).
    for (const RegistrationRow& row : Rows) {
        for (const char* const* signature = row.registration.signatures; *signature != nullptr; ++signature) {
            if (machine->FindNativeFunction(Zel::PString(NativeClassOfSignature(*signature).c_str()),
                                            Zel::PString(*signature)) == nullptr) {
                const char* one[] = {*signature, nullptr};
                RegisterUnavailableNatives(one);
            }
        }
    }
    RegisterOnlineAccessStores();
}
