// Field layout of the 36-byte ownership block that publishes the daemon's port.
#pragma once

#include <cstddef>
#include <cstdint>

// The block is a cross-process format mapped by the daemon and every
// client: fields sit at fixed offsets and are read and written one by one,
// never as a struct image.
struct KADIpcBlockView {
    static constexpr std::size_t Size = 36;
    static constexpr std::size_t KeeperOffset = 0;
    static constexpr std::size_t OwnerOffset = 4;
    static constexpr std::size_t RequesterOffset = 8;
    static constexpr std::size_t ReservedOffset = 12;
    static constexpr std::size_t VersionOffset = 16;
    static constexpr std::size_t AttachCountOffset = 20;
    static constexpr std::size_t ClosingOffset = 24;
    static constexpr std::size_t ReservedByteOffset = 28;
    static constexpr std::size_t PortOffset = 32;
    static constexpr std::int32_t LayoutVersion = 3;
    static constexpr std::int32_t NoProcess = -1;

    explicit KADIpcBlockView(void* mapping) : bytes(static_cast<std::uint8_t*>(mapping)) {}

    std::int32_t Keeper() const { return Load(KeeperOffset); }
    std::int32_t Owner() const { return Load(OwnerOffset); }
    std::int32_t Requester() const { return Load(RequesterOffset); }
    std::int32_t Version() const { return Load(VersionOffset); }
    std::uint8_t AttachCount() const;
    std::int32_t Closing() const { return Load(ClosingOffset); }
    std::int32_t Port() const { return Load(PortOffset); }

    void SetKeeper(std::int32_t pid) { Store(KeeperOffset, pid); }
    void SetOwner(std::int32_t pid) { Store(OwnerOffset, pid); }
    void SetRequester(std::int32_t pid) { Store(RequesterOffset, pid); }
    void SetVersion(std::int32_t version) { Store(VersionOffset, version); }
    void SetAttachCount(std::uint8_t count);
    void SetClosing(std::int32_t closing) { Store(ClosingOffset, closing); }
    void SetPort(std::int32_t port) { Store(PortOffset, port); }

    // A fresh block kept by `keeper`: no owner, no requester, layout 3,
    // attach count 1, not closing, no port.
    void Initialise(std::int32_t keeper);

    std::int32_t Load(std::size_t offset) const;
    void Store(std::size_t offset, std::int32_t value);

private:
    std::uint8_t* bytes;
};
