// The database repair: reconciles the committed asset folders with the index rows.
#include "daemon/repair_run.h"

#include <sys/stat.h>

#include <ctime>
#include <map>
#include <set>
#include <vector>

#include "app/results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_rows.h"
#include "soup/soup_handle.h"

namespace {

struct Revision {
    std::int32_t number = 0;
    std::string folder;  // the revision folder r<number>
};

// One committed asset folder that can be read.
struct FolderAsset {
    KUID id;
    std::int32_t revision = 0;
    std::string leaf;
    SoupHandle config;
};

class Repair {
public:
    Repair(KadAssetStore& store, KadStoreConnection& connection, std::int32_t mode, ResultsLog& log)
        : store(store), connection(connection), mode(mode), log(log), root(store.UserDataRoot())
    {
    }

    int Run(const KadRepairProgress& progress)
    {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KadLoadAllAssetRows(connection, [this](KadAssetRecord&& record) { rows[record.id] = std::move(record); });
        std::vector<std::string> keys = AssetKeys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            progress(keys.empty() ? 1.0f : 0.9f * static_cast<float>(i) / static_cast<float>(keys.size()),
                     "Checking asset folders");
            CheckAssetFolder(keys[i]);
        }
        progress(0.9f, "Checking the index");
        for (auto& entry : rows) {
            if (seen.count(entry.first) == 0)
                CheckRowWithoutFolder(entry.second);
        }
        progress(1.0f, "Done");
        return log.ErrorCount();
    }

private:
    std::vector<std::string> AssetKeys() const
    {
        std::vector<std::string> keys;
        for (const std::string& name : KadFolderEntries(root + "/local")) {
            if (!name.empty() && name[0] != '.' && KadFolderExists(root + "/local/" + name))
                keys.push_back(name);
        }
        return keys;
    }

    static bool ParseRevision(const std::string& name, std::int32_t& number)
    {
        if (name.size() < 2 || name[0] != 'r' || name.size() > 10)
            return false;
        number = 0;
        for (std::size_t i = 1; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9')
                return false;
            number = number * 10 + (name[i] - '0');
        }
        return number > 0;
    }

    // Revision folders, highest first. Staging folders are an operation in
    // progress (or one the journal recovers) and are left alone.
    std::vector<Revision> Revisions(const std::string& keyFolder) const
    {
        std::vector<Revision> revisions;
        for (const std::string& name : KadFolderEntries(keyFolder)) {
            Revision revision;
            if (ParseRevision(name, revision.number) && KadFolderExists(keyFolder + "/" + name)) {
                revision.folder = keyFolder + "/" + name;
                revisions.push_back(revision);
            }
        }
        std::sort(revisions.begin(), revisions.end(),
                  [](const Revision& a, const Revision& b) { return a.number > b.number; });
        return revisions;
    }

    bool ReadRevision(const std::string& key, const Revision& revision, FolderAsset& asset)
    {
        std::vector<std::string> leaves;
        for (const std::string& name : KadFolderEntries(revision.folder)) {
            if (KadFolderExists(revision.folder + "/" + name))
                leaves.push_back(name);
        }
        if (leaves.size() != 1) {
            Error(revision.folder, leaves.empty() ? "the folder holds no asset" : "the folder holds more than one asset");
            return false;
        }
        std::string folder = revision.folder + "/" + leaves[0];
        std::string error;
        if (!KadLoadFolderConfig(folder, asset.config, error)) {
            Error(folder, error.empty() ? "the config cannot be read" : error);
            return false;
        }
        asset.id = asset.config.GetNamedTagAsKUID(Zel::PString("kuid"), KUID());
        if (asset.id.IsNull() || KadAssetKey(asset.id) != key) {
            Error(folder, "the config does not name the asset of its folder");
            return false;
        }
        asset.revision = revision.number;
        asset.leaf = leaves[0];
        return true;
    }

