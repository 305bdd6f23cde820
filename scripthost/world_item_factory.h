// The process-wide registry of world item factories and the values current while one item saves or loads.
#pragma once

#include <cstdint>

#include "kuid/kuid.h"
#include "zel/pstring.h"

class TStream;
class WorldFactoryItem;

// Registered on construction, in order; removed on destruction.
class WorldItemFactory {
public:
    WorldItemFactory(uint32_t typeId, const Zel::PString& name);
    WorldItemFactory(const WorldItemFactory&) = delete;
    WorldItemFactory& operator=(const WorldItemFactory&) = delete;
    virtual ~WorldItemFactory();

    // A new item read from the stream, or null.
    virtual WorldFactoryItem* Create(void* factoryContext, TStream& stream) = 0;

    uint32_t GetTypeId() const { return typeId_; }
    const Zel::PString& GetName() const { return name_; }

    // What the first registered factory of the type makes; null when none has it.
    static WorldFactoryItem* CreateByType(uint32_t typeId, void* factoryContext, TStream& stream);

private:
    uint32_t typeId_;
    Zel::PString name_;
};

// The values a host reads while one item is saved or loaded.
struct CurrentWorldItem {
    int32_t listId = -1;
    KUID kuid;
    void* factoryContext = nullptr;
};

namespace WorldItemCurrent {
// Read and set inline: a list sets them around every record it saves or loads.
extern CurrentWorldItem current;
}  // namespace WorldItemCurrent

// Set only while one item is saved or loaded (null KUID, null and -1 otherwise).
inline int32_t CurrentWorldListId()
{
    return WorldItemCurrent::current.listId;
}
inline KUID CurrentWorldItemKUID()
{
    return WorldItemCurrent::current.kuid;
}
inline void* CurrentWorldFactoryContext()
{
    return WorldItemCurrent::current.factoryContext;
}

// Sets the current values for its lifetime and restores the previous ones.
class CurrentWorldItemScope {
public:
    CurrentWorldItemScope(int32_t listId, const KUID& kuid, void* factoryContext) : saved_(WorldItemCurrent::current)
    {
        WorldItemCurrent::current = CurrentWorldItem{listId, kuid, factoryContext};
    }
    CurrentWorldItemScope(const CurrentWorldItemScope&) = delete;
    CurrentWorldItemScope& operator=(const CurrentWorldItemScope&) = delete;
    ~CurrentWorldItemScope() { WorldItemCurrent::current = saved_; }

private:
    CurrentWorldItem saved_;
};
