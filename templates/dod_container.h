// One level of a config read against its template definition: tags, child containers, validators.
#pragma once

#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "soup/soup_handle.h"
#include "templates/dod_node_index.h"
#include "templates/dod_field_types.h"
#include "templates/dod_finding_subject.h"
#include "templates/dod_tag.h"
#include "zel/file.h"
#include "zel/pstring.h"

namespace DODLib {

class ConfigView;
class MeshData;
class Tag;
class Container;

// A named container check: the container and its argument soup.
using ContainerValidator = bool (*)(Container& container, const SoupHandle& arguments);

class Container : public FindingSubject {
public:
    Container();
    // Drops the collector's first finding about the container, its mesh,
    // its tags and children and its registrations with the data manager.
    virtual ~Container();
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Reads an asset's config against the template of its kind. False when
    // the config has no kind, the kind has no template, or reading stopped;
    // findings alone do not make it false.
    virtual bool Validate(const SoupHandle& config);
    // Writes the tree into a soup, running the field checks and the
    // children's validators; false when one of them failed.
    virtual bool Export(SoupHandle& out);
    // Runs every bound container validator; true when all passed.
    bool RunContainerValidators();
    // Checks the texture descriptions and compiled textures below folder;
    // paths in findings are shown relative to root. True when nothing was found.
    bool CheckTextures(const Zel::File::Path& root, const Zel::File::Path& folder);

    // Kind lookup (lower-cased, "top-level" required; loads the templates
    // when not found) and type lookup (exact name).
    SoupHandle FindKindDefinition(const Zel::PString& kind);
    SoupHandle FindDefinition(const Zel::PString& typeName);
    // The field definition of a data tag (name normalisation and numbered
    // tags included); an empty soup when there is none.
    SoupHandle FindFieldDefinition(const SoupHandle& definition, const std::vector<SoupHandle>& parents,
                                   const Zel::PString& name);
    bool FindSubContainerDefinition(const SoupHandle& definition, const Zel::PString& name, Container* target,
                                    SoupHandle& out);
    SoupHandle FindElementDefinition(const SoupHandle& definition, const Zel::PString& name);
    std::vector<Zel::PString> CollectCompulsoryTags(const SoupHandle& definition);
    // Applies the definition's "obsolete-tag" entries for this asset's build
    // and returns the definition to read with from now on.
    SoupHandle CollectObsoleteTags(const SoupHandle& definition);
    Zel::PString SelectContainerType(const SoupHandle& fieldDefinition, const Zel::PString& kind);

    void ApplyDefinition(const SoupHandle& definition, bool reading);
    bool ReadSoup(const SoupHandle& config, const SoupHandle& definition, Container* target);
    void BindContainerValidators(const SoupHandle& definition, Container* target);
    void AddContainerValidator(ContainerValidator validator, const SoupHandle& arguments);

    // "kuid" and "username" go to the identity tags, every other to tags.
    void AddTag(Tag* tag);
    void AddChild(Container* child);
    void RemoveOptionalTag(const Zel::PString& name);
    void SetExtensions(const SoupHandle& soup);
    Tag* NewTag(int32_t index, Container* owner, const Zel::PString& name);
    // A tag of the name for the target, valued from the config level, else
    // the definition's default; null when the target already has one.
    Tag* CreateTag(Container* target, const Zel::PString& name, const SoupHandle& fieldDefinition,
                   const ConfigView* config);
    Container* CreateChildContainer(const Zel::PString& name, Container* owner, const Zel::PString& typeName,
                                    int32_t index, const SoupHandle& config);

    // Field types (dod_field_types_apply.cpp).
    bool ApplyFieldType(Tag& tag, const SoupHandle& definition, const ConfigView* config, Container* target);
    bool IsComboboxValue(const Zel::PString& value, const SoupHandle& definition);
    bool IsIntComboboxValue(const Zel::PString& value, const SoupHandle& definition);
    bool IsListboxValue(const Zel::PString& value, const SoupHandle& definition);

    // The twenty tag writers (dod_tag_writers.cpp).
    bool WriteTag(Tag& tag, SoupHandle& out);
    bool WriteFloatTag(Tag& tag, SoupHandle& out);
    bool WriteStringTag(Tag& tag, SoupHandle& out);
    bool WriteIntTag(Tag& tag, SoupHandle& out);
    bool WriteBoolTag(Tag& tag, SoupHandle& out);
    bool WriteVector2Tag(Tag& tag, SoupHandle& out);
    bool WriteVector3Tag(Tag& tag, SoupHandle& out);
    bool WriteVector4Tag(Tag& tag, SoupHandle& out);
    bool WriteVector5Tag(Tag& tag, SoupHandle& out);
    bool WriteFloatListTag(Tag& tag, SoupHandle& out);
    bool WriteComboboxTag(Tag& tag, SoupHandle& out);
    bool WriteIntComboboxTag(Tag& tag, SoupHandle& out);
    bool WriteListboxTag(Tag& tag, SoupHandle& out);
    bool WriteKUIDTag(Tag& tag, SoupHandle& out);
    bool WriteStringKUIDTag(Tag& tag, SoupHandle& out);
    bool WriteDoubleStringTag(Tag& tag, SoupHandle& out);
    bool WriteFilePathTag(Tag& tag, SoupHandle& out);
    bool WriteFilePathEditTag(Tag& tag, SoupHandle& out);
    bool WriteKUIDBrowserTag(Tag& tag, SoupHandle& out);
    bool WriteStringKUIDBrowserTag(Tag& tag, SoupHandle& out);
    bool WriteUntypedTag(Tag& tag, SoupHandle& out);

