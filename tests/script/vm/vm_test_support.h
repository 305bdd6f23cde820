// Helpers of the script machine tests: sources compiled into libraries in a
// temporary folder, the script log captured, and a fixture that starts each
// test with a fresh machine and ends it with nothing left alive.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"
#include "script/vm/tracked_pool.h"
#include "support/script_log_lines.h"
#include "support/temp_folder.h"

namespace vm_test {

// Every line the script runtime logs while it lives.
class LogCapture {
public:
    LogCapture() : previous_(GSLogCallback.load())
    {
        Lines().clear();
        GSLogCallback.store(ScriptLogLines::Keep);
    }
    ~LogCapture() { GSLogCallback.store(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& Taken() const { return Lines(); }
    void Clear() { Lines().clear(); }
    bool Contains(const std::string& line) const
    {
        for (const std::string& taken : Lines()) {
            if (taken == line)
                return true;
        }
        return false;
    }

private:
    static std::vector<std::string>& Lines() { return ScriptLogLines::Lines(); }

    ScriptLogFunction previous_;
};

// Instances, "#GSContext" bytes and pool slots still alive.
inline int64_t LiveCount()
{
    return GSRuntime::LiveScriptInstances() + GSRuntime::GSHeap::Context().LiveBytes() +
           GSRuntime::GSTrackedPool::LiveSlots();
}

struct Library {
    std::string file;  // file name in the folder
    uint32_t sourceCrc = 0;
    uint32_t fileNameCrc = 0;
};

// Sources written to a temporary folder and compiled there; the core
// library's sources are searched after the folder.
class ScriptFolder {
public:
    const KorvelTest::TempFolder& Tree() const { return tree_; }
    std::string Root() const { return tree_.Root(); }

    // Writes `name` (a ".gs" file) and compiles it to its ".gsl"; the compile
    // log goes to the test's failure message.
    bool Compile(const std::string& name, const std::string& source)
    {
        tree_.MakeFile(name, source);
        return CompileExisting(name);
    }
    bool CompileExisting(const std::string& name)
    {
        GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
        GSCompiler::ClearIncludeDirs(dirs);
        dirs.push_back(GSCIncludeDir(Zel::File::Path(KORVEL_CORE_SCRIPTS_DIR), Zel::PString()));
        dirs.push_back(GSCIncludeDir(Zel::File::Path(tree_.Root().c_str()), Zel::PString()));
        GSCompileLog log;
        const std::string output = tree_ / (name.substr(0, name.rfind('.')) + ".gsl");
        const int errors = GSCompiler::CompileToFile(&log, name.c_str(), output.c_str());
        GSCompiler::ClearIncludeDirs(dirs);
        for (uint32_t i = 0; i < log.LineCount(); ++i)
            ADD_FAILURE() << name << ": " << log.Line(i);
        return errors == 0;
    }
    // The core library "gs.gs", compiled into this folder.
    bool CompileCore()
    {
        tree_.MakeFile("gs.gs", ReadText(std::string(KORVEL_CORE_SCRIPTS_DIR) + "/gs.gs"));
        return CompileExisting("gs.gs");
    }
    std::vector<uint8_t> Bytes(const std::string& file) const
    {
        const std::string text = tree_.ReadFile(file);
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    void Write(const std::string& file, const std::vector<uint8_t>& bytes) const
    {
        tree_.MakeFile(file, std::string(bytes.begin(), bytes.end()));
    }
    // Registers a library file of this folder with the machine.
    Library Register(const std::string& file) const
    {
        Library library;
        library.file = file;
        uint64_t id = 0;
        EXPECT_TRUE(GSMachine::Get()->AddLibraryFile("", tree_.Root().c_str(), file.c_str(), &id)) << file;
        library.sourceCrc = static_cast<uint32_t>(id >> 32);
        library.fileNameCrc = static_cast<uint32_t>(id);
        return library;
    }
    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    KorvelTest::TempFolder tree_;
};

inline GSRuntime::GSLibrary* Load(const Library& library, int* result = nullptr)
{
    return GSMachine::Get()->GetLibrary(library.sourceCrc, library.fileNameCrc, result);
}

// A fresh machine for each test; at its end every instance, context byte
// and pool slot must be gone.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { GSMachine::Get()->Init(); }
    void TearDown() override
    {
        GSMachine::Get()->Clear();
        EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
        EXPECT_EQ(GSRuntime::GSHeap::Context().LiveBytes(), 0);
        EXPECT_EQ(GSRuntime::GSTrackedPool::LiveSlots(), 0);
    }
};

}  // namespace vm_test

namespace vm_test {

// Replaces the pool string `from` (a whole string, with its NUL) by `to` of
// the same length; false when the image holds no such string.
inline bool PatchString(std::vector<uint8_t>* image, const std::string& from, const std::string& to)
{
    if (from.size() != to.size())
        return false;
    const std::string needle = std::string(1, '\0') + from + std::string(1, '\0');
    const std::string text(image->begin(), image->end());
    const size_t at = text.find(needle);
    if (at == std::string::npos)
        return false;
    std::copy(to.begin(), to.end(), image->begin() + static_cast<std::ptrdiff_t>(at + 1));
    return true;
}

inline uint32_t ReadU32(const std::vector<uint8_t>& image, size_t at)
{
    return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
           uint32_t(image[at + 3]) << 24;
}

inline void WriteU32(std::vector<uint8_t>* image, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        (*image)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Image positions of the sections: [0] is section 2, then 3, 4, 5, 6.
inline std::vector<size_t> SectionStarts(const std::vector<uint8_t>& image)
{
    std::vector<size_t> starts;
    size_t at = 24 + ReadU32(image, 20);
    for (int i = 0; i < 5 && at + 12 <= image.size(); ++i) {
        starts.push_back(at);
        at += ReadU32(image, at);
    }
    return starts;
}

}  // namespace vm_test
