// The store's rows packed: fixed-width fields, interned texts and one arena for the texts and lists of each row, in id order.
#include "daemon/asset_store_table.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// The arena holds, per row: leaf, name, keywords, description (each a
// length then its bytes), then the dependencies and the obsoleted ids
// (each a count then the ids). Lengths and counts are LEB128 numbers.
void AppendNumber(std::vector<char>& arena, std::uint64_t number)
{
    while (number >= 0x80) {
        arena.push_back(static_cast<char>((number & 0x7f) | 0x80));
        number >>= 7;
    }
    arena.push_back(static_cast<char>(number));
}

std::uint64_t ReadNumber(const char*& at)
{
    std::uint64_t number = 0;
    for (int shift = 0;; shift += 7) {
        auto byte = static_cast<unsigned char>(*at++);
        number |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0)
            return number;
    }
}

void AppendField(std::vector<char>& arena, const std::string& text)
{
    AppendNumber(arena, text.size());
    arena.insert(arena.end(), text.begin(), text.end());
}

std::string_view ReadText(const char*& at)
{
    std::size_t length = ReadNumber(at);
    std::string_view text(at, length);
    at += length;
    return text;
}

void ReadField(const char*& at, std::string& text)
{
    text = ReadText(at);
}

constexpr std::size_t IdBytes = 12;

void AppendField(std::vector<char>& arena, const std::vector<KUID>& ids)
{
    AppendNumber(arena, ids.size());
    for (const KUID& id : ids) {
        const std::int32_t words[3] = {id.user, id.content, id.version};
        const char* bytes = reinterpret_cast<const char*>(words);
        arena.insert(arena.end(), bytes, bytes + IdBytes);
    }
}

void ReadField(const char*& at, std::vector<KUID>& ids)
{
    std::size_t count = ReadNumber(at);
    ids.resize(count);
    for (KUID& id : ids) {
        std::int32_t words[3];
        std::memcpy(words, at, IdBytes);
        at += IdBytes;
        id = KUID(words[0], words[1], words[2]);
    }
}

void SkipIds(const char*& at)
{
    at += ReadNumber(at) * IdBytes;
}

// The fields a row keeps as they are, copied either way.
template <class From, class To>
void CopyFixedFields(const From& from, To& to)
{
    to.id = from.id;
    to.flags = from.flags;
    to.revision = from.revision;
    to.editGeneration = from.editGeneration;
    to.authorId = from.authorId;
    to.rating = from.rating;
    to.downloadSize = from.downloadSize;
    to.build = from.build;
    to.installedTime = from.installedTime;
    to.modifiedTime = from.modifiedTime;
    to.hasScript = from.hasScript;
}

// The texts a row keeps as pool numbers, converted either way.
template <class From, class To, class Convert>
void CopyPooledFields(const From& from, To& to, Convert convert)
{
    to.store = convert(from.store);
    to.kind = convert(from.kind);
    to.category = convert(from.category);
    to.region = convert(from.region);
    to.era = convert(from.era);
    to.authorName = convert(from.authorName);
}

// The fields a row keeps in the arena, in their order there.
template <class Record, class Visit>
void VisitExtraFields(Record& record, Visit visit)
{
    visit(record.leaf);
    visit(record.name);
    visit(record.keywords);
    visit(record.description);
    visit(record.dependencies);
    visit(record.obsoletes);
}

// Waste below this is never worth a rewrite.
constexpr std::size_t CompactionFloor = 1u << 20;

}  // namespace

KADAssetTable::Row KADAssetTable::Pack(const KADAssetRecord& record)
{
    Row row{};
    CopyFixedFields(record, row);
    CopyPooledFields(record, row, [this](const std::string& text) { return pool.Intern(text); });
    row.extra = arena.size();
    VisitExtraFields(record, [this](const auto& field) { AppendField(arena, field); });
    return row;
}

void KADAssetTable::Decode(std::uint32_t slot, KADAssetRecord& record) const
{
    const Row& row = rows[slot];
    CopyFixedFields(row, record);
    CopyPooledFields(row, record, [this](std::uint32_t number) -> const std::string& { return pool.Text(number); });
    const char* at = arena.data() + row.extra;
    VisitExtraFields(record, [&at](auto& field) { ReadField(at, field); });
}

