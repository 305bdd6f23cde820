// Native-interface plug-ins loaded from the installation's bin/plugins: a working one, missing ones and broken ones; the shim's counted objects.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "script_host_test_root.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_plugin.h"

namespace {

// The result of the named function as text: "null" for none, "class N" for
// anything but a string.
std::string Call(KNIObject* library, const char* function, KNIObject* arguments)
{
    KNIObject* name = KNIAllocString(function);
    KNIObject* result = KNICallLibraryFunction(library, name, arguments);
    KNIRelease(name);
    std::string text = result == nullptr ? "null"
                       : KNIGetObjectClass(result) == KNIClassString
                           ? KNIGetStringText(result)
                           : "class " + std::to_string(KNIGetObjectClass(result));
    KNIRelease(result);
    return text;
}

class NativePlugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstallTestPlugins());
        liveBefore = KNILiveObjects();
    }
    void TearDown() override { EXPECT_EQ(KNILiveObjects(), liveBefore); }

    int64_t liveBefore = 0;
};

TEST_F(NativePlugin, AWorkingPlugInStartsOnceAndAnswersByName)
{
    KorvelScriptContext context;
    std::string why;
    KNIObject* library = LoadNativePlugin(&context, "kni_test_plugin", &why);
    ASSERT_NE(library, nullptr) << why;
    EXPECT_EQ(KNIGetObjectClass(library), KNIClassLibrary);
    // The loader may keep the code (and its count) between loads: each load
    // adds exactly one Init.
    const int initsBefore = std::stoi(Call(library, "InitCount", nullptr));
    KNIObject* again = LoadNativePlugin(&context, "kni_test_plugin", &why);
    ASSERT_NE(again, nullptr) << why;
    EXPECT_EQ(std::stoi(Call(again, "InitCount", nullptr)), initsBefore + 1);
    KNIRelease(again);
    EXPECT_GE(initsBefore, 1);

    KNIObject* arguments = KNIAllocArray(3);
    for (int32_t i : {0, 2}) {
        KNIObject* text = KNIAllocString(i == 0 ? "alpha" : "");
        KNISetArrayElement(arguments, i, text);
        KNIRelease(text);
    }
    const struct {
        const char* function;
        KNIObject* arguments;
        std::string expected;
    } Cases[] = {
        {"Join", arguments, "alpha|(null)|"}, {"Join", nullptr, "(none)"},           {"Nothing", arguments, "null"},
        {"AnArray", nullptr, "class 3"},      {"NoSuchFunction", arguments, "null"}, {"join", arguments, "null"},
    };
    for (const auto& row : Cases)
        EXPECT_EQ(Call(library, row.function, row.arguments), row.expected) << row.function;
    KNIRelease(arguments);
    KNIRelease(library);
}

// Whether the dynamic loader holds the plug-in file now.
bool PlugInIsLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

// A library that the plug-in's code makes later calls into that code as the
// first does: whichever goes last, the code stays loaded while either lives.
TEST_F(NativePlugin, EveryLibraryOfAPlugInKeepsItsCodeLoaded)
{
    const std::string path = ScriptHostTestRoot() + "/bin/plugins/kni_test_plugin.so";
    KNIObject* arguments = KNIAllocArray(1);
    KNIObject* text = KNIAllocString("still here");
    KNISetArrayElement(arguments, 0, text);
    KNIRelease(text);
    for (bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "first released first" : "second released first");
        KorvelScriptContext context;
        std::string why;
        KNIObject* first = LoadNativePlugin(&context, "kni_test_plugin", &why);
        ASSERT_NE(first, nullptr) << why;
        KNIObject* name = KNIAllocString("AnotherLibrary");
        KNIObject* second = KNICallLibraryFunction(first, name, nullptr);
        KNIRelease(name);
        ASSERT_EQ(KNIGetObjectClass(second), KNIClassLibrary);
        KNIObject* gone = firstGoesFirst ? first : second;
        KNIObject* kept = firstGoesFirst ? second : first;
        KNIRelease(gone);
        ASSERT_TRUE(PlugInIsLoaded(path));
        EXPECT_EQ(Call(kept, "Join", arguments), "still here");
        KNIRelease(kept);
        EXPECT_FALSE(PlugInIsLoaded(path));
    }
    KNIRelease(arguments);
}

TEST_F(NativePlugin, PlugInsThatCannotStartGiveNullAndSayWhy)
{
    KorvelScriptContext context;
    const struct {
        const char* name;
        const char* reason;
    } Cases[] = {
        {"no_such_plugin", "no_such_plugin.so"},
        {"kni_test_plugin_no_entry", "has no KNIEntryPoint"},
        {"kni_test_plugin_null_entry", "KNIEntryPoint gave no library"},
        // Names from configs stay inside the plug-in folder.
        {"../plugins/kni_test_plugin", "is not a plug-in name"},
        {"", "is not a plug-in name"},
    };
    for (const auto& row : Cases) {
        std::string why;
        EXPECT_EQ(LoadNativePlugin(&context, row.name, &why), nullptr) << row.name;
        EXPECT_NE(why.find(row.reason), std::string::npos) << row.name << ": " << why;
    }
}

TEST_F(NativePlugin, ArraysHoldTheirOwnReferences)
{
    KNIObject* array = KNIAllocArray(2);
    KNIObject* text = KNIAllocString("kept");
    KNISetArrayElement(array, 0, text);
    KNISetArrayElement(array, 5, text);
    KNISetArrayElement(array, -1, text);
    KNIRelease(text);
    EXPECT_STREQ(KNIGetStringText(KNIGetArrayElement(array, 0)), "kept");
    EXPECT_EQ(KNIGetArrayElement(array, 1), nullptr);
    EXPECT_EQ(KNIGetArrayElement(array, 2), nullptr);
    EXPECT_EQ(KNIGetArrayCount(array), 2);
    KNISetArrayElement(array, 0, nullptr);
    EXPECT_EQ(KNIGetArrayElement(array, 0), nullptr);
    EXPECT_EQ(KNIAllocArray(-1), nullptr);
    EXPECT_EQ(KNIGetStringText(array), nullptr);
    EXPECT_EQ(KNIGetObjectClass(nullptr), 0);
    KNIRelease(array);
    KNIRelease(nullptr);
}

TEST_F(NativePlugin, CountedBlocksKeepTheTotal)
{
    const int64_t before = KNICountedBytes();
    void* small = KNIAllocCounted(10);
    void* empty = KNIAllocCounted(0);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(KNICountedBytes(), before + 10);
    EXPECT_EQ(KNIAllocCounted(UINT32_MAX), nullptr);
    KNIFreeCounted(small);
    KNIFreeCounted(empty);
    KNIFreeCounted(nullptr);
    EXPECT_EQ(KNICountedBytes(), before);
}

}  // namespace
