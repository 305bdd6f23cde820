// The template library lint.
#include "templates/dod_template_lint.h"

#include <algorithm>
#include <string>

#include "assetdb/category_tables.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_field_types.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"

namespace DODLib {

namespace {

// Sources that name lists the reader fills, not list files.
bool IsRegisteredSource(const Zel::PString& source)
{
    return source == "attachment" || source == "mesh-table" || source == "attached-track" || source == "queues";
}

class Lint {
public:
    explicit Lint(DataManager& manager) : manager_(manager), library_(manager.GetLibrary()) {}

    void Definition(const std::string& name, const SoupHandle& definition)
    {
        const TemplateNames& names = Names();
        const SoupHandle inherit = definition.GetNamedSoup(names.inherit);
        for (int32_t i = 0; i < inherit.CountTags(); ++i)
            RequireDefinition(name, "parent", inherit.GetIndexedTagName(i));
        const SoupHandle possibilities = definition.GetNamedSoup(names.subpossibilities);
        for (int32_t i = 0; i < possibilities.CountTags(); ++i)
            Field(name + "/" + possibilities.GetIndexedTagName(i).c_str(), possibilities.GetIndexedSoup(i));
        if (definition.GetNamedSoup(names.tagarray).Root())
            Field(name + "/tagarray", definition.GetNamedSoup(names.tagarray), true);
        const SoupHandle obsolete = definition.GetNamedSoup(names.obsoleteTag);
        for (int32_t i = 0; i < obsolete.CountTags(); ++i)
            Field(name + "/obsolete-tag/" + obsolete.GetIndexedTagName(i).c_str(), obsolete.GetIndexedSoup(i));
        ContainerTypes(name + "/array-element", definition.GetNamedSoup(names.arrayElement));
        const SoupHandle validation = definition.GetNamedSoup(names.validation);
        for (int32_t i = 0; i < validation.CountTags(); ++i) {
            const Zel::PString validator = validation.GetIndexedTagName(i);
            if (!FindContainerValidator(validator))
                Problem(name + ": unknown container validator '" + validator.c_str() + "'");
        }
    }

    void Kinds()
    {
        for (const std::string& kind : TemplateKindNames()) {
            const SoupHandle definition = library_.GetNamedSoup(Zel::PString(kind));
            if (!definition.Root() || definition.GetNamedTagAsInt(Names().topLevel, 0) == 0)
                Problem("kind '" + kind + "' has no top-level definition");
        }
    }

    std::vector<std::string> problems;

private:
    void Problem(const std::string& text) { problems.push_back(text); }

    void RequireDefinition(const std::string& where, const char* what, const Zel::PString& name)
    {
        const SoupHandle found = library_.GetNamedSoup(name);
        if (!found.Root() || found.Root()->GetType() != SoupTypeContainer)
            Problem(where + ": " + what + " '" + name.c_str() + "' is not defined");
    }

    void ContainerTypes(const std::string& where, const SoupHandle& field)
    {
        for (int32_t i = 0; i < field.CountTags(); ++i) {
            const Zel::PString key = field.GetIndexedTagName(i);
            if (key.View().rfind("container-type", 0) == 0)
                RequireDefinition(where, "container type", field.GetNamedTag(key));
        }
    }

    void Field(const std::string& where, const SoupHandle& field, bool typed = false)
    {
        const TemplateNames& names = Names();
        if (!field.Root() || field.Root()->GetType() != SoupTypeContainer) {
            Problem(where + ": not a field definition");
            return;
        }
        const Zel::PString kind = field.GetNamedTag(names.kind);
        if (kind == names.element)
            RequireDefinition(where, "element type", field.GetNamedTag(names.elementType));
        // A compulsory entry counts as a compulsory tag unless it says it is
        // an element; a sub-container so marked would be reported missing as
        // a tag in every config.
        if (kind != names.value && !typed && field.GetNamedTagAsInt(names.compulsory, 0) != 0 &&
            field.GetNamedTag(names.element).IsEmpty())
            Problem(where + ": a compulsory sub-container needs \"element\"");
        ContainerTypes(where, field);
        if (kind == names.value || typed) {
            const Zel::PString type = field.GetNamedTag(names.type);
            if (!IsKnownFieldTypeName(type))
                Problem(where + ": type '" + type.c_str() + "' is not a field type");
        }
        const Zel::PString source = field.GetNamedTag(names.source);
        if (!source.IsEmpty() && !IsRegisteredSource(source) && !manager_.FindListFile(source))
            Problem(where + ": list '" + source.c_str() + "' does not exist");
        const SoupHandle validation = field.GetNamedSoup(names.validation);
        for (int32_t i = 0; i < validation.CountTags(); ++i) {
            const Zel::PString validator = validation.GetIndexedTagName(i);
            if (!FindTagValidator(validator))
                Problem(where + ": unknown tag validator '" + validator.c_str() + "'");
        }
    }

    DataManager& manager_;
    SoupHandle library_;
};

}  // namespace

std::vector<std::string> TemplateKindNames()
{
    std::vector<std::string> kinds;
    for (const KindCategoryRow* row = KindCategoryTable(); !row->kind.IsEmpty(); ++row) {
        const std::string kind(row->kind.View());
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
            kinds.push_back(kind);
    }
    for (const char* mapped : {"double-track", "tunnel", "chunky-track", "mesh-reducing-track", "obsolete-track",
                               "scenery-trackside", "texture-group", "hueshop-template"})
        kinds.push_back(mapped);
    return kinds;
}

std::vector<std::string> LintTemplateLibrary(DataManager& manager)
{
    manager.LoadTemplates();
    Lint lint(manager);
    const SoupHandle library = manager.GetLibrary();
    for (int32_t i = 0; i < library.CountTags(); ++i) {
        const SoupHandle definition = library.GetIndexedSoup(i);
        const std::string name(library.GetIndexedTagName(i).View());
        if (!definition.Root()) {
            lint.problems.push_back(name + ": not a definition");
            continue;
        }
        lint.Definition(name, definition);
    }
    lint.Kinds();
    return lint.problems;
}

}  // namespace DODLib
