// Template definitions as containers read them: kind and type look-up, inheritance, field and sub-container definitions, compulsory and obsolete tags.
#include <cstdlib>
#include <string>

#include "templates/dod_build_numbers.h"
#include "templates/dod_container.h"
#include "templates/dod_soup_helpers.h"
#include "templates/dod_container_state.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_library_cache.h"
#include "templates/dod_messages.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"
#include "zel/ascii.h"

namespace DODLib {

namespace {

// Inheritance deeper than this is a loop in the template files, not a design.
constexpr int MaxInheritanceDepth = 32;

// Copies every entry of from into into, an entry replacing an earlier one of
// the same name (which then moves to the end).
void MergeEntries(const SoupHandle& from, SoupHandle& into)
{
    const int32_t count = from.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef chunk;
        if (!from.Root()->GetIndexedTag(i, name, chunk))
            continue;
        into.RemoveNamedTag(name);
        into.GetContainer()->AddNamedTag(name, chunk);
    }
}

}  // namespace

SoupHandle Container::LibraryEntry(const Zel::PString& name)
{
    Container* top = Top();
    if (!top->library_.Root())
        top->library_ = DataManager::Instance()->GetLibrary();
    SoupHandle entry = top->library_.GetNamedSoup(name);
    if (!entry.Root())
        return entry;
    ValidationState& state = State();
    auto copy = state.copies.find(entry.Root().Get());
    return copy == state.copies.end() ? entry : copy->second;
}

SoupHandle Container::FindKindDefinition(const Zel::PString& kind)
{
    const Zel::PString name = kind.ToLower();
    SoupHandle definition = LibraryEntry(name);
    if (IsRealSoup(definition) && definition.GetNamedTagAsInt(Names().topLevel, 0) != 0)
        return definition;
    DataManager::Instance()->LoadTemplates();
    Top()->library_ = DataManager::Instance()->GetLibrary();
    definition = LibraryEntry(name);
    if (IsRealSoup(definition) && definition.GetNamedTagAsInt(Names().topLevel, 0) != 0)
        return definition;
    return SoupHandle();
}

SoupHandle Container::FindDefinition(const Zel::PString& typeName)
{
    SoupHandle definition = LibraryEntry(typeName);
    return IsRealSoup(definition) ? definition : SoupHandle();
}

std::vector<SoupHandle> Container::DirectParents(const SoupHandle& definition)
{
    std::vector<SoupHandle> parents;
    const SoupHandle inherit = definition.GetNamedSoup(Names().inherit);
    const int32_t count = inherit.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        SoupHandle parent = FindDefinition(inherit.GetIndexedTagName(i));
        if (parent.Root())
            parents.push_back(parent);
    }
    return parents;
}

SoupHandle Container::FieldDefinitionByName(const SoupHandle& definition, const std::vector<SoupHandle>& parents,
                                            const Zel::PString& name)
{
    const TemplateNames& names = Names();
    SoupHandle own = definition.GetNamedSoup(names.subpossibilities).GetNamedSoup(name);
    if (IsRealSoup(own))
        return own;
    // A parent's tag array is tried before the next parent's possibilities.
    for (const SoupHandle& parent : parents) {
        SoupHandle entry = parent.GetNamedSoup(names.subpossibilities).GetNamedSoup(name);
        if (IsRealSoup(entry))
            return entry;
        SoupHandle tagArray = parent.GetNamedSoup(names.tagarray);
        if (IsRealSoup(tagArray))
            return tagArray;
    }
    return definition.GetNamedSoup(names.tagarray);
}

SoupHandle Container::FindFieldDefinition(const SoupHandle& definition, const std::vector<SoupHandle>& parents,
                                          const Zel::PString& name)
{
    Zel::PString lookup = name;
    if (StartsWith(name.View(), "description-"))
        lookup = Names().description;
    else if (StartsWith(name.View(), "username-"))
        lookup = Names().username;
    SoupHandle found = FieldDefinitionByName(definition, parents, lookup);
    if (IsRealSoup(found))
        return found;

    // Numbered tags (name1, name2, ...) share the entry "name0" when it says so.
    std::string text(lookup.View());
    if (text.size() > 3 && Zel::AsciiIsDigit(text[text.size() - 1]) && Zel::AsciiIsDigit(text[text.size() - 2]))
        text.replace(text.size() - 2, 2, "0");
    else if (text.size() > 2 && Zel::AsciiIsDigit(text.back()))
        text.back() = '0';
    else
        return SoupHandle();
    found = FieldDefinitionByName(definition, parents, Zel::PString(text));
    if (IsRealSoup(found) && found.GetNamedTagAsInt(Names().sequence, 0) != 0)
        return found;
    return SoupHandle();
}

