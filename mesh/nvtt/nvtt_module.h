// The plain-C boundary of the texture compression module: a job, the callbacks that take its output, and the one entry point.
#pragma once

// NVIDIA Texture Tools pulls in a dozen shared libraries that cost every
// process start, so it lives in a module opened only when a texture is
// compressed. Nothing C++ crosses this boundary: no exceptions, no standard
// library objects, so the module and the programs may each carry their own
// C++ runtime.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Raised whenever the job or sink layout changes; the caller refuses a
// module of another version.
#define KORVEL_NVTT_MODULE_VERSION 1
#define KORVEL_NVTT_MODULE_FILE "libkorvel_nvtt.so"
#define KORVEL_NVTT_ENTRY_POINT "KorvelNvttCompress"
#define KORVEL_NVTT_VERSION_POINT "KorvelNvttModuleVersion"

enum KorvelNvttFormat {
    KorvelNvttFormatRGBA = 0,
    KorvelNvttFormatDXT1 = 1,
    KorvelNvttFormatDXT1a = 2,
    KorvelNvttFormatDXT3 = 3,
    KorvelNvttFormatDXT5 = 4,
};

struct KorvelNvttJob {
    // B, G, R, A bytes, width * height pixels; given to the library only
    // when layout is non-zero (without it the library throws).
    const uint8_t* bgra;
    int32_t width;
    int32_t height;
    int32_t layout;
    int32_t format;  // KorvelNvttFormat
    int32_t wrap;
    int32_t normalMap;
    int32_t mipmaps;
    int32_t enableCuda;
};

// Called from inside the library while it runs. beginImage and writeData
// return non-zero to go on; the library ignores a refusal, so the sink keeps
// its own record of it.
struct KorvelNvttSink {
    void* context;
    void (*beginImage)(void* context, int32_t size, int32_t width, int32_t height);
    int32_t (*writeData)(void* context, const void* data, int32_t size);
    void (*error)(void* context, const char* text);
};

enum KorvelNvttResult {
    KorvelNvttProcessed = 0,
    KorvelNvttFailed = 1,  // the library reported failure (the sink's error saw why)
    KorvelNvttThrew = 2,   // the library threw; message holds the text
};

typedef int32_t (*KorvelNvttCompressFunction)(const struct KorvelNvttJob* job, const struct KorvelNvttSink* sink,
                                              char* message, size_t messageSize);
typedef int32_t (*KorvelNvttVersionFunction)(void);

#ifdef __cplusplus
}
#endif
