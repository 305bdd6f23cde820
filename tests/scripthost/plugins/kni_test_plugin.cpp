// A native-interface plug-in built for the tests: it joins texts, counts its Init calls and gives non-string results.
// Built three ways: whole, without its entry point (KNI_TEST_NO_ENTRY) and
// with an entry point that refuses to start (KNI_TEST_NULL_ENTRY).
#include <string>

#include "scripthost/native_plugin_interface.h"

namespace {

int initCalls = 0;

KNIObject* Init(const KNIInterface*, KNIObject*, void*)
{
    ++initCalls;
    return nullptr;
}

KNIObject* InitCount(const KNIInterface* kni, KNIObject*, void*)
{
    return kni->AllocString(std::to_string(initCalls).c_str());
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

const KNIFunction Functions[] = {
    {"Init", Init}, {"InitCount", InitCount}, {"Join", Join}, {"Nothing", Nothing}, {"AnArray", AnArray},
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