std::size_t KADAssetTable::ExtraLength(const Row& row) const
{
    const char* start = arena.data() + row.extra;
    const char* at = start;
    for (int text = 0; text < 4; ++text)
        ReadText(at);
    SkipIds(at);
    SkipIds(at);
    return static_cast<std::size_t>(at - start);
}

std::size_t KADAssetTable::LowerBound(const KUID& id) const
{
    auto at = std::lower_bound(order.begin(), order.end(), id,
                               [this](std::uint32_t slot, const KUID& wanted) { return rows[slot].id < wanted; });
    return static_cast<std::size_t>(at - order.begin());
}

bool KADAssetTable::Find(const KUID& id, KADAssetRecord& record) const
{
    std::size_t at = LowerBound(id);
    if (at == order.size() || rows[order[at]].id != id)
        return false;
    Decode(order[at], record);
    return true;
}

std::uint32_t KADAssetTable::NewSlot(const Row& row)
{
    if (freeSlots.empty()) {
        rows.push_back(row);
        return static_cast<std::uint32_t>(rows.size() - 1);
    }
    std::uint32_t slot = freeSlots.back();
    freeSlots.pop_back();
    rows[slot] = row;
    return slot;
}

void KADAssetTable::Forget(std::uint32_t slot)
{
    arenaWaste += ExtraLength(rows[slot]);
}

void KADAssetTable::Put(const KADAssetRecord& record)
{
    std::size_t at = LowerBound(record.id);
    Row row = Pack(record);
    if (at < order.size() && rows[order[at]].id == record.id) {
        Forget(order[at]);
        rows[order[at]] = row;
    } else {
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), NewSlot(row));
    }
    CompactWhenWasteful();
}

void KADAssetTable::Erase(const KUID& id)
{
    std::size_t at = LowerBound(id);
    if (at == order.size() || rows[order[at]].id != id)
        return;
    Forget(order[at]);
    freeSlots.push_back(order[at]);
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(at));
    CompactWhenWasteful();
}

void KADAssetTable::Clear()
{
    rows.clear();
    order.clear();
    freeSlots.clear();
    arena.clear();
    arenaWaste = 0;
    pool.Clear();
}

void KADAssetTable::Append(const KADAssetRecord& record)
{
    order.push_back(NewSlot(Pack(record)));
}

void KADAssetTable::FinishAppends()
{
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return rows[a].id < rows[b].id; });
    auto kept = std::unique(order.begin(), order.end(),
                            [this](std::uint32_t a, std::uint32_t b) { return rows[a].id == rows[b].id; });
    for (auto dropped = kept; dropped != order.end(); ++dropped) {
        Forget(*dropped);
        freeSlots.push_back(*dropped);
    }
    order.erase(kept, order.end());
    CompactWhenWasteful();
}

std::int32_t KADAssetTable::HighestVersion(std::int32_t user, std::int32_t content, bool installedOnly) const
{
    std::int32_t highest = -1;
    for (std::size_t at = LowerBound(KUID(user, content, -0x7fffffff)); at < order.size(); ++at) {
        const Row& row = rows[order[at]];
        if (row.id.user != user || row.id.content != content)
            break;
        if (!installedOnly || (row.flags & AssetInstalled) != 0)
            highest = std::max(highest, row.id.version);
    }
    return highest;
}

void KADAssetTable::CompactWhenWasteful()
{
    // Each row names at most six pool values, so a pool far beyond that
    // holds values of rows long gone.
    bool arenaWasteful = arenaWaste > CompactionFloor && arenaWaste > arena.size() / 2;
    bool slotsWasteful = freeSlots.size() > 4096 && freeSlots.size() > rows.size() / 2;
    bool poolWasteful = pool.Size() > 4096 && pool.Size() > 6 * order.size() * 2;
    if (!arenaWasteful && !slotsWasteful && !poolWasteful)
        return;
    KADAssetTable packed;
    packed.rows.reserve(order.size());
    packed.order.reserve(order.size());
    ForEach([&packed](const KADAssetRecord& record) { packed.Append(record); });
    rows = std::move(packed.rows);
    order = std::move(packed.order);
    freeSlots.clear();
    arena = std::move(packed.arena);
    arenaWaste = 0;
    pool = std::move(packed.pool);
}
