// Search over 100,000 synthetic assets: the store's filter evaluation against a plain loop over the same rows, plus the daemon's memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "assetdb/category_codes.h"
#include "assetdb/kad_filter_element.h"
#include "daemon/asset_store.h"
#include "assetdb/protocol/kad_requests.h"
#include "daemon/asset_store_rows.h"
#include "daemon/daemon_config.h"
#include "daemon/search_filter.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "daemon/daemon_test_support.h"

namespace {

constexpr int AssetCount = 100000;
constexpr int Rounds = 15;

const char* const Categories[] = {"TR;TV;LOC;DIES", "TR;TV;FRT;HOPP", "BD;IND;ACTV", "SY;SCEN", "TK;RLS",
                                  "SPLN;BRG",       "TR;CMP;BOGY",    "TX;ENV;GRND", "FL;SCEN", "RT"};

KADAssetRecord Synthetic(int index)
{
    KADAssetRecord record;
    record.id = KUID(1000 + index % 500, index, 0);
    record.flags = AssetInstalled;
    record.revision = 1;
    record.leaf = "asset" + std::to_string(index);
    record.name = "Synthetic asset number " + std::to_string(index);
    record.kind = "traincar";
    record.category = Categories[index % 10];
    record.region = index % 3 == 0 ? "DE" : "US";
    record.authorId = record.id.user;
    record.authorName = "author" + std::to_string(record.id.user);
    record.build = 4.6f;
    record.installedTime = 1700000000 + index;
    record.modifiedTime = record.installedTime;
    return record;
}

bool FillIndex(const std::string& indexPath)
{
    KADStoreConnection connection;
    if (!connection.Open(indexPath) || !KADMigrateStore(connection) || !connection.Exec("BEGIN"))
        return false;
    for (int i = 0; i < AssetCount; ++i) {
        if (!KADSaveAssetRow(connection, Synthetic(i)))
            return false;
    }
    return connection.Exec("COMMIT");
}

template <class Work>
double MedianMs(Work work)
{
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

KADBytes FilterBytes(const KADFilterElement& filter)
{
    TBuffer buffer;
    WriteFilterElement(buffer, &filter);
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

}  // namespace

// Resident memory of a daemon over the installation once it has answered
// a search (the store is loaded by then); -1 when it cannot be reached.
long SearchedResidentKiB(KADTestInstallation& installation, const KADBytes& filter)
{
    pid_t daemon = installation.StartDaemon();
    int port = installation.WaitForPort(daemon);
    KADTestClient client;
    if (port == 0 || !client.Connect(port) || !client.Handshake(installation.ClientDatabasePath()))
        return -1;
    KADBytes reply;
    client.Call(KADRequestCode::SearchAssets, filter, reply);
    long resident = ResidentKiB(daemon);
    client.Call(KADRequestCode::CloseDaemon, {}, reply);
    client.Close();
    installation.WaitForExit(daemon);
    return resident;
}

int main()
{
    KADTestInstallation installation;
    std::string userData = installation.Root() + "/UserData";
    std::string database = userData + "/assets.tdx";
    std::filesystem::create_directories(database);
    if (!FillIndex(database + "/index.sqlite")) {
        std::fprintf(stderr, "cannot fill the index\n");
        return 1;
    }

    // In process: the store's mirror and its filter evaluation.
    KADStoreConnection connection;
    connection.Open(database + "/index.sqlite");
    if (!KADAssetStore::Start(userData, database, KADDaemonConfig(), connection)) {
        std::fprintf(stderr, "cannot start the store\n");
        return 1;
    }
    const KADAssetStore& store = *KADAssetStore::Instance();
    // The peer: the same rows in a plain vector, tested by a hand-written loop.
    std::vector<KADAssetRecord> rows;
    for (int i = 0; i < AssetCount; ++i)
        rows.push_back(Synthetic(i));
    std::sort(rows.begin(), rows.end(), [](const KADAssetRecord& a, const KADAssetRecord& b) { return a.id < b.id; });

    KADFilterElementString category(FilterStringCategoryList, Zel::PString("TR;TV"));
    KADFilterElementInt author(1, 1042, 1042, true, true);
    std::size_t ours = 0;
    std::size_t peer = 0;
    double ourCategory = MedianMs([&] { ours = KADSearchAssets(store, &category).size(); });
    double peerCategory = MedianMs([&] {
        std::vector<KUID> found;
        for (const KADAssetRecord& row : rows)
            if (MatchCodeList("TR;TV", row.category.c_str()))
                found.push_back(row.id);
        peer = found.size();
    });
    std::printf(
        "category search, %d assets: store %.2f ms, in-memory loop %.2f ms, ratio %.2f (goal <= 5; %zu/%zu found)\n",
        AssetCount, ourCategory, peerCategory, ourCategory / peerCategory, ours, peer);
    double ourAuthor = MedianMs([&] { ours = KADSearchAssets(store, &author).size(); });
    double peerAuthor = MedianMs([&] {
        std::vector<KUID> found;
        for (const KADAssetRecord& row : rows)
            if (row.authorId == 1042)
                found.push_back(row.id);
        peer = found.size();
    });
    std::printf(
        "author search, %d assets: store %.2f ms, in-memory loop %.2f ms, ratio %.2f (goal <= 5; %zu/%zu found)\n",
        AssetCount, ourAuthor, peerAuthor, ourAuthor / peerAuthor, ours, peer);

    // The real daemon over the same index: a search through the wire, and
    // its resident memory once the store is loaded.
    pid_t daemon = installation.StartDaemon();
    int port = installation.WaitForPort(daemon);
    KADTestClient client;
    if (port == 0 || !client.Connect(port) || !client.Handshake(installation.ClientDatabasePath())) {
        std::fprintf(stderr, "cannot reach the daemon\n");
        return 1;
    }
    KADBytes reply;
    double wire = MedianMs([&] { client.Call(KADRequestCode::SearchAssets, FilterBytes(category), reply); });
    std::printf("category search through the daemon: %.2f ms (reply %zu bytes), ratio to the loop %.2f\n", wire,
                reply.size(), wire / peerCategory);
    client.Call(KADRequestCode::CloseDaemon, {}, reply);
    client.Close();
    installation.WaitForExit(daemon);
    // Memory: the same daemon over an empty index, then over the full one,
    // each after a search.
    KADTestInstallation empty;
    long before = SearchedResidentKiB(empty, FilterBytes(category));
    long after = SearchedResidentKiB(installation, FilterBytes(category));
    std::printf("daemon resident memory after a search: %ld KiB with no assets, %ld KiB with %d assets (%.0f B per "
                "asset; goal <= 300)\n",
                before, after, AssetCount, (after - before) * 1024.0 / AssetCount);
    return 0;
}
