// The world item factory registry and the current list id, KUID and factory context.
#include "scripthost/world_item_factory.h"

#include <algorithm>
#include <vector>

namespace {

// Allocated with the first factory and freed with the last, so a process
// without factories holds nothing.
std::vector<WorldItemFactory*>* registry = nullptr;

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

CurrentWorldItem WorldItemCurrent::current;
