// The old-config upgrade's tag work: small soup helpers, the top-level tag names, old tag names and the removal of stray tags.
#include <cstdio>
#include <string>

#include "soup/acs_raw_data.h"
#include "templates/dod_config_upgrade.h"
#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_soup_helpers.h"
#include "templates/dod_template_names.h"
#include "zel/ascii.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

// Inheritance deeper than this is a loop in the template files.
constexpr int MaxInheritanceDepth = 32;

// Removes every tag, from the last to the first, whose name the test picks.
template <typename Test>
void RemoveTagsWhere(SoupHandle& soup, Test test)
{
    for (int32_t i = soup.CountTags() - 1; i >= 0; --i) {
        if (test(soup.GetIndexedTagName(i)))
            RemoveTagAt(soup, i);
    }
}

// Copies a tag under its current name when that is absent, then drops the old one.
void MoveIfAbsent(SoupHandle& config, const char* from, const char* to)
{
    const Zel::PString oldName(from);
    const Zel::PString newName(to);
    if (!config.HasNamedTag(oldName))
        return;
    if (!config.HasNamedTag(newName))
        config.SetNamedTag(newName, config.GetNamedTag(oldName));
    config.RemoveNamedTag(oldName);
}

bool ConsistsOf(std::string_view name, bool (*test)(char))
{
    for (char c : name) {
        if (!test(c))
            return false;
    }
    return true;
}

}  // namespace

Zel::PString NumberedName(std::string_view prefix, int number, std::string_view suffix)
{
    std::string name(prefix);
    name += std::to_string(number);
    name += suffix;
    return Zel::PString(name);
}

Zel::PString JoinedName(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts)
        text += part;
    return Zel::PString(text);
}

void RemoveTags(SoupHandle& soup, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        soup.RemoveNamedTag(Zel::PString(name));
}

bool IsKind(const Zel::PString& kind, std::string_view name)
{
    return Zel::AsciiEqualIgnoreCase(kind.View(), name);
}

bool IsEmptyTag(const SoupHandle& soup, const char* name)
{
    return soup.GetNamedTag(Zel::PString(name)).IsEmpty();
}

void RemoveTagAt(SoupHandle& soup, int32_t index)
{
    Zel::PString name;
    ChunkRef chunk;
    if (soup.Root() && soup.Root()->GetIndexedTag(index, name, chunk))
        soup.Root()->RemoveTag(std::move(chunk));
}

ChunkRef OwnedCopy(const ChunkRef& chunk)
{
    SoupHandle holder;
    holder.EnsureContainer();
    ChunkRef copy = holder.GetContainer();
    if (chunk->GetType() != SoupTypeContainer) {
        const int32_t size = chunk->GetDataSize();
        return copy->CreateDataTag(chunk->GetType(), size > 0 ? ACSRawDataCore::Copy(chunk->GetData(), size) : nullptr);
    }
    const int32_t count = chunk->CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef child;
        if (chunk->GetIndexedTag(i, name, child))
            copy->AddNamedTag(name, OwnedCopy(child));
    }
    return copy;
}

void PutChunk(SoupHandle& soup, const Zel::PString& name, ChunkRef chunk)
{
    soup.RemoveNamedTag(name);
    soup.GetContainer()->AddNamedTag(name, std::move(chunk));
}

TopLevelTags::TopLevelTags(const SoupHandle& library)
{
    const TemplateNames& names = Names();
    const int32_t count = library.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        const SoupHandle definition = library.GetIndexedSoup(i);
        if (IsRealSoup(definition) && definition.GetNamedTagAsInt(names.topLevel, 0) != 0)
            AddDefinition(library, definition, 0);
    }
}

