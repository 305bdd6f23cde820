// PemberlynxSpec: the loaded, in-memory form of one asset (id, folder, config, resource database), and its counted reference.
#pragma once

#include <cstdint>
#include <utility>

#include "foundation/containers/safe_pointer.h"
#include "soup/korvel_property.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/path.h"
#include "zel/protected_long.h"
#include "zel/pstring.h"
#include "zel/string.h"

class KorvelResourceDatabase;

class PemberlynxSpec : public IdentifiableType, public SafePointerTarget<PemberlynxSpec> {
public:
    // Flag bits.
    static constexpr uint8_t FlagNullAssetId = 0x01;
    static constexpr uint8_t FlagValid = 0x02;

    // Copies the id (flag bit 0 when it is the null id), takes the strings
    // (null ones stand for empty), shares the config, and opens the resource
    // database of the name (installation root as base) when the name is not
    // empty.
    PemberlynxSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                   const Zel::String& assetFolderName, const SoupHandle& config);
    // Releases the database, leaves every registry structure and nulls every
    // safe pointer to it.
    ~PemberlynxSpec() override;
    PemberlynxSpec(const PemberlynxSpec&) = delete;
    PemberlynxSpec& operator=(const PemberlynxSpec&) = delete;

    // Sets the used byte.
    virtual void OnFirstUse();
    virtual bool IsValid();
    virtual void OnValidated();

    // parent folder / asset folder name [/ file name].
    Zel::File::Path MakeFilePath(const char* fileName = nullptr) const;
    // The tag form of the id, a blank and the daemon's name of the asset in
    // double quotation marks.
    Zel::String GetDescription() const;

    const KUID& GetKUID() const { return assetId_; }
    uint8_t GetFlags() const { return flags_; }
    bool IsNullAsset() const { return (flags_ & FlagNullAssetId) != 0; }
    bool IsValidated() const { return (flags_ & FlagValid) != 0; }
    const Zel::PString& GetDatabaseName() const { return databaseName_; }
    const Zel::String& GetParentFolder() const { return parentFolder_; }
    const Zel::String& GetAssetFolderName() const { return assetFolderName_; }
    const Zel::String& GetFileName() const { return fileName_; }
    KorvelResourceDatabase* GetResourceDatabase() const { return database_; }
    const SoupHandle& GetConfig() const { return config_; }
    const Zel::PString& GetKind() const { return kind_; }
    long GetReferenceCount() const { return referenceCount_.Get(); }
    bool IsFirstUseDone() const { return firstUseDone_ != 0; }
    bool IsUsed() const { return used_ != 0; }

    // Counted references (PemberlynxSpecRef uses these).
    void AddReference() { referenceCount_.Increment(); }
    void ReleaseReference() { referenceCount_.Decrement(); }

protected:
    // The registry's first-use and validation steps set these.
    friend class PemberlynxSpecRegistry;
    friend void ValidateSpec(PemberlynxSpec& spec);
    friend void RunSpecFirstUse(PemberlynxSpec& spec);

    KUID assetId_;
    uint8_t flags_ = 0;
    Zel::PString databaseName_;
    Zel::String parentFolder_;
    Zel::String assetFolderName_;
    // Filled by derived specs (their file name).
    Zel::String fileName_;
    KorvelResourceDatabase* database_ = nullptr;
    SoupHandle config_;
    Zel::ProtectedLong referenceCount_{0};
    uint8_t firstUseDone_ = 0;
    uint8_t used_ = 0;
    uint8_t spare_ = 0;
    // Filled by derived specs (the config's "kind").
    Zel::PString kind_;
};

// A counted reference: taking one adds to the asset spec's count, dropping it
// takes one away. A spec whose count is 0 stays findable until a purge.
class PemberlynxSpecRef {
public:
    PemberlynxSpecRef() = default;
    explicit PemberlynxSpecRef(PemberlynxSpec* spec) : spec_(spec)
    {
        if (spec_ != nullptr)
            spec_->AddReference();
    }
    PemberlynxSpecRef(const PemberlynxSpecRef& other) : PemberlynxSpecRef(other.spec_) {}
    PemberlynxSpecRef(PemberlynxSpecRef&& other) noexcept : spec_(other.spec_) { other.spec_ = nullptr; }
    PemberlynxSpecRef& operator=(const PemberlynxSpecRef& other)
    {
        PemberlynxSpecRef copy(other);
        std::swap(spec_, copy.spec_);
        return *this;
    }
    PemberlynxSpecRef& operator=(PemberlynxSpecRef&& other) noexcept
    {
        std::swap(spec_, other.spec_);
        return *this;
    }
    ~PemberlynxSpecRef() { Release(); }

    void Release()
    {
        if (spec_ != nullptr)
            spec_->ReleaseReference();
        spec_ = nullptr;
    }
    PemberlynxSpec* Get() const { return spec_; }
    PemberlynxSpec* operator->() const { return spec_; }
    explicit operator bool() const { return spec_ != nullptr; }

private:
    PemberlynxSpec* spec_ = nullptr;
};
