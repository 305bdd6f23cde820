// PemberlynxSpec: construction opens the asset's resource database, destruction leaves the registry.
#include "assetdb/pemberlynx_spec.h"

#include "foundation/base/install_paths.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"
#include "assetdb/spec_daemon_queries.h"

PemberlynxSpec::PemberlynxSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, const SoupHandle& config)
    : assetId_(assetId),
      databaseName_(databaseName),
      parentFolder_(parentFolder),
      assetFolderName_(assetFolderName),
      config_(config)
{
    if (assetId_ == NullKUID)
        flags_ |= FlagNullAssetId;
    if (!databaseName_.IsEmpty())
        database_ = OpenResourceDatabase(databaseName_, GetInstallRoot());
}

PemberlynxSpec::~PemberlynxSpec()
{
    ReleaseResourceDatabase(database_);
    database_ = nullptr;
    if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
        registry->Remove(this);
    DetachAll();
}

void PemberlynxSpec::OnFirstUse()
{
    used_ = 1;
}

bool PemberlynxSpec::IsValid()
{
    return true;
}

void PemberlynxSpec::OnValidated() {}

Zel::File::Path PemberlynxSpec::MakeFilePath(const char* fileName) const
{
    Zel::File::Path path(parentFolder_.c_str());
    path.AddPath(assetFolderName_.c_str());
    if (fileName != nullptr && fileName[0] != '\0')
        path.AddPath(fileName);
    return path;
}

Zel::String PemberlynxSpec::GetDescription() const
{
    std::string text = assetId_.ToTagString().c_str();
    text += " \"";
    text += SpecDaemonAssetName(assetId_).c_str();
    text += '"';
    return Zel::String(text.c_str());
}
