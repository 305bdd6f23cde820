// One data tag of a config while it is validated: name, value, field type, options and bound validators.
#pragma once

#include <string_view>
#include <vector>

#include "soup/soup_handle.h"
#include "templates/dod_field_types.h"
#include "templates/dod_finding_subject.h"
#include "zel/pstring.h"

namespace DODLib {

class Container;
class Tag;

// A named tag check: the tag and its argument soup; true when it passed.
using TagValidator = bool (*)(Tag& tag, const SoupHandle& arguments);

class Tag : public FindingSubject {
public:
    Tag();
    // Drops the collector's first finding about the tag and every
    // registration of the tag with the data manager.
    virtual ~Tag();

    // Binds the validators named in the definition's "validation" that the
    // tag-validator table knows, in order; other names are ignored.
    virtual void BindValidators(const SoupHandle& fieldDefinition);
    void AddValidator(TagValidator validator, const SoupHandle& arguments);
    // Runs every bound validator (all of them); true when all passed.
    bool RunValidators();
    size_t ValidatorCount() const { return validators_.size(); }

    // Splits at every blank and comma; each piece is read with atof (an
    // empty piece is 0). One value more than there are separators.
    static std::vector<float> ParseFloatList(std::string_view text);
    // The same numbers handed to visit one by one, without building a list.
    template <class Visit>
    static void ForEachFloat(std::string_view text, Visit visit);

    // The number of live tags (diagnostics).
    static int64_t LiveCount();

    Zel::PString name;
    Zel::PString value;
    FieldType fieldType = FieldUntyped;
    int32_t index = -1;
    Container* owner = nullptr;
    Zel::PString datatype;
    bool sourceRegistered = false;
    Zel::PString source;
    bool disabled = false;
    bool isFile = false;
    SoupHandle definition;
    Zel::PString category;
    Zel::PString filter;

private:
    static float ReadPiece(std::string_view piece);

    std::vector<std::pair<TagValidator, SoupHandle>> validators_;
};

template <class Visit>
void Tag::ForEachFloat(std::string_view text, Visit visit)
{
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ' || text[i] == ',') {
            visit(ReadPiece(text.substr(start, i - start)));
            start = i + 1;
        }
    }
}

}  // namespace DODLib
