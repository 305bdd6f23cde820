// KADAssetHandle and KADAssetHandleRef: the counted record of an asset opened through the daemon.
#pragma once

#include <atomic>
#include <cstdint>

#include "kuid/kuid.h"
#include "zel/path.h"
#include "zel/pstring.h"

class TStream;

// One asset opened through the daemon (OpenAsset and OpenAssetForEdit). Shared by every
// KADAssetHandleRef that holds it; the last release closes the daemon handle.
class KADAssetHandle {
public:
    KADAssetHandle() = default;
    KADAssetHandle(const KADAssetHandle&) = delete;
    KADAssetHandle& operator=(const KADAssetHandle&) = delete;

    // (-1, -1) means the daemon gave no handle.
    bool HasDaemonHandle() const { return !(daemonHandle[0] == -1 && daemonHandle[1] == -1); }
    // The daemon handle travels as its two words, first word first.
    void WriteDaemonHandle(TStream& stream) const;
    void ReadDaemonHandle(TStream& stream);

    // CloseAssetHandle: tells the daemon the handle is no longer used and releases
    // the name. Sent once, when the last reference goes.
    static void Close(KADAssetHandle* record);

    std::atomic<int32_t> referenceCount{1};
    int32_t daemonHandle[2] = {-1, -1};
    KUID assetId;
    Zel::PString name;
    Zel::File::Path folder;
    // Name and folder are valid; cleared by commit and revert, after which
    // the folder is asked again (GetAssetFolder).
    bool folderKnown = false;
};

class KADAssetHandleRef {
public:
    KADAssetHandleRef() = default;
    // Takes over the creator's reference of the record.
    KADAssetHandleRef(KADAssetHandle* record, bool writable) : record_(record), writable_(writable) {}
    KADAssetHandleRef(const KADAssetHandleRef& other);
    KADAssetHandleRef(KADAssetHandleRef&& other) noexcept;
    KADAssetHandleRef& operator=(const KADAssetHandleRef& other);
    KADAssetHandleRef& operator=(KADAssetHandleRef&& other) noexcept;
    ~KADAssetHandleRef() { Release(); }

    // Drops this reference; the last one closes the daemon handle (request
    // 31) and frees the record. The reference is empty afterwards.
    void Release();
    bool IsValid() const { return record_ != nullptr; }
    KADAssetHandle* Get() const { return record_; }

    bool IsWritable() const { return writable_; }
    void SetWritable(bool writable) { writable_ = writable; }

    // The store name and folder of the opened asset. Asks the daemon (request
    // 32) only while the folder is not known. True when known and the folder
    // is not empty; else false with both outputs empty.
    bool GetFolder(Zel::PString& name, Zel::File::Path& folder);

private:
    KADAssetHandle* record_ = nullptr;
    bool writable_ = false;
};
