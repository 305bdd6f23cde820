// The template tests' fixture.
#include "template_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "assetdb/resource_database.h"
#include "foundation/base/install_paths.h"
#include "interfacetext/interface_text_db.h"
#include "mesh/lm_writer.h"
#include "soup/text_soup.h"
#include "templates/dod_messages.h"

namespace TemplateTests {

std::ostream& operator<<(std::ostream& out, const Finding& finding)
{
    return out << "{" << finding.severity << ", \"" << finding.text << "\"}";
}

void TemplateTest::SetUp()
{
    ASSERT_FALSE(base_.empty());
    root_ = base_ + "/install";
    ASSERT_EQ(mkdir(root_.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root_ + "/bin").c_str(), 0700), 0);
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_.c_str())));
    // Databases stay open after their last use, mounted on the root they
    // were opened under: an earlier test's root must not serve this one.
    PurgeResourceDatabases();
    CreateUserFolders();
    dataFolder_ = root_ + "/bin/DODData/";
    const std::string copy = "cp -r '" KORVEL_SOURCE_DIR "/data/DODData' '" + root_ + "/bin/'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    InterfaceTextDB::SetDataFolder(KORVEL_SOURCE_DIR "/data");
    InterfaceTextDB::MarkNotLoaded();
    DODLib::ErrorHandler::Initialise();
    RestartDataManager();
}

void TemplateTest::TearDown()
{
    container_.reset();
    DODLib::DataManager::Shutdown();
    DODLib::ErrorHandler::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(base_, error);
    ASSERT_FALSE(error) << error.message();
}

void TemplateTest::RestartDataManager()
{
    container_.reset();
    DODLib::DataManager::Shutdown();
    DODLib::DataManager::Initialise(dataFolder_.c_str());
    meshContext_.renderKernel = &meshKernel_;
    DODLib::DataManager::Instance()->InitialiseRenderContext(meshContext_);
}

std::string TemplateTest::QuadMesh(const std::vector<std::string>& textures,
                                   const std::vector<std::string>& attachments)
{
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    for (const std::string& texture : textures)
        file.chunks[0].material.textures.push_back({0, texture, 1.0f});
    file.writeAttachments = !attachments.empty();
    for (const std::string& name : attachments)
        file.attachments.push_back({name});
    return KorvelTest::WriteIm(file);
}

std::string TemplateTest::LodMesh(int levels, int facesPerLevel)
{
    KorvelTest::LmFile file;
    for (int level = 0; level < levels; ++level) {
        KorvelTest::LmLevel quads = KorvelTest::QuadLevel(static_cast<float>(level) * 50.0f);
        KorvelTest::ImGeometry& geometry = quads.chunks[0].geometry;
        for (int face = 2; face < facesPerLevel; face += 2)
            geometry.indices.insert(geometry.indices.end(), {0, 1, 2, 0, 2, 3});
        quads.chunks[0].geometry.indices.resize(static_cast<size_t>(facesPerLevel) * 3);
        file.levels.push_back(quads);
    }
    return KorvelTest::WriteLm(file);
}

void TemplateTest::UseTemplateFiles(const std::vector<std::pair<std::string, std::string>>& files)
{
    // Shut down first: shutdown writes the personal details into the folder.
    container_.reset();
    DODLib::DataManager::Shutdown();
    const std::string command = "rm -rf '" + dataFolder_ + "' && mkdir -p '" + dataFolder_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const auto& [name, text] : files)
        WriteFile(dataFolder_ + name, text);
    RestartDataManager();
}

void TemplateTest::WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string TemplateTest::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

SoupHandle TemplateTest::ParseSoup(const std::string& text)
{
    SoupHandle soup;
    ReadTextSoup(soup, text.data(), text.size(), true);
    return soup;
}

std::string TemplateTest::SoupText(const std::string& compact)
{
    std::string out;
    std::string pending;
    bool quoted = false;
    auto flush = [&]() {
        const size_t first = pending.find_first_not_of(" \t\n");
        if (first != std::string::npos) {
            const size_t last = pending.find_last_not_of(" \t\n");
            out += pending.substr(first, last - first + 1) + "\r\n";
        }
        pending.clear();
    };
    for (char c : compact) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == '{' || c == '}')) {
            flush();
            out += std::string(1, c) + "\r\n";
        } else if (!quoted && (c == ';' || c == '\n')) {
            flush();
        } else {
            pending += c;
        }
    }
    flush();
    return out;
}

std::string TemplateTest::MakeAsset(const std::string& name, const std::string& config)
{
    const std::string folder = root_ + "/UserData/editing/" + name;
    const std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    WriteFile(folder + "/config.txt", config);
    return folder;
}

std::vector<TemplateTests::Finding> TemplateTest::CheckAsset(const std::string& name)
{
    using namespace DODLib;
    DataManager* manager = DataManager::Instance();
    ErrorHandler* errors = ErrorHandler::Instance();
    std::vector<Finding> found;
    auto copy = [&]() {
        for (const ErrorRecord& record : errors->GetRecords()) {
            if (record.severity == SeverityWarning || record.severity == SeverityError)
                found.push_back(Finding{record.severity, record.text.c_str()});
        }
    };
    manager->LoadTemplates();
    manager->SetAsset(Zel::PString("editing"), Zel::File::Path((name + "/").c_str()));
    manager->SetQuickCheck(false);
    manager->SetOutsideEditing(false);
    errors->Clear();
    SoupHandle config;
    const std::string path = root_ + "/UserData/editing/" + name + "/config.txt";
    EXPECT_TRUE(config.LoadFromFile(Zel::PString(), path.c_str()));
    container_ = std::make_unique<Container>();
    const bool read = container_->Validate(config);
    copy();
    if (read && config.CountTags() > 0) {
        errors->Clear();
        const Zel::File::Path folder = manager->GetAssetFullPath();
        const bool textures = container_->CheckTextures(folder, folder);
        SoupHandle out;
        const bool exported = container_->Export(out);
        const bool validated = exported && container_->RunContainerValidators();
        // An error found in this phase fails it even when every step passed.
        bool errorFound = false;
        for (const ErrorRecord& record : errors->GetRecords())
            errorFound = errorFound || record.severity == SeverityError;
        if (!textures || !exported || !validated || errorFound)
            copy();
    }
    container_.reset();
    manager->ReleaseLoadedMeshes();
    manager->SetMeshFailed(false);
    manager->SetSkipAnimation(false);
    return found;
}

bool TemplateTest::ReadConfig(const std::string& config)
{
    DODLib::DataManager::Instance()->LoadTemplates();
    DODLib::ErrorHandler::Instance()->Clear();
    container_ = std::make_unique<DODLib::Container>();
    return container_->Validate(ParseSoup(config));
}

std::vector<Finding> TemplateTest::Findings() const
{
    std::vector<Finding> found;
    for (const DODLib::ErrorRecord& record : DODLib::ErrorHandler::Instance()->GetRecords())
        found.push_back(Finding{record.severity, record.text.c_str()});
    return found;
}

std::vector<std::string> TemplateTest::TextsOf(int severity) const
{
    std::vector<std::string> texts;
    for (const Finding& finding : Findings()) {
        if (finding.severity == severity)
            texts.push_back(finding.text);
    }
    return texts;
}

std::string TemplateTest::Text(const char* key)
{
    return DODLib::FindingFormat(key).c_str();
}

}  // namespace TemplateTests
