// Lazy lookups in a loaded binary soup, the decoding of its entries, and changes through the overlay.
#include "soup/tdb_binary_file.h"

#include <cstring>
#include <vector>

#include "foundation/base/code_page.h"
#include "soup/acs_raw_data.h"

namespace {

// Version-0 files stored texts in the ANSI code page: the text up to its
// first zero, converted to UTF-8 when it has a byte above 0x7F, then one
// zero byte appended. A failed conversion gives the empty text.
RawDataRef DecodeLegacyText(const uint8_t* payload, uint32_t length)
{
    const void* zero = std::memchr(payload, 0, length);
    const size_t textLength = zero ? size_t(static_cast<const uint8_t*>(zero) - payload) : length;
    std::vector<char> text(payload, payload + textLength);
    text.push_back('\0');
    bool highBit = false;
    for (size_t i = 0; i < textLength; ++i)
        highBit = highBit || (payload[i] & 0x80) != 0;
    if (!highBit)
        return ACSRawDataCore::Copy(text.data(), int32_t(text.size()));
    int result = ConvertCodePage(text.data(), int(text.size()), CP_ACP, CP_UTF8);
    if (result > 0) {
        text.resize(size_t(result));
        result = ConvertCodePage(text.data(), int(text.size()), CP_ACP, CP_UTF8);
    }
    if (result != 0)
        text.assign(1, '\0');
    // The converted text keeps its own terminator, and one more zero follows.
    text.resize(std::strlen(text.data()) + 1);
    text.push_back('\0');
    return ACSRawDataCore::Copy(text.data(), int32_t(text.size()));
}

}  // namespace

template <class Visitor>
void TDBBinarySoup::ForEachLiveEntry(Visitor visit) const
{
    const uint8_t* body = file_->GetBody();
    const uint32_t end = start_ + length_;
    uint32_t at = start_;
    BinarySoupEntry entry;
    while (ParseBinarySoupEntry(body, at, end, entry)) {
        at = entry.next;
        if (file_->IsRemoved(entry.payload, start_))
            continue;
        if (!visit(entry))
            return;
    }
}

bool TDBBinarySoup::FindLiveEntry(std::string_view name, BinarySoupEntry& out) const
{
    bool found = false;
    ForEachLiveEntry([&](const BinarySoupEntry& entry) {
        if (entry.name != name)
            return true;
        out = entry;
        found = true;
        return false;
    });
    return found;
}

bool TDBBinarySoup::HoldsLiveEntry(uint32_t identity) const
{
    bool found = false;
    ForEachLiveEntry([&](const BinarySoupEntry& entry) {
        found = entry.payload == identity;
        return !found;
    });
    return found;
}

int32_t TDBBinarySoup::FindAddedByChunk(const ACSChunk* chunk) const
{
    const auto* added = file_->AddedTags(start_);
    if (added == nullptr)
        return -1;
    for (size_t i = 0; i < added->size(); ++i) {
        if ((*added)[i].chunk.Get() == chunk)
            return int32_t(i);
    }
    return -1;
}

int32_t TDBBinarySoup::FindAddedByName(const Zel::PString& name) const
{
    const auto* added = file_->AddedTags(start_);
    if (added == nullptr)
        return -1;
    for (size_t i = 0; i < added->size(); ++i) {
        if ((*added)[i].name == name)
            return int32_t(i);
    }
    return -1;
}

int32_t TDBBinarySoup::CountLiveEntries() const
{
    int32_t count = 0;
    ForEachLiveEntry([&](const BinarySoupEntry&) {
        ++count;
        return true;
    });
    return count;
}

ChunkRef TDBBinarySoup::DecodeTag(const BinarySoupEntry& entry) const
{
    const uint8_t* payload = file_->GetBody() + entry.payload;
    const auto dataChunk = [&](int32_t type, const uint8_t* bytes, uint32_t length) {
        RawDataRef view = ACSRawDataCore::View(bytes, int32_t(length), file_.Get());
        return ChunkRef::Adopt(new TDBDataChunk(file_, std::move(view), type, entry.payload));
    };
    switch (entry.fileType) {
    case BinaryTypeContainer:
        return ChunkRef::Adopt(new TDBBinarySoup(file_, entry.payload, entry.payloadLength));
    case BinaryTypeInt:
        return dataChunk(SoupTypeInt, payload, entry.payloadLength);
    case BinaryTypeFloat:
        return dataChunk(SoupTypeFloat, payload, entry.payloadLength);
    case BinaryTypeRaw:
        return dataChunk(SoupTypeRaw, payload, entry.payloadLength);
    case BinaryTypeKUID:
        return dataChunk(SoupTypeKUID, payload, entry.payloadLength);
    case BinaryTypeAlignedRaw: {
        // The bytes start at the first 16-byte boundary of the payload (the
        // body itself is 16-byte aligned); padding beyond the payload leaves none.
        const uint32_t padding = (16 - entry.payload % 16) % 16;
        if (padding >= entry.payloadLength)
            return dataChunk(SoupTypeRaw, nullptr, 0);
        return dataChunk(SoupTypeRaw, payload + padding, entry.payloadLength - padding);
    }
    case BinaryTypeText:
        if (file_->GetVersion() == 1 || entry.payloadLength == 0)
            return dataChunk(SoupTypeText, payload, entry.payloadLength);
        return ChunkRef::Adopt(
            new TDBBinaryTextTag(DecodeLegacyText(payload, entry.payloadLength), file_, entry.payload));
    default:
        return dataChunk(SoupTypeNone, nullptr, 0);
    }
}