    void CheckAssetFolder(const std::string& key)
    {
        std::string keyFolder = root + "/local/" + key;
        std::vector<Revision> revisions = Revisions(keyFolder);
        FolderAsset winner;
        std::size_t index = 0;
        for (; index < revisions.size(); ++index) {
            if (ReadRevision(key, revisions[index], winner))
                break;
        }
        if (index == revisions.size())
            return;
        seen.insert(winner.id);
        // Older revisions are what an interrupted clean-up left behind.
        for (std::size_t older = index + 1; older < revisions.size(); ++older) {
            if (KadMoveToTrash(root, winner.id, revisions[older].folder))
                Info(winner.id, "An older revision of the asset was moved to the trash.");
        }
        auto row = rows.find(winner.id);
        if (row == rows.end()) {
            AddRow(winner, keyFolder);
            return;
        }
        UpdateRow(row->second, winner);
    }

    static std::int64_t FolderTime(const std::string& folder)
    {
        struct stat info;
        return stat(folder.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime)
                                                : static_cast<std::int64_t>(std::time(nullptr));
    }

    void AddRow(const FolderAsset& asset, const std::string& keyFolder)
    {
        KadAssetRecord record;
        record.id = asset.id;
        record.flags = AssetInstalled;
        record.revision = asset.revision;
        record.leaf = asset.leaf;
        record.installedTime = FolderTime(keyFolder);
        record.modifiedTime = record.installedTime;
        KadDeriveAssetMetadata(asset.config, record);
        if (Save(record))
            Info(asset.id, "The asset was added to the database from its folder.");
    }

    void UpdateRow(KadAssetRecord& record, const FolderAsset& asset)
    {
        bool moved = record.revision != asset.revision || record.leaf != asset.leaf || !record.Has(AssetInstalled);
        record.revision = asset.revision;
        record.leaf = asset.leaf;
        record.flags |= AssetInstalled;
        KadDeriveAssetMetadata(asset.config, record);
        if (Save(record) && moved)
            Info(asset.id, "The database entry of the asset was pointed at its folder.");
    }

    void CheckRowWithoutFolder(KadAssetRecord& record)
    {
        bool editMissing = record.Has(AssetOpenForEdit) && !KadFolderExists(KadEditFolder(root, record));
        bool committedMissing = record.Has(AssetInstalled) || record.revision != 0;
        if (!editMissing && !committedMissing)
            return;
        if (editMissing)
            record.flags &= ~(AssetOpenForEdit | AssetEditOnly);
        if (committedMissing) {
            record.flags &= ~AssetInstalled;
            record.revision = 0;
            record.leaf.clear();
        }
        if (!record.Has(AssetOpenForEdit) && !record.Has(AssetFromService)) {
            if (KadDeleteAssetRow(connection, record.id)) {
                store.Refresh(connection, record.id);
                Warning(record.id, "The asset's folder is missing; it was removed from the database.");
            } else {
                Error(KadAssetKey(record.id), "the database entry cannot be removed");
            }
            return;
        }
        if (Save(record))
            Warning(record.id, "The asset's folder is missing; it is no longer marked as installed.");
    }

    bool Save(const KadAssetRecord& record)
    {
        if (!KadSaveAssetRow(connection, record)) {
            Error(KadAssetKey(record.id), "the database entry cannot be written");
            return false;
        }
        store.Refresh(connection, record.id);
        return true;
    }

    // The patch step's repair reports only what is wrong.
    void Info(const KUID& id, const char* text)
    {
        if (mode != KadRepairModePatcher)
            log.AddAssetMessage(ResultsLog::MessageKind::Info, id, text);
    }
    void Warning(const KUID& id, const char* text)
    {
        log.AddAssetMessage(ResultsLog::MessageKind::Warning, id, text);
    }
    void Error(const std::string& where, const std::string& why)
    {
        std::string text = "Cannot repair " + where + ": " + why;
        log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    }

    KadAssetStore& store;
    KadStoreConnection& connection;
    std::int32_t mode;
    ResultsLog& log;
    std::string root;
    std::map<KUID, KadAssetRecord> rows;
    std::set<KUID> seen;
};

}  // namespace

int KadRunRepair(KadAssetStore& store, KadStoreConnection& connection, std::int32_t mode, ResultsLog& log,
                 const KadRepairProgress& progress)
{
    Repair repair(store, connection, mode, log);
    return repair.Run(progress);
}
