// The script API libraries we author against the natives the host registers: every library links, every native binds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/script_log.h"
#include "script_host_test_root.h"
#include "support/script_log_lines.h"
#include "scripthost/native_library_setup.h"

namespace {

std::vector<std::string>& logged = ScriptLogLines::Lines();

TEST(ScriptApiLint, EveryLibraryLinksWithEveryNativeBoundAndEveryClassFound)
{
    ScriptHostTestRoot();
    GSLogCallback = ScriptLogLines::Keep;
    ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
    for (size_t row = 0; row < static_cast<size_t>(NativeScriptClass::Count); ++row)
        EXPECT_NE(GetNativeScriptClass(static_cast<NativeScriptClass>(row)), nullptr)
            << NativeScriptClassName(static_cast<NativeScriptClass>(row));

    int libraries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ScriptHostTestRoot() + "/libraries")) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(GSMachine::Get()->GetLibraryByName(name.c_str()), nullptr) << name;
        ++libraries;
    }
    EXPECT_GE(libraries, 13);
    // Every native of the API, the core library's included, must bind.
    size_t count = 0;
    const NativeClassRegistration* registrations = NativeClassRegistrations(&count);
    for (const std::string& line : logged)
        EXPECT_EQ(line.find("Could not resolve native link"), std::string::npos) << line;
    GSLogCallback = nullptr;

    // Every registered signature is declared by some library: a native
    // whose declaration drifted would link nothing, silently.
    std::string declared;
    for (const auto& entry : std::filesystem::directory_iterator(ScriptHostTestRoot() + "/libraries")) {
        std::ifstream in(entry.path(), std::ios::binary);
        declared.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (size_t i = 0; i < count; ++i)
        for (const char* const* signature = registrations[i].signatures; *signature != nullptr; ++signature)
            EXPECT_NE(declared.find(*signature), std::string::npos) << *signature;
}

}  // namespace
