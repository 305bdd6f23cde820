// Field access to the ownership block; each field is one atomic word so that a
// process reading the port never sees it half written.
#include "assetdb/protocol/kad_ipc_block_view.h"

#include <atomic>
#include <bit>

static_assert(std::endian::native == std::endian::little,
              "the block's words are stored in native order, which must be the wire's little-endian order");

std::int32_t KADIpcBlockView::Load(std::size_t offset) const
{
    auto* word = reinterpret_cast<std::int32_t*>(bytes + offset);
    return std::atomic_ref<std::int32_t>(*word).load(std::memory_order_acquire);
}

void KADIpcBlockView::Store(std::size_t offset, std::int32_t value)
{
    auto* word = reinterpret_cast<std::int32_t*>(bytes + offset);
    std::atomic_ref<std::int32_t>(*word).store(value, std::memory_order_release);
}

std::uint8_t KADIpcBlockView::AttachCount() const
{
    return std::atomic_ref<std::uint8_t>(bytes[AttachCountOffset]).load(std::memory_order_acquire);
}

void KADIpcBlockView::SetAttachCount(std::uint8_t count)
{
    std::atomic_ref<std::uint8_t>(bytes[AttachCountOffset]).store(count, std::memory_order_release);
}

void KADIpcBlockView::Initialise(std::int32_t keeper)
{
    SetKeeper(keeper);
    SetOwner(NoProcess);
    SetRequester(NoProcess);
    Store(ReservedOffset, 0);
    SetVersion(LayoutVersion);
    // The attach count shares its word with three padding bytes; clear them all.
    Store(AttachCountOffset, 0);
    SetAttachCount(1);
    SetClosing(0);
    Store(ReservedByteOffset, 0);
    SetPort(0);
}