// Our templates keep the tags every kind shares ("kuid", "kind",
// "username", the categories) in inherited bases: a top-level template's own
// list alone would make them strays and the upgrade would drop a config's
// kind and identity.
void TopLevelTags::AddDefinition(const SoupHandle& library, const SoupHandle& definition, int depth)
{
    if (depth > MaxInheritanceDepth)
        return;
    const TemplateNames& names = Names();
    const SoupHandle possibilities = definition.GetNamedSoup(names.subpossibilities);
    const int32_t count = possibilities.CountTags();
    for (int32_t i = 0; i < count; ++i)
        names_.insert(possibilities.GetIndexedTagName(i).Node());
    const SoupHandle inherit = definition.GetNamedSoup(names.inherit);
    const int32_t parents = inherit.CountTags();
    for (int32_t i = 0; i < parents; ++i) {
        const SoupHandle parent = library.GetNamedSoup(inherit.GetIndexedTagName(i));
        if (IsRealSoup(parent))
            AddDefinition(library, parent, depth + 1);
    }
}

void RemoveTagsAfterDescription(SoupHandle& config, const TopLevelTags& known)
{
    const Zel::PString description("description");
    int32_t first = -1;
    const int32_t count = config.CountTags();
    for (int32_t i = 0; i < count && first < 0; ++i) {
        if (config.GetIndexedTagName(i) == description)
            first = i;
    }
    if (first < 0)
        return;
    for (int32_t i = config.CountTags() - 1; i > first; --i) {
        if (known.Contains(config.GetIndexedTagName(i)) || IsRealSoup(config.GetIndexedSoup(i)))
            continue;
        RemoveTagAt(config, i);
    }
}

void RemoveAssetTags(SoupHandle& config, const TopLevelTags& known)
{
    config.RemoveNamedTag(Zel::PString("asset"));
    RemoveTagsWhere(
        config, [&](const Zel::PString& name) { return !known.Contains(name) && StartsWith(name.View(), "asset-"); });
}

void RemoveJunkTags(SoupHandle& config)
{
    RemoveTags(config, {";",          "\"",           "rem",         "licence",  "disclaimer:", "licence:",
                        "licence:-",  "name-ru",      "name-es",     "name-fr",  "name-pl",     "name-de",
                        "name-it",    "name-cz",      "name-cn",     "name-nl",  "name-hu",     "origin",
                        "objremarks", "origregion",   "orgname",     "origname", "quelm",       "company",
                        "korvel",     "korvel_build", "train-build", "version",  "obsolete"});
}

void RemoveWordTags(SoupHandle& config)
{
    RemoveTags(config, {"by",   "you",  "this",    "the",     "these", "-",   "all", "copyright",
                        "use",  "have", "check",   "only",    "keep",  "for", "in",  "alternate",
                        "feel", "no",   "contact", "created", "//",    ";",   "*"});
}

void RemoveUnnamableTags(SoupHandle& config)
{
    RemoveTagsWhere(config, [](const Zel::PString& name) {
        const std::string_view text = name.View();
        if (text.find_first_of("\"'{}") != std::string_view::npos)
            return true;
        return ConsistsOf(text, [](char c) { return c == '_'; }) ||
               ConsistsOf(text, [](char c) { return c >= '0' && c <= '9'; });
    });
}

void RenameOldTags(SoupHandle& config)
{
    const Zel::PString auteur("auteur");
    if (config.HasNamedTag(auteur)) {
        config.SetNamedTag(Zel::PString("author"), config.GetNamedTag(auteur));
        config.RemoveNamedTag(auteur);
    }
    MoveIfAbsent(config, "organization", "organisation");
    MoveIfAbsent(config, "user-name", "username");
    MoveIfAbsent(config, "name", "username");
    MoveIfAbsent(config, "description:", "description");
}

}  // namespace ConfigUpgrade

bool IsTemplateTopLevelTag(const Zel::PString& name)
{
    DataManager* manager = DataManager::Instance();
    manager->LoadTemplates();
    return ConfigUpgrade::TopLevelTags(manager->GetLibrary()).Contains(name);
}

}  // namespace DODLib
