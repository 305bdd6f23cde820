// Test helper: a temporary folder tree removed at the end of each test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempTree {
 public:
  TempTree() {
    char pattern[] = "/tmp/zeltest-XXXXXX";
    root_ = mkdtemp(pattern);
  }
  ~TempTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  const std::string& Root() const { return root_; }
  std::string operator/(const std::string& relative) const { return root_ + "/" + relative; }

  void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(*this / relative); }
  void MakeFile(const std::string& relative, const std::string& content = "") const {
    std::filesystem::create_directories(std::filesystem::path(*this / relative).parent_path());
    std::ofstream(*this / relative, std::ios::binary) << content;
  }
  std::string ReadFile(const std::string& relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  bool Has(const std::string& relative) const {
    std::error_code ignored;
    return std::filesystem::symlink_status(*this / relative, ignored).type() != std::filesystem::file_type::not_found;
  }

 private:
  std::string root_;
};
