// One level of a config soup as the template reader sees it: values by name, the first occurrence winning.
#pragma once

#include "soup/soup_handle.h"
#include "templates/dod_node_index.h"
#include "zel/pstring.h"

namespace DODLib {

// Looking a name up in a soup walks its tags; a config level of thousands of
// tags read tag by tag would walk them for every tag. The view indexes the
// first occurrence of each name once.
class ConfigView {
public:
    explicit ConfigView(const SoupHandle& soup);

    const SoupHandle& Soup() const { return soup_; }
    // The first tag of the name as text (as SoupHandle::GetNamedTag gives
    // it); empty when absent.
    Zel::PString GetText(const Zel::PString& name) const;
    // As SoupHandle::HasNamedTag.
    bool Has(const Zel::PString& name) const;

private:
    int32_t FirstIndex(const Zel::PString& name) const;

    SoupHandle soup_;
    // Even a level of a few tags is indexed: a direct search copies each
    // name it passes, for every lookup.
    NodeIndex first_;
};

}  // namespace DODLib
