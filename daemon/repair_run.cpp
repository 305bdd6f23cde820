// The database repair: reconciles the committed asset folders with the index rows.
#include "daemon/repair_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <map>
#include <set>
#include <vector>

#include "results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_rows.h"
#include "daemon/folder_moves.h"
#include "daemon/repair_batch.h"
#include "daemon/repair_extended.h"
#include "daemon/store_connection.h"
#include "soup/soup_handle.h"

namespace {

// Rows per transaction: large enough that the flush to disk is paid rarely,
// small enough that a crash loses little work and the lock on the index is
// given up often.
constexpr std::size_t RepairBatchSize = 1000;
// Progress (and the lines gathered meanwhile) goes to the client at most
// this often, whatever the number of folders.
constexpr std::chrono::milliseconds ProgressInterval{100};

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

bool ParseNumber(std::string_view& text, std::int32_t& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

// The asset an asset folder's name ("kuid_<user>_<content>_<version>") stands for.
bool ParseAssetKey(std::string_view name, KUID& id)
{
    std::string_view key = name;
    std::int32_t user = 0, content = 0, version = 0;
    if (!key.starts_with("kuid_"))
        return false;
    key.remove_prefix(5);
    if (!ParseNumber(key, user) || !key.starts_with("_"))
        return false;
    key.remove_prefix(1);
    if (!ParseNumber(key, content) || !key.starts_with("_"))
        return false;
    key.remove_prefix(1);
    if (!ParseNumber(key, version) || !key.empty())
        return false;
    id = KUID(user, content, version);
    // Only the store's own spelling of the name (no "+", no leading zeros).
    return KADAssetKey(id) == name;
}

bool ParseRevision(const std::string& name, std::int32_t& number)
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

class Repair {
public:
    Repair(KADAssetStore& store, KADStoreConnection& connection, std::int32_t mode, ResultsLog& log,
           const KADRepairProgress& progress)
        : connection(connection),
          mode(mode),
          log(log),
          progress(progress),
          root(store.UserDataRoot()),
          batch(store, connection, log, RepairBatchSize)
    {}

    // False when the index cannot be read whole: every folder whose row was
    // not read would look rowless and be added afresh over its row, losing
    // what only the row knows (keywords, rating, the edit and content-service
    // flags). Nothing is changed then.
    bool Run()
    {
        bool read = KADLoadAllAssetRows(connection, [this](KADAssetRecord&& record) {
            KUID id = record.id;
            rows.emplace(id, std::move(record));
        });
        if (!read) {
            std::string text = std::string("The asset database index cannot be read: ") + connection.LastError();
            log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
            return false;
        }
        std::vector<std::string> keys = AssetKeys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            Report(0.9f * static_cast<float>(i) / static_cast<float>(keys.size()), "Checking asset folders");
            CheckAssetFolder(keys[i]);
        }
        Report(0.9f, "Checking the index");
        for (auto& entry : rows) {
            if (seen.count(entry.first) == 0)
                CheckRowWithoutFolder(entry.second);
        }
        batch.Flush();
        RemoveEmptyEditFolders();
        return true;
    }

    void Report(float fraction, const char* step)
    {
        auto now = std::chrono::steady_clock::now();
        if (now - lastReport < ProgressInterval)
            return;
        lastReport = now;
        progress(fraction, step);
    }

private:
    std::vector<std::string> AssetKeys() const
    {
        std::vector<std::string> keys;
        for (KADFolderEntry& entry : KADTypedFolderEntries(root + "/local")) {
            if (!entry.name.empty() && entry.name[0] != '.' && entry.type == KADFolderEntry::Type::Folder)
                keys.push_back(std::move(entry.name));
        }
        return keys;
    }

    // Edit folders without a single file that no open edit stands for: what
    // deletes and commits of earlier daemons left behind.
    void RemoveEmptyEditFolders()
    {
        for (const KADFolderEntry& entry : KADTypedFolderEntries(root + "/editing")) {
            KUID id;
            if (entry.type != KADFolderEntry::Type::Folder || !ParseAssetKey(entry.name, id))
                continue;
            auto row = rows.find(id);
            if (row == rows.end() || !row->second.Has(AssetOpenForEdit))
                KADRemoveEmptyTree(root + "/editing/" + entry.name);
        }
    }

    // Revision folders, highest first. Staging folders are an operation in
    // progress (or one the journal recovers) and are left alone.
    static std::vector<Revision> Revisions(const std::string& keyFolder)
    {
        std::vector<Revision> revisions;
        for (const KADFolderEntry& entry : KADTypedFolderEntries(keyFolder)) {
            Revision revision;
            if (entry.type == KADFolderEntry::Type::Folder && ParseRevision(entry.name, revision.number)) {
                revision.folder = keyFolder + "/" + entry.name;
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
        for (KADFolderEntry& entry : KADTypedFolderEntries(revision.folder)) {
            if (entry.type == KADFolderEntry::Type::Folder)
                leaves.push_back(std::move(entry.name));
        }
        if (leaves.size() != 1) {
            Error(revision.folder,
                  leaves.empty() ? "the folder holds no asset" : "the folder holds more than one asset");
            return false;
        }
        std::string folder = revision.folder + "/" + leaves[0];
        std::string error;
        if (!KADLoadFolderConfig(folder, asset.config, error)) {
            Error(folder, error.empty() ? "the config cannot be read" : error);
            return false;
        }
        asset.id = asset.config.GetNamedTagAsKUID(Zel::PString("kuid"), KUID());
        if (asset.id.IsNull() || KADAssetKey(asset.id) != key) {
            Error(folder, "the config does not name the asset of its folder");
            return false;
        }
        asset.revision = revision.number;
        asset.leaf = leaves[0];
        return true;
    }

    // A revision folder without a single file is what is left when a user
    // removed the asset's files by hand (or a delete of an older daemon left
    // its folders): it holds no asset, and nothing in it is worth keeping.
    // Kept, it would make the asset faulty at every repair.
    static std::vector<Revision> WithoutEmptyRevisions(const std::string& keyFolder, std::vector<Revision> revisions)
    {
        std::vector<Revision> kept;
        for (Revision& revision : revisions) {
            if (!KADRemoveEmptyTree(revision.folder))
                kept.push_back(std::move(revision));
        }
        if (kept.empty())
            KADRemoveEmptyTree(keyFolder);
        return kept;
    }

    void CheckAssetFolder(const std::string& key)
    {
        std::string keyFolder = root + "/local/" + key;
        std::vector<Revision> revisions = WithoutEmptyRevisions(keyFolder, Revisions(keyFolder));
        FolderAsset winner;
        std::size_t index = 0;
        for (; index < revisions.size(); ++index) {
            if (ReadRevision(key, revisions[index], winner))
                break;
        }
        if (index == revisions.size()) {
            if (!revisions.empty())
                MarkUnreadable(key);
            return;
        }
        seen.insert(winner.id);
        // Older revisions are what an interrupted clean-up left behind. They
        // leave only once the row points at the winner for good.
        std::vector<std::string> older;
        for (std::size_t i = index + 1; i < revisions.size(); ++i)
            older.push_back(revisions[i].folder);
        auto row = rows.find(winner.id);
        if (row == rows.end())
            AddRow(winner, keyFolder, std::move(older));
        else
            UpdateRow(row->second, winner, std::move(older));
    }

    // The folder is there but none of its revisions can be read (the error
    // lines say why). The asset keeps its row, marked faulty, so it neither
    // vanishes from the database nor loses what the row knows (keywords,
    // rating) while its files wait to be mended; a later repair that can
    // read the folder clears the mark.
    void MarkUnreadable(const std::string& key)
    {
        KUID id;
        if (!ParseAssetKey(key, id))
            return;
        auto row = rows.find(id);
        if (row == rows.end())
            return;
        seen.insert(id);
        KADAssetRecord& record = row->second;
        if (record.Has(AssetUnreadable))
            return;
        record.flags |= AssetUnreadable;
        batch.Save(record, [this, id] { Warning(id, "The asset's folder cannot be read; it is marked as faulty."); });
    }

    static std::int64_t FolderTime(const std::string& folder)
    {
        struct stat info;
        return stat(folder.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime)
                                                : static_cast<std::int64_t>(std::time(nullptr));
    }

    void MoveToTrash(const KUID& id, const std::vector<std::string>& older)
    {
        for (const std::string& folder : older) {
            if (KADMoveToTrash(root, id, folder))
                Info(id, "An older revision of the asset was moved to the trash.");
        }
    }

    void AddRow(const FolderAsset& asset, const std::string& keyFolder, std::vector<std::string> older)
    {
        KADAssetRecord record;
        record.id = asset.id;
        record.flags = AssetInstalled;
        record.revision = asset.revision;
        record.leaf = asset.leaf;
        record.installedTime = FolderTime(keyFolder);
        record.modifiedTime = record.installedTime;
        KADDeriveAssetMetadata(asset.config, record);
        KUID id = asset.id;
        batch.Save(record, [this, id, older = std::move(older)] {
            Info(id, "The asset was added to the database from its folder.");
            MoveToTrash(id, older);
        });
    }

    void UpdateRow(const KADAssetRecord& current, const FolderAsset& asset, std::vector<std::string> older)
    {
        KADAssetRecord record = current;
        bool moved = record.revision != asset.revision || record.leaf != asset.leaf || !record.Has(AssetInstalled);
        bool mended = record.Has(AssetUnreadable);
        // An edit copy that is gone would still be what every open of the
        // asset gives; the committed folder is the asset again.
        bool editMissing = DropMissingEditCopy(record);
        record.revision = asset.revision;
        record.leaf = asset.leaf;
        record.flags |= AssetInstalled;
        record.flags &= ~AssetUnreadable;
        KADDeriveAssetMetadata(asset.config, record);
        KUID id = asset.id;
        if (record == current) {
            MoveToTrash(id, older);
            return;
        }
        batch.Save(record, [this, id, moved, mended, editMissing, older = std::move(older)] {
            if (editMissing)
                Warning(id, "The asset's edit copy is missing; it is no longer open for edit.");
            if (moved)
                Info(id, "The database entry of the asset was pointed at its folder.");
            if (mended)
                Info(id, "The asset's folder can be read again; it is no longer marked as faulty.");
            MoveToTrash(id, older);
        });
    }

    // Clears the edit flags of a row whose edit copy is gone; true when it did.
    bool DropMissingEditCopy(KADAssetRecord& record) const
    {
        if (!record.Has(AssetOpenForEdit) || KADFolderExists(KADEditFolder(root, record)))
            return false;
        record.flags &= ~(AssetOpenForEdit | AssetEditOnly);
        return true;
    }

    void CheckRowWithoutFolder(const KADAssetRecord& current)
    {
        KADAssetRecord record = current;
        bool editMissing = DropMissingEditCopy(record);
        bool committedMissing = record.Has(AssetInstalled) || record.revision != 0;
        if (!editMissing && !committedMissing)
            return;
        if (committedMissing) {
            record.flags &= ~(AssetInstalled | AssetUnreadable);
            record.revision = 0;
            record.leaf.clear();
        }
        KUID id = record.id;
        if (!record.Has(AssetOpenForEdit) && !record.Has(AssetFromService)) {
            batch.Delete(
                id, [this, id] { Warning(id, "The asset's folder is missing; it was removed from the database."); });
            return;
        }
        batch.Save(record,
                   [this, id] { Warning(id, "The asset's folder is missing; it is no longer marked as installed."); });
    }

    // The patch step's repair reports only what is wrong.
    void Info(const KUID& id, const char* text)
    {
        if (mode != KADRepairModePatcher)
            log.AddAssetMessage(ResultsLog::MessageKind::Info, id, text);
    }
    void Warning(const KUID& id, const char* text) { log.AddAssetMessage(ResultsLog::MessageKind::Warning, id, text); }
    // The line names the asset of the folder when the folder's name says
    // which, so the user can look it up (status, validate).
    void Error(const std::string& where, const std::string& why)
    {
        std::string text = "Cannot repair " + where + ": " + why;
        std::string local = root + "/local/";
        std::string key = where.starts_with(local) ? where.substr(local.size()) : std::string();
        key = key.substr(0, key.find('/'));
        KUID id;
        if (ParseAssetKey(key, id))
            log.AddAssetMessage(ResultsLog::MessageKind::Error, id, text.c_str());
        else
            log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    }

    KADStoreConnection& connection;
    std::int32_t mode;
    ResultsLog& log;
    const KADRepairProgress& progress;
    std::string root;
    KADRepairBatch batch;
    std::map<KUID, KADAssetRecord> rows;
    std::set<KUID> seen;
    std::chrono::steady_clock::time_point lastReport{};
};

}  // namespace

int KADRunRepair(KADAssetStore& store, KADStoreConnection& connection, std::int32_t mode, ResultsLog& log,
                 const KADRepairProgress& progress)
{
    bool reconciled = false;
    {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        Repair repair(store, connection, mode, log, progress);
        reconciled = repair.Run();
    }
    if (reconciled && mode == KADRepairModeExtended) {
        progress(0.9f, "Validating assets");
        KADRunExtendedRepairSteps(store, connection, log);
    }
    progress(1.0f, "Done");
    return log.ErrorCount();
}
