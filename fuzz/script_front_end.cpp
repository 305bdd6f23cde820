// Fuzz target: scanner, parser and semantic checks on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"

namespace {

// Includes never reach the file system: every include is "not found".
class NoFiles : public GSCompiler::SourceReader {
public:
    bool Read(const std::string&, const std::string&, std::string*) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    NoFiles reader;
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    front.SetReader(&reader);
    front.CheckText("fuzz.gs", text, &log);
    return 0;
}
