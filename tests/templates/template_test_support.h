// Shared fixture of the template tests: an installation root, the real interface text, a template data folder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/base/app_context.h"
#include "soup/soup_handle.h"
#include "support/temp_folder.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "zel/render_kernel.h"

namespace TemplateTests {

// One finding as the collector holds it.
struct Finding {
    int severity;
    std::string text;
    bool operator==(const Finding& other) const { return severity == other.severity && text == other.text; }
};
std::ostream& operator<<(std::ostream& out, const Finding& finding);

// A temporary installation root (with UserData) whose bin/DODData folder is
// a copy of the shipped template library, or of files a test writes; the
// interface text is the shipped English one. SetUp starts the collector and
// the data manager as start-up does; TearDown shuts them down.
class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the data folder's contents by the given files and restarts
    // the data manager on it.
    void UseTemplateFiles(const std::vector<std::pair<std::string, std::string>>& files);
    void RestartDataManager();

    static void WriteFile(const std::string& path, const std::string& content);
    static std::string ReadFile(const std::string& path);
    static SoupHandle ParseSoup(const std::string& text);
    // Soup text from a compact form: "a{b 1;c \"x\"}" gives the lines a, {,
    // b 1, c "x", }. Templates written in tests stay readable so.
    static std::string SoupText(const std::string& compact);

    // Real mesh files: a quad of two faces ("body.m.onetex", with the given
    // textures and attachment points), and a LOD mesh of levels quads each
    // of that many faces.
    static std::string QuadMesh(const std::vector<std::string>& textures = {},
                                const std::vector<std::string>& attachments = {});
    static std::string LodMesh(int levels, int facesPerLevel = 2);

    // An asset folder under UserData/editing, with its config.txt.
    std::string MakeAsset(const std::string& name, const std::string& config);
    // The two validation phases over an asset folder below editing: the
    // config read against its template, then (when that succeeded) the
    // texture walk, export and container validators. Every finding of
    // severity 2 or 3, in order.
    std::vector<Finding> CheckAsset(const std::string& name);
    // Phase one only, on a config given as text; the container stays for
    // inspection.
    bool ReadConfig(const std::string& config);
    std::vector<Finding> Findings() const;
    std::vector<std::string> TextsOf(int severity) const;
    static std::string Text(const char* key);

    KorvelTest::TempFolder place_{"korvel-templates"};
    const std::string& base_ = place_.Root();
    std::string root_;
    std::string dataFolder_;
    std::unique_ptr<DODLib::Container> container_;
    // The headless render kernel the data manager's meshes load with.
    Zel::RenderKernel meshKernel_{nullptr, 1.0f};
    AppContext meshContext_;
};

}  // namespace TemplateTests