SoupHandle Container::FindElementDefinition(const SoupHandle& definition, const Zel::PString& name)
{
    const TemplateNames& names = Names();
    const SoupHandle possibilities = definition.GetNamedSoup(names.subpossibilities);
    SoupHandle entry = possibilities.GetNamedSoup(name);
    if (IsRealSoup(entry))
        return entry;
    SoupHandle arrayElement = definition.GetNamedSoup(names.arrayElement);
    if (IsRealSoup(arrayElement))
        return arrayElement;
    if (name == names.zero || std::atoi(name.c_str()) != 0) {
        const int32_t count = possibilities.CountTags();
        for (int32_t i = 0; i < count; ++i) {
            SoupHandle candidate = possibilities.GetIndexedSoup(i);
            if (candidate.GetNamedTagAsInt(names.numarray, 0) != 0)
                return candidate;
        }
    }
    return SoupHandle();
}

bool Container::FindSubContainerDefinition(const SoupHandle& definition, const Zel::PString& name, Container* target,
                                           SoupHandle& out)
{
    out = FindElementDefinition(definition, name);
    if (IsRealSoup(out))
        return true;
    if (StartsWith(name.View(), "string-table-")) {
        out = FindElementDefinition(definition, Names().stringTable);
        if (IsRealSoup(out))
            return true;
    }
    if (StartsWith(name.View(), "smoke")) {
        out = FindDefinition(Names().smoke);
        if (IsRealSoup(out))
            return true;
        ErrorHandler::Instance()->AddError(FindingText("$dod_container_nosmoke"), target);
    }
    out = SoupHandle();
    return false;
}

std::vector<Zel::PString> Container::CollectCompulsoryTags(const SoupHandle& definition)
{
    const TemplateNames& names = Names();
    auto [cached, inserted] = State().compulsory.try_emplace(definition.Root().Get());
    if (!inserted)
        return cached->second;
    std::vector<Zel::PString>& compulsory = cached->second;
    const SoupHandle possibilities = definition.GetNamedSoup(names.subpossibilities);
    const int32_t count = possibilities.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        const SoupHandle entry = possibilities.GetIndexedSoup(i);
        if (entry.GetNamedTagAsInt(names.compulsory, 0) != 0 && entry.GetNamedTag(names.element).IsEmpty())
            compulsory.push_back(possibilities.GetIndexedTagName(i));
    }
    return compulsory;
}

SoupHandle Container::CollectObsoleteTags(const SoupHandle& definition)
{
    const TemplateNames& names = Names();
    const SoupHandle obsolete = definition.GetNamedSoup(names.obsoleteTag);
    const int32_t count = obsolete.CountTags();
    if (count == 0)
        return definition;
    ValidationState& state = State();
    const bool isCopy = state.copyChunks.count(definition.Root().Get()) != 0;
    const int build = RoundedBuild(DataManager::Instance()->GetBuild());
    SoupHandle result = definition;
    Container* top = Top();
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString name = obsolete.GetIndexedTagName(i);
        SoupHandle entry = obsolete.GetIndexedSoup(i);
        const int version = RoundedBuild(entry.GetNamedTagAsFloat(names.obsoleteVersion, 2.6f));
        if (build >= version) {
            if (top->obsoleteNameSet_.insert(name.Node()).second)
                top->obsoleteNames_.push_back(name);
            continue;
        }
        // Not obsolete yet for this asset: the entry counts as a normal one.
        // Only this validation's copy of the definition takes it.
        if (isCopy || !definition.GetNamedSoup(names.subpossibilities).Root())
            continue;
        if (result.Root() == definition.Root())
            result.Copy(definition);
        SoupHandle possibilities = result.GetNamedSoup(names.subpossibilities);
        possibilities.RemoveNamedTag(name);
        possibilities.GetContainer()->AddNamedTag(name, entry.Root());
    }
    if (result.Root() != definition.Root()) {
        state.copies[definition.Root().Get()] = result;
        state.copyChunks.insert(result.Root().Get());
    }
    return result;
}

