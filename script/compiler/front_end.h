// The front end of one compilation: load, parse, includes, semantic pass.
#pragma once

#include <memory>
#include <string>
#include <vector>

class GSCompileLog;

namespace GSCompiler {

struct GSCompileUnit;
class GSSymbolTable;

// Reads a source by name from the include folders. The driver supplies its
// own (files in containers, protected sources); the default reads plain files.
class SourceReader {
 public:
  virtual ~SourceReader() = default;
  // True with the text when `folder` + `name` exists and loads.
  virtual bool Read(const std::string& folder, const std::string& name, std::string* text) = 0;
};

class FrontEnd {
 public:
  FrontEnd();
  ~FrontEnd();
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  // Folders searched after the main file's own folder, in the order given.
  void AddIncludeDir(const std::string& folder);
  void SetReader(SourceReader* reader) { reader_ = reader; }

  // Scans and parses one text as the main unit; the parse result (0, 1, 2).
  int ParseOnly(const char* name, const std::string& text, GSCompileLog* log);
  // Runs the whole front end on a main file: loads and parses it, compiles
  // its includes as dependency units (declarations only), then checks it.
  // The error count (a file that fails to load or parse counts 1).
  int CheckFile(const char* path, GSCompileLog* log);
  // The same on a text held in memory, named `name` in the messages.
  int CheckText(const char* name, const std::string& text, GSCompileLog* log);

  GSCompileUnit& MainUnit();
  GSSymbolTable& Context();

 private:
  int CompileUnit(const std::string& name, const std::string* text, GSCompileUnit* unit, bool mainFile);
  int LoadAndParse(const std::string& name, const std::string* text, GSCompileUnit* unit);

  std::unique_ptr<GSSymbolTable> context_;
  std::vector<std::string> folders_;
  SourceReader* reader_ = nullptr;
  GSCompileLog* log_ = nullptr;
};

}  // namespace GSCompiler
