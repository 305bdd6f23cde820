// importconsists: turns the trains of an old consist list into consist assets.

#include <cstdio>
#include <set>

#include "app/commands.h"
#include "app/start_directory_scope.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/file.h"

namespace {

// Car ids ordered by user, then content, then version, each as unsigned.
struct UnsignedIdOrder {
    bool operator()(const KUID& a, const KUID& b) const
    {
        if (uint32_t(a.user) != uint32_t(b.user))
            return uint32_t(a.user) < uint32_t(b.user);
        if (uint32_t(a.content) != uint32_t(b.content))
            return uint32_t(a.content) < uint32_t(b.content);
        return uint32_t(a.version) < uint32_t(b.version);
    }
};

Zel::PString NumberedName(const char* format, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, format, number);
    return Zel::PString(name);
}

// A local, listed, current consist asset of that name exists already.
bool ConsistExists(const Zel::PString& trainName)
{
    KADFilterElementGroup filter;
    filter.AddElement(new KADFilterElementString(FilterStringCategoryList, Zel::PString("CN")));
    filter.AddElement(new KADFilterElementBool(FilterBoolLocal));
    filter.AddElement(new KADFilterElementBool(FilterBoolLocallyAvailable));
    filter.AddElement(new KADFilterElementBool(FilterBoolListingPrivilege));
    filter.AddNegatedGroup(new KADFilterElementBool(FilterBoolObsolete));
    ChunkedList<KUID, 128> consists;
    KADClient::SearchAssets(&filter, consists);
    for (const KUID& id : consists) {
        if (KADClient::GetAssetName(id).CompareWith(trainName.c_str()) == 1)
            return true;
    }
    return false;
}

// "consist-list" from the train's "list", and "kuid-table" of its distinct cars.
void FillConsistConfig(SoupHandle& config, const SoupHandle& list)
{
    SoupHandle cars;
    cars.EnsureContainer();
    std::set<KUID, UnsignedIdOrder> carIds;
    for (int c = 0; list.HasNamedTag(NumberedName("car-%d", c)); ++c) {
        SoupHandle car;
        KUID carId = list.GetNamedTagAsKUID(NumberedName("car-%d", c), NullKUID);
        car.SetNamedTagKUID(Zel::PString("car-kuid"), carId);
        car.SetNamedTagInt(Zel::PString("car-num"), list.GetNamedTagAsInt(NumberedName("num-%d", c), 0));
        car.SetNamedTagBool(Zel::PString("car-dir"), list.GetNamedTagAsBool(NumberedName("dir-%d", c), false));
        cars.SetNamedSoup(NumberedName("car-%d", c), car);
        carIds.insert(carId);
    }
    config.SetNamedSoup(Zel::PString("consist-list"), cars);
    SoupHandle table;
    table.EnsureContainer();
    int index = 0;
    for (const KUID& id : carIds)
        table.SetNamedTagKUID(NumberedName("%d", index++), id);
    config.SetNamedSoup(Zel::PString("kuid-table"), table);
}

void ImportTrain(ResultsLog& log, const SoupHandle& train)
{
    const Zel::PString name = train.GetNamedTag(Zel::PString("name"));
    if (ConsistExists(name))
        return;
    KADAssetHandleRef handle = KADClient::OpenAssetForEdit(NullKUID, true, Zel::String());
    Zel::PString storeName;
    Zel::File::Path folder;
    if (!handle.GetFolder(storeName, folder))
        return;
    Zel::File::Path configPath = folder;
    configPath.AddPath("config.txt");
    SoupHandle config;
    config.LoadFromFile(Zel::PString(), configPath.c_str());
    config.SetNamedTag(Zel::PString("kind"), "consist");
    config.SetNamedTag(Zel::PString("username"), name);
    config.SetNamedTagFloat(Zel::PString("korvel-build"), 3.1f);
    FillConsistConfig(config, train.GetNamedSoup(Zel::PString("list")));
    config.SaveToFile(Zel::PString(), configPath.c_str(), "txt");
    bool replaced = false;
    KADClient::CommitAsset(handle, 0, &log, &replaced);
    handle.Release();
}

}  // namespace

int CommandImportConsists(ResultsLog& log, const Zel::PString& filePath)
{
    StartDirectoryScope directory;
    SoupHandle consists;
    if (!consists.LoadFromFile(Zel::PString(), filePath.c_str())) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Invalid input path.");
        return -1;
    }
    for (int i = 0; consists.HasNamedTag(NumberedName("train-%d", i)); ++i) {
        SoupHandle train = consists.GetNamedSoup(NumberedName("train-%d", i));
        if (!train.HasNamedTag(Zel::PString("name")) || !train.HasNamedTag(Zel::PString("list")))
            continue;
        ImportTrain(log, train);
    }
    return 0;
}
