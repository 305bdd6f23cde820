// A native-interface plug-in built for the tests: it joins texts, counts its Init calls, gives non-string results and makes a second library.
// Built three ways: whole, without its entry point (KNI_TEST_NO_ENTRY) and
// with an entry point that refuses to start (KNI_TEST_NULL_ENTRY).
#include <cstdio>
#include <string>

#include "scripthost/native_plugin_interface.h"

namespace {

int initCalls = 0;

KNIObject* Init(const KNIInterface*, KNIObject*, void*)
{
    ++initCalls;
    return nullptr;
}

// Written without std::to_string, whose digit table is a unique symbol that
// would keep this file loaded for good: the tests see it unloaded.
KNIObject* InitCount(const KNIInterface* kni, KNIObject*, void*)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", initCalls);
    return kni->AllocString(text);
}

// The argument texts joined by "|", a null element as "(null)", no
// arguments at all as "(none)".
KNIObject* Join(const KNIInterface* kni, KNIObject* arguments, void*)
{
    if (arguments == nullptr)
        return kni->AllocString("(none)");
    std::string joined;
    for (int32_t i = 0; i < kni->GetArrayCount(arguments); ++i) {
        const char* text = kni->GetStringText(kni->GetArrayElement(arguments, i));
        joined += (i > 0 ? "|" : "") + std::string(text != nullptr ? text : "(null)");
    }
    return kni->AllocString(joined.c_str());
}

KNIObject* Nothing(const KNIInterface*, KNIObject*, void*)
{
    return nullptr;
}

KNIObject* AnArray(const KNIInterface* kni, KNIObject*, void*)
{
    return kni->AllocArray(1);
}

const KNIFunction MoreFunctions[] = {
    {"Join", Join},
};

// A library beyond the one the entry point gives, made by the plug-in's code.
KNIObject* AnotherLibrary(const KNIInterface* kni, KNIObject*, void*)
{
    return kni->AllocLibrary(MoreFunctions, int32_t(sizeof MoreFunctions / sizeof MoreFunctions[0]), nullptr);
}

const KNIFunction Functions[] = {
    {"Init", Init},       {"InitCount", InitCount}, {"Join", Join},
    {"Nothing", Nothing}, {"AnArray", AnArray},     {"AnotherLibrary", AnotherLibrary},
};

}  // namespace

#ifndef KNI_TEST_NO_ENTRY
extern "C" __attribute__((visibility("default"))) KNIObject* KNIEntryPoint(const KNIInterface* kni, KNIObject* context)
{
#ifdef KNI_TEST_NULL_ENTRY
    (void)kni;
    (void)context;
    return nullptr;
#else
    if (kni == nullptr || kni->size < sizeof(KNIInterface) || kni->GetObjectClass(context) != KNIClassContext)
        return nullptr;
    return kni->AllocLibrary(Functions, int32_t(sizeof Functions / sizeof Functions[0]), nullptr);
#endif
}
#else
extern "C" __attribute__((visibility("default"))) int KNIOtherExport()
{
    return int(sizeof Functions);
}
#endif
