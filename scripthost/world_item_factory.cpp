// The world item factory registry and the current list id, KUID and factory context.
#include "scripthost/world_item_factory.h"

#include <algorithm>
#include <vector>

namespace {

// Allocated with the first factory and freed with the last, so a process
// without factories holds nothing.
std::vector<WorldItemFactory*>* registry = nullptr;

int32_t currentListId = -1;
KUID currentKUID;
void* currentFactoryContext = nullptr;

}  // namespace

WorldItemFactory::WorldItemFactory(uint32_t typeId, const Zel::PString& name) : typeId_(typeId), name_(name)
{
    if (registry == nullptr)
        registry = new std::vector<WorldItemFactory*>();
    registry->push_back(this);
}

WorldItemFactory::~WorldItemFactory()
{
    if (registry == nullptr)
        return;
    registry->erase(std::remove(registry->begin(), registry->end(), this), registry->end());
    if (registry->empty()) {
        delete registry;
        registry = nullptr;
    }
}

WorldFactoryItem* WorldItemFactory::CreateByType(uint32_t typeId, void* factoryContext, TStream& stream)
{
    if (registry == nullptr)
        return nullptr;
    for (WorldItemFactory* factory : *registry) {
        if (factory->typeId_ == typeId)
            return factory->Create(factoryContext, stream);
    }
    return nullptr;
}

int32_t CurrentWorldListId()
{
    return currentListId;
}

KUID CurrentWorldItemKUID()
{
    return currentKUID;
}

void* CurrentWorldFactoryContext()
{
    return currentFactoryContext;
}

CurrentWorldItemScope::CurrentWorldItemScope(int32_t listId, const KUID& kuid, void* factoryContext)
    : listId_(currentListId), kuid_(currentKUID), factoryContext_(currentFactoryContext)
{
    currentListId = listId;
    currentKUID = kuid;
    currentFactoryContext = factoryContext;
}

CurrentWorldItemScope::~CurrentWorldItemScope()
{
    currentListId = listId_;
    currentKUID = kuid_;
    currentFactoryContext = factoryContext_;
}