ChunkRef TDBBinarySoup::GetNamedTag(const Zel::PString& name)
{
    return GetNamedTagConst(name);
}

ChunkRef TDBBinarySoup::GetNamedTagConst(const Zel::PString& name) const
{
    // Stored names are compared byte for byte: letter case matters here.
    BinarySoupEntry entry;
    if (FindLiveEntry(name.View(), entry))
        return DecodeTag(entry);
    const int32_t added = FindAddedByName(name);
    if (added >= 0)
        return (*file_->AddedTags(start_))[size_t(added)].chunk;
    return GetNullChunk();
}

int32_t TDBBinarySoup::CountTags() const
{
    if (cachedCount_ >= 0 && countGeneration_ == file_->GetGeneration())
        return cachedCount_;
    const auto* added = file_->AddedTags(start_);
    cachedCount_ = CountLiveEntries() + (added ? int32_t(added->size()) : 0);
    countGeneration_ = file_->GetGeneration();
    return cachedCount_;
}

bool TDBBinarySoup::GetIndexedTag(int32_t index, Zel::PString& name, ChunkRef& chunk) const
{
    if (index < 0)
        return ACSChunk::GetIndexedTag(index, name, chunk);
    // Walks from the last indexed entry when asked for a later one, so that
    // visiting every tag by index stays linear.
    int32_t position = 0;
    uint32_t at = start_;
    if (cursorIndex_ >= 0 && cursorGeneration_ == file_->GetGeneration() && index >= cursorIndex_) {
        position = cursorIndex_;
        at = cursorOffset_;
    }
    const uint8_t* body = file_->GetBody();
    const uint32_t end = start_ + length_;
    BinarySoupEntry entry;
    while (ParseBinarySoupEntry(body, at, end, entry)) {
        if (file_->IsRemoved(entry.payload, start_)) {
            at = entry.next;
            continue;
        }
        if (position == index) {
            cursorIndex_ = index;
            cursorOffset_ = at;
            cursorGeneration_ = file_->GetGeneration();
            name = Zel::PString(entry.name.data(), entry.name.size());
            chunk = DecodeTag(entry);
            return true;
        }
        ++position;
        at = entry.next;
    }
    const auto* added = file_->AddedTags(start_);
    const int32_t addedIndex = index - position;
    if (added == nullptr || size_t(addedIndex) >= added->size())
        return ACSChunk::GetIndexedTag(index, name, chunk);
    name = (*added)[size_t(addedIndex)].name;
    chunk = (*added)[size_t(addedIndex)].chunk;
    return true;
}

void TDBBinarySoup::AddNamedTag(const Zel::PString& name, ChunkRef chunk)
{
    if (!chunk || chunk.Get() == NullChunk() || FindAddedByChunk(chunk.Get()) >= 0)
        return;
    const int32_t count = CountTags();
    file_->AddedTagsForChange(start_).push_back(TDBBinaryFile::AddedTag{name, std::move(chunk)});
    file_->NoteChange();
    cachedCount_ = count + 1;
    countGeneration_ = file_->GetGeneration();
}

void TDBBinarySoup::RemoveTag(ChunkRef chunk)
{
    if (!chunk)
        return;
    const int32_t added = FindAddedByChunk(chunk.Get());
    if (added >= 0) {
        auto& tags = file_->AddedTagsForChange(start_);
        tags.erase(tags.begin() + added);
        file_->NoteChange();
        return;
    }
    const TDBBinaryFile* owner = nullptr;
    uint32_t identity = 0;
    if (!chunk->GetBinaryIdentity(owner, identity) || owner != file_.Get() || !HoldsLiveEntry(identity))
        return;
    file_->MarkRemoved(identity, start_);
}

void TDBBinarySoup::RemoveNamedTag(const Zel::PString& name)
{
    BinarySoupEntry entry;
    if (FindLiveEntry(name.View(), entry)) {
        file_->MarkRemoved(entry.payload, start_);
        return;
    }
    const int32_t added = FindAddedByName(name);
    if (added < 0)
        return;
    auto& tags = file_->AddedTagsForChange(start_);
    tags.erase(tags.begin() + added);
    file_->NoteChange();
}

ChunkRef TDBBinarySoup::CreateDataTag(int32_t type, RawDataRef block)
{
    if (type == SoupTypeContainer)
        return ChunkRef::Adopt(new TDBContainerTag());
    return ChunkRef::Adopt(new TDBDataTag(type, std::move(block)));
}

bool TDBBinarySoup::GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const
{
    file = file_.Get();
    entry = start_;
    return true;
}

bool TDBDataChunk::GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const
{
    file = file_.Get();
    entry = identity_;
    return true;
}

bool TDBBinaryTextTag::GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const
{
    file = file_.Get();
    entry = identity_;
    return true;
}
