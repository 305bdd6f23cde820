// The items a world list holds: the streamable base, the factory-typed base and the indexed list item.
#pragma once

#include <cstdint>

#include "kuid/kuid.h"
#include "scripthost/world_position.h"
#include "soup/korvel_property.h"

class TStream;
class WorldList;

// Four-character type codes stored as little-endian words.
constexpr uint32_t WorldTypeLibraryObject = 0x67736c62u;  // stream bytes "blsg"
constexpr uint32_t WorldTypeDataItem = 0x6a6e4f62u;       // stream bytes "bOnj"

class WorldBaseItem {
public:
    virtual ~WorldBaseItem() = default;
    virtual void Load(TStream& stream);
    virtual void Save(TStream& stream);
    virtual void Update();
    virtual uint32_t GetFlags();
    virtual void Notify(int32_t value, uint32_t flags);
    virtual void ReadState(TStream& stream);
    virtual void WriteState(TStream& stream);
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream);
};

class WorldListItem;

class WorldFactoryItem {
public:
    virtual ~WorldFactoryItem() = default;
    virtual uint32_t GetTypeId() const = 0;
    // The list item this is, or null. A load asks it of every item it
    // makes; a dynamic cast across the two bases costs more than reading
    // a small item.
    virtual WorldListItem* AsWorldListItem() { return nullptr; }
};

// Free (no owner, index -1) or in exactly one list; destruction leaves the list.
class WorldListItem : public WorldBaseItem, public WorldFactoryItem, public IdentifiableType {
public:
    WorldListItem() = default;
    WorldListItem(const WorldListItem&) = delete;
    WorldListItem& operator=(const WorldListItem&) = delete;
    ~WorldListItem() override;

    WorldListItem* AsWorldListItem() final { return this; }
    virtual KUID GetKUID();
    virtual void OnAdded();
    virtual void OnRemoved();
    virtual WorldExtent GetExtent();

    WorldList* GetOwner() const { return owner_; }
    int32_t GetIndex() const { return index_; }

    // Items whose index stays reserved in their list after they leave it
    // (until they are destroyed). Kept in the item: a process-wide set would
    // be searched by every removal and every destruction.
    static void KeepIndex(WorldListItem* item);
    static bool KeepsIndex(const WorldListItem* item);

private:
    friend class WorldList;
    WorldList* owner_ = nullptr;
    int32_t index_ = -1;
    bool keepsIndex_ = false;
};
