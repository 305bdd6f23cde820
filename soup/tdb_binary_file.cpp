// Loading an "ACS$" binary soup file, and the overlay of changes kept beside its bytes.
#include "soup/tdb_binary_file.h"

#include <cstdlib>

#include "foundation/streams/t_stream.h"

namespace {

// The body is 16-byte aligned: file type 12 counts its padding from there.
uint8_t* AllocateBody(uint32_t length)
{
    const size_t rounded = (size_t(length) + 15) / 16 * 16;
    return static_cast<uint8_t*>(std::aligned_alloc(16, rounded == 0 ? 16 : rounded));
}

}  // namespace

TDBBinaryFile::~TDBBinaryFile()
{
    added_.clear();
    removed_.clear();
    FreeBody();
}

void TDBBinaryFile::FreeBody()
{
    std::free(body_);
    body_ = nullptr;
    bodyLength_ = 0;
}

bool TDBBinaryFile::Read(TStream& stream)
{
    FreeBody();
    added_.clear();
    removed_.clear();
    edited_ = false;
    ++generation_;

    const uint32_t magic = stream.ReadUInt32(0);
    version_ = int32_t(stream.ReadUInt32(0xFFFFFFFFu));
    stream.ReadUInt32(0);  // reserved
    const uint32_t length = stream.ReadUInt32(0);
    if (magic != kBinarySoupMagic)
        return false;
    if (length == 0)
        return true;
    // The allocation is bounded by what the stream really holds, never by
    // the header word alone.
    const int64_t available = stream.Size() - stream.Tell();
    if (length > 0x7FFFFFFFu || int64_t(length) > available)
        return false;
    uint8_t* body = AllocateBody(length);
    if (body == nullptr)
        return false;
    if (stream.Read(body, length) != int64_t(length) || !CheckBinarySoupEntries(body, 0, length)) {
        std::free(body);
        return true;
    }
    body_ = body;
    bodyLength_ = int32_t(length);
    return true;
}

ChunkRef TDBBinaryFile::GetRoot()
{
    if (body_ == nullptr || (version_ != 0 && version_ != 1))
        return ACSChunk::GetNullChunk();
    return ChunkRef::Adopt(
        new TDBBinarySoup(ReferenceCountMPPtr<TDBBinaryFile>::Share(this), 0, uint32_t(bodyLength_)));
}

bool TDBBinaryFile::IsRemoved(uint32_t entry, uint32_t container) const
{
    return edited_ && removed_.count(EntryKey(entry, container)) != 0;
}

void TDBBinaryFile::MarkRemoved(uint32_t entry, uint32_t container)
{
    removed_.insert(EntryKey(entry, container));
    NoteChange();
}

const std::vector<TDBBinaryFile::AddedTag>* TDBBinaryFile::AddedTags(uint32_t container) const
{
    if (!edited_)
        return nullptr;
    const auto found = added_.find(container);
    if (found == added_.end() || found->second.empty())
        return nullptr;
    return &found->second;
}

std::vector<TDBBinaryFile::AddedTag>& TDBBinaryFile::AddedTagsForChange(uint32_t container)
{
    return added_[container];
}

void TDBBinaryFile::NoteChange()
{
    edited_ = true;
    ++generation_;
}
