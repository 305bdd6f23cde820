// Test helpers: a temporary folder tree removed at the end of each test, and a
// fixture holding one.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/file_text.h"

namespace KorvelTest {

// The folder the system keeps temporary files in: $TMPDIR when it is set.
inline std::string SystemTempParent()
{
    const char* set = std::getenv("TMPDIR");
    return set != nullptr && *set != '\0' ? set : "/tmp";
}

// A fresh folder "<parent>/<prefix>-XXXXXX", removed with its content (links
// removed, never followed) when the object goes. A static one lives as long
// as the test binary; only the process that made the folder removes it, so a
// forked child that exits never takes it from its parent.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "korveltest", const std::string& parent = "/tmp")
    {
        std::string pattern = parent + "/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            root_ = pattern;
    }
    ~TempFolder()
    {
        if (root_.empty() || getpid() != maker_)
            return;
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& Root() const { return root_; }
    std::string operator/(const std::string& relative) const { return root_ + "/" + relative; }

    void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(*this / relative); }
    void MakeFile(const std::string& relative, const std::string& content = "") const
    {
        WriteFileText(*this / relative, content);
    }
    std::string ReadFile(const std::string& relative) const { return ReadFileText(*this / relative); }
    // True for any entry, a dangling symbolic link too.
    bool Has(const std::string& relative) const
    {
        std::error_code ignored;
        return std::filesystem::symlink_status(*this / relative, ignored).type() !=
               std::filesystem::file_type::not_found;
    }

private:
    std::string root_;
    pid_t maker_ = getpid();
};

// A fixture whose every test starts in a fresh, empty folder_.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.Root().empty()) << "cannot make a temporary folder"; }

    TempFolder folder_;
};

}  // namespace KorvelTest