Zel::PString Container::SelectContainerType(const SoupHandle& fieldDefinition, const Zel::PString& kind)
{
    const Zel::PString first = fieldDefinition.GetNamedTag(Names().containerType0);
    if (kind.IsEmpty())
        return first;
    const int32_t count = fieldDefinition.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString type = fieldDefinition.GetNamedTag(Zel::PString("container-type" + std::to_string(i)));
        if (!type.IsEmpty() && type.View().find(kind.View()) != std::string_view::npos)
            return type;
    }
    return first;
}

template <class Visit>
void Container::ForEachParent(const SoupHandle& definition, int depth, Visit visit)
{
    if (depth > MaxInheritanceDepth)
        return;
    const SoupHandle inherit = definition.GetNamedSoup(Names().inherit);
    const int32_t count = inherit.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString parentName = inherit.GetIndexedTagName(i);
        visit(parentName, FindDefinition(parentName));
    }
}

void Container::MergeInheritedPossibilities(const SoupHandle& definition, MergedDefinition& merged, int depth)
{
    const TemplateNames& names = Names();
    ForEachParent(definition, depth, [&](const Zel::PString& parentName, const SoupHandle& parent) {
        merged.ancestors.push_back(parentName);
        if (!parent.Root())
            return;
        if (parent.GetNamedSoup(names.inherit).Root())
            MergeInheritedPossibilities(parent, merged, depth + 1);
        MergeEntries(parent.GetNamedSoup(names.subpossibilities), merged.possibilities);
        MergeEntries(parent.GetNamedSoup(names.tagarray), merged.tagArray);
        MergeEntries(parent.GetNamedSoup(names.arrayElement), merged.arrayElements);
    });
}

const Container::MergedDefinition& Container::MergeInheritance(const SoupHandle& definition)
{
    ValidationState& state = State();
    const void* key = definition.Root().Get();
    auto found = state.merged.find(key);
    if (found != state.merged.end())
        return found->second;
    auto merge = [this, &definition](MergedDefinition& merged) {
        MergeInheritedPossibilities(definition, merged, 0);
        const TemplateNames& names = Names();
        MergeEntries(definition.GetNamedSoup(names.subpossibilities), merged.possibilities);
        MergeEntries(definition.GetNamedSoup(names.tagarray), merged.tagArray);
        MergeEntries(definition.GetNamedSoup(names.arrayElement), merged.arrayElements);
    };
    // Until this validation copies a definition for its build, every parent
    // comes from the library: the merge is the library's, made once and
    // shared (the validation keeps its own handles to it, as to any other).
    if (state.copies.empty()) {
        static LibraryCache<MergedDefinition> library;
        bool fresh = false;
        MergedDefinition& shared = library.Slot(DataManager::Instance()->GetLibrary(), definition, fresh);
        if (fresh)
            merge(shared);
        return state.merged.emplace(key, shared).first->second;
    }
    MergedDefinition merged;
    merge(merged);
    return state.merged.emplace(key, std::move(merged)).first->second;
}

void Container::MergeInheritedValidation(const SoupHandle& definition, SoupHandle& merged, int depth)
{
    ForEachParent(definition, depth, [&](const Zel::PString&, const SoupHandle& parent) {
        if (!parent.Root())
            return;
        MergeInheritedValidation(parent, merged, depth + 1);
        MergeEntries(parent.GetNamedSoup(Names().validation), merged);
    });
}

void Container::BindContainerValidators(const SoupHandle& definition, Container* target)
{
    SoupHandle merged;
    MergeEntries(definition.GetNamedSoup(Names().validation), merged);
    MergeInheritedValidation(definition, merged, 0);
    const int32_t count = merged.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef chunk;
        if (!merged.Root()->GetIndexedTag(i, name, chunk))
            continue;
        if (ContainerValidator validator = FindContainerValidator(name))
            target->AddContainerValidator(validator, SoupHandle::FromChunk(chunk));
    }
}

}  // namespace DODLib
