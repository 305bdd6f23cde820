/* The native interface as a plug-in sees it: opaque counted objects and the table of functions that make and read them. */
#ifndef KORVEL_NATIVE_PLUGIN_INTERFACE_H
#define KORVEL_NATIVE_PLUGIN_INTERFACE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every object carries a reference count; whoever receives an object from a
   function of the table owns one reference and gives it back with Release. */
typedef struct KNIObject KNIObject;

enum { KNIClassContext = 1, KNIClassString = 2, KNIClassArray = 3, KNIClassLibrary = 4 };

typedef struct KNIInterface KNIInterface;

/* A function a plug-in offers: it borrows the argument array (null when the
   caller gave none) and returns a new reference, or null for no result. */
typedef KNIObject* (*KNILibraryFunction)(const KNIInterface* kni, KNIObject* arguments, void* user);

typedef struct KNIFunction {
    const char* name;
    KNILibraryFunction function;
} KNIFunction;

/* Grows only at its end: a plug-in checks size before using a later member. */
struct KNIInterface {
    uint32_t size;
    KNIObject* (*AllocString)(const char* text);
    KNIObject* (*AllocArray)(int32_t count);
    /* Takes a reference of its own to the element; null empties the slot. */
    void (*SetArrayElement)(KNIObject* array, int32_t index, KNIObject* element);
    int32_t (*GetArrayCount)(const KNIObject* array);
    /* Borrowed: no reference is added. */
    KNIObject* (*GetArrayElement)(const KNIObject* array, int32_t index);
    int32_t (*GetObjectClass)(const KNIObject* object);
    /* Valid while the string lives; null for anything but a string. */
    const char* (*GetStringText)(const KNIObject* object);
    void (*Release)(KNIObject* object);
    /* The library a plug-in's entry point returns: its functions by name.
       The table and the names must live as long as the plug-in is loaded. */
    KNIObject* (*AllocLibrary)(const KNIFunction* functions, int32_t count, void* user);
};

/* The one export a plug-in must have ("KNIEntryPoint"): given the host's
   table and the script context's native-interface context, it returns its
   library (a new reference), or null when it cannot start. */
typedef KNIObject* (*KNIEntryPointFunction)(const KNIInterface* kni, KNIObject* context);

#ifdef __cplusplus
}
#endif

#endif
