// GSSourceFile: one DudoRazuzu source in memory, read and written as plain
// text (.gs) or as a protected source (.gse: compressed and scrambled).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zel/file.h"
#include "zel/path.h"
#include "zel/pstring.h"

// Protected file: u32 header word, u32 0, u32 payload length n, u32 0, then
// n payload bytes. The payload, once descrambled, is u32 text length L and
// the text's LZSS stream at level 9. Every field is little-endian.
class GSSourceFile {
public:
    static constexpr uint32_t kHeaderSize = 16;
    static constexpr uint32_t kMaxPayloadLength = 0x2000000;
    static constexpr uint32_t kMaxTextLength = 0x4000000;
    static constexpr int kCompressionLevel = 9;

    // Process-wide one-shot prefix: the next plain load or unprotect, by any
    // source file, puts it in front of the text and empties it. Callers hold
    // ScriptToolchainLock while they set it and load.
    static Zel::PString LoadPrefix;

    GSSourceFile();
    ~GSSourceFile();
    GSSourceFile(const GSSourceFile&) = delete;
    GSSourceFile& operator=(const GSSourceFile&) = delete;

    // The extension decides the form: "gs" plain, "gse" protected; any other
    // extension, or a file that does not exist, gives false without reading.
    // A null or empty container means the plain file system.
    bool Load(const char* container, const char* path);
    // Writes the current text in the form the extension names (converting in
    // memory first). The file is replaced whole or not at all.
    bool Save(const char* container, const char* path);

    // Plain text to protected payload; true when already protected.
    bool Protect();
    // Protected payload to plain text; true when already plain. A payload
    // that does not decode to exactly its stated length clears the file.
    bool Unprotect();

    // Frees the data; header word 0, both paths empty.
    void Clear();
    // Clear, then the state of a new object (header word 1, no prefix).
    void Reset();

    // The plain text (unprotecting first), followed by a zero byte that
    // Length() does not count; null when unprotecting fails.
    const char* Text();
    // The plain text's length (unprotecting protected data first); 0 on failure.
    uint32_t TextLength();

    bool IsProtected() const { return protected_; }
    uint32_t HeaderWord() const { return headerWord_; }
    uint32_t Length() const { return length_; }
    // Bytes of the one-shot prefix in front of the text at the last load.
    uint32_t PrefixLength() const { return prefixLength_; }
    const Zel::File::Path& LoadPath() const { return loadPath_; }
    const Zel::File::Path& SavePath() const { return savePath_; }

    // Replaces the content with a plain text held in memory.
    void SetText(const void* text, uint32_t length);

    // XORs bytes in place with the fixed 32-byte table, byte i of the payload
    // with table byte i % 32; the same call scrambles and descrambles.
    static void Scramble(uint8_t* payload, size_t length);

private:
    bool LoadPlain();
    bool LoadProtected();
    bool SaveProtected();
    bool SavePlain();
    // Empties the one-shot prefix once a load has used it.
    static void TakePrefix();
    const char* Container() const { return container_.empty() ? nullptr : container_.c_str(); }

    Zel::File::Path loadPath_;
    Zel::File::Path savePath_;
    std::string container_;
    std::unique_ptr<uint8_t[]> data_;
    bool protected_ = false;
    uint32_t headerWord_ = 1;
    uint32_t length_ = 0;
    uint32_t textLength_ = 0;
    uint32_t prefixLength_ = 0;
};