    const Zel::PString& GetName() const { return name_; }
    const Zel::PString& GetTypeName() const { return typeName_; }
    const Zel::PString& GetSavingName() const { return savingName_; }
    Container* GetOwner() const { return owner_; }
    const std::vector<Container*>& GetChildren() const { return children_; }
    const std::vector<Tag*>& GetTags() const { return tags_; }
    const std::vector<Tag*>& GetIdentityTags() const { return identityTags_; }
    const std::vector<Tag*>& GetOptionalTags() const { return optionalTags_; }
    const std::vector<Zel::PString>& GetObsoleteNames() const { return obsoleteNames_; }
    const std::vector<Zel::PString>& GetElementNames() const { return elementNames_; }
    const std::vector<Zel::PString>& GetAncestors() const { return ancestors_; }
    const SoupHandle& GetConfig() const { return config_; }
    const SoupHandle& GetTagArray() const { return tagArray_; }
    int32_t GetIndex() const { return index_; }
    bool IsTopLevel() const { return topLevel_; }
    size_t ContainerValidatorCount() const { return validators_.size(); }
    MeshData* GetMeshData() const { return meshData_; }
    void SetMeshData(MeshData* mesh) { meshData_ = mesh; }
    // The container that read the asset's config (this one for it).
    Container* Top();
    // The first tag of the name in tags, or null.
    Tag* FindTag(const Zel::PString& name) const;
    // True when an identity tag of the name was read and not yet moved.
    bool HasIdentityTag(const Zel::PString& name) const;
    // The first child of the name, or null.
    Container* FindChild(const Zel::PString& name) const;
    // The names from just below the top container down to this one, joined
    // by a backslash.
    std::string ContainerPath() const;

    static int64_t LiveCount();

private:
    struct MergedDefinition {
        SoupHandle possibilities;
        SoupHandle tagArray;
        SoupHandle arrayElements;
        std::vector<Zel::PString> ancestors;
    };
    // State of one validation, kept by the top container.
    struct ValidationState;
    // The keys of a field definition that every new tag reads.
    struct FieldInfo {
        FieldType type = FieldUntyped;
        Zel::PString kind;
        Zel::PString elementType;
        bool compulsory = false;
        bool disabled = false;
        bool hasDefault = false;
        Zel::PString defaultValue;
        std::vector<std::pair<TagValidator, SoupHandle>> validators;
    };
    const FieldInfo& FieldInfoOf(const SoupHandle& definition);
    // The process-wide slot of a library definition (fresh when just made),
    // or null when this validation must keep its own.
    FieldInfo* LibraryFieldInfoSlot(const SoupHandle& definition, bool& fresh);
    void BindTagValidators(Tag* tag, const SoupHandle& definition);

    ValidationState& State();
    const MergedDefinition& MergeInheritance(const SoupHandle& definition);
    template <class Visit>
    void ForEachParent(const SoupHandle& definition, int depth, Visit visit);
    void MergeInheritedPossibilities(const SoupHandle& definition, MergedDefinition& merged, int depth);
    void MergeInheritedValidation(const SoupHandle& definition, SoupHandle& merged, int depth);
    std::vector<SoupHandle> DirectParents(const SoupHandle& definition);
    SoupHandle LibraryEntry(const Zel::PString& name);
    SoupHandle FieldDefinitionByName(const SoupHandle& definition, const std::vector<SoupHandle>& parents,
                                     const Zel::PString& name);
    void AddCompulsoryElement(const SoupHandle& elementDefinition);
    void AddElementType(const Zel::PString& name, const Zel::PString& typeName);
    void MoveIdentityTagsFirst();
    bool ReadSubSoup(const Zel::PString& tagName, const SoupHandle& subSoup, const SoupHandle& definition,
                     const std::vector<SoupHandle>& parents, Container* target, const SoupHandle& config,
                     int32_t& childNumber);
    void AddCompulsoryPlaceholders(const std::vector<Zel::PString>& compulsory, const SoupHandle& definition,
                                   const std::vector<SoupHandle>& parents, Container* target, const ConfigView& config);
    bool WriteVectorTag(Tag& tag, SoupHandle& out, int32_t size);
    bool WriteChoiceTag(Tag& tag, SoupHandle& out, bool combobox);
    bool WriteFilePath(Tag& tag, SoupHandle& out, bool editable);
    bool WriteKUIDBrowser(Tag& tag, SoupHandle& out, bool userNamed);
    void ReportChoiceNotOffered(Tag& tag, bool combobox, bool& result);
    // Containers of many tags look names up through an index.
    static constexpr size_t IndexedTagCount = 16;
    void IndexTagName(const Tag* tag);
    bool CheckTextureFolder(const std::string& root, const std::string& folder, int depth);

    int32_t index_ = -1;
    Zel::PString name_;
    Zel::PString typeName_;
    Zel::PString savingName_;
    std::vector<SoupHandle> elementTypes_;
    std::vector<SoupHandle> compulsoryElements_;
    std::vector<Container*> children_;
    std::vector<Tag*> tags_;
    NodeIndex tagNames_;
    std::vector<Tag*> identityTags_;
    std::vector<Tag*> optionalTags_;
    std::vector<Zel::PString> obsoleteNames_;
    std::unordered_set<const void*> obsoleteNameSet_;
    std::vector<Zel::PString> elementNames_;
    SoupHandle tagArray_;
    Container* owner_ = nullptr;
    SoupHandle config_;
    SoupHandle library_;
    bool topLevel_ = false;
    std::vector<ContainerValidator> validators_;
    std::vector<SoupHandle> validatorArguments_;
    std::vector<Zel::PString> ancestors_;
    MeshData* meshData_ = nullptr;
    std::unique_ptr<SoupHandle> extensions_;
    std::unique_ptr<ValidationState> state_;
};

}  // namespace DODLib
