// KADAssetHandle and KADAssetHandleRef: counting, closing the daemon handle, asking for the folder.
#include "assetdb/kad_asset_handle.h"

#include "assetdb/kad_request_buffers.h"

void KADAssetHandle::WriteDaemonHandle(TStream& stream) const
{
    stream.WriteInt32(daemonHandle[0]);
    stream.WriteInt32(daemonHandle[1]);
}

void KADAssetHandle::ReadDaemonHandle(TStream& stream)
{
    daemonHandle[0] = stream.ReadInt32(-1);
    daemonHandle[1] = stream.ReadInt32(-1);
}

void KADAssetHandle::Close(KADAssetHandle* record)
{
    if (record == nullptr)
        return;
    KADRequestBuffers buffers;
    record->WriteDaemonHandle(buffers.request);
    buffers.Send(KADRequestCode::CloseAssetHandle);
    record->name.Release();
}

KADAssetHandleRef::KADAssetHandleRef(const KADAssetHandleRef& other)
    : record_(other.record_), writable_(other.writable_)
{
    if (record_ != nullptr)
        record_->referenceCount.fetch_add(1);
}

KADAssetHandleRef::KADAssetHandleRef(KADAssetHandleRef&& other) noexcept
    : record_(other.record_), writable_(other.writable_)
{
    other.record_ = nullptr;
}

KADAssetHandleRef& KADAssetHandleRef::operator=(const KADAssetHandleRef& other)
{
    if (this == &other)
        return *this;
    if (other.record_ != nullptr)
        other.record_->referenceCount.fetch_add(1);
    Release();
    record_ = other.record_;
    writable_ = other.writable_;
    return *this;
}

KADAssetHandleRef& KADAssetHandleRef::operator=(KADAssetHandleRef&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    record_ = other.record_;
    writable_ = other.writable_;
    other.record_ = nullptr;
    return *this;
}

void KADAssetHandleRef::Release()
{
    KADAssetHandle* record = record_;
    record_ = nullptr;
    if (record == nullptr || record->referenceCount.fetch_sub(1) != 1)
        return;
    KADAssetHandle::Close(record);
    delete record;
}

bool KADAssetHandleRef::GetFolder(Zel::PString& name, Zel::File::Path& folder)
{
    name.Release();
    folder.Clear();
    if (record_ == nullptr)
        return false;
    if (!record_->folderKnown) {
        KADRequestBuffers buffers;
        record_->WriteDaemonHandle(buffers.request);
        if (!buffers.Send(KADRequestCode::GetAssetFolder))
            return false;
        record_->name = buffers.reply.ReadPString();
        record_->folder = Zel::File::Path(buffers.reply.ReadString().Std());
        record_->folderKnown = true;
    }
    if (record_->folder.IsEmpty())
        return false;
    name = record_->name;
    folder = record_->folder;
    return true;
}
