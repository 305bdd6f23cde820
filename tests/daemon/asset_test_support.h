// Asset-store tests: a daemon in a temporary installation, request builders and reply readers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "daemon_test_support.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "support/file_text.h"

using KorvelTest::BytesOfBuffer;

// A reply's bytes, rewound for reading.
class ReplyBuffer : public TBuffer {
public:
    explicit ReplyBuffer(const KADBytes& bytes);
};
// The payload of a request that names one asset, plus optional words.
KADBytes KuidPayload(const KUID& id, std::initializer_list<std::int32_t> words = {});
// One Str (uint32 length + bytes) and one int32.
KADBytes TextAndWord(const std::string& text, std::int32_t word);
// Writes a small asset folder: config.txt with the tags given (name, value
// pairs written as text soup lines) and the files (relative name, bytes).
void WriteAssetFolder(const std::string& folder, const std::string& configText,
                      const std::vector<std::pair<std::string, std::string>>& files);
using KorvelTest::ReadFileText;
using KorvelTest::WriteFileText;
// Commit flag: commit texture sources as they are, without a command host.
constexpr std::int32_t CommitKeepTextures = 8;

// Lines of the type-3 notes among the messages: (kind, text).
std::vector<std::pair<std::int32_t, std::string>> ResultLinesOf(const std::vector<KADTestMessage>& notes);

// The info record's fields the tests look at.
struct AssetInfo {
    KUID id;
    std::string name;
    std::string categoryWithTags;
    std::uint8_t status0 = 0;
    std::uint8_t status1 = 0;
    std::int32_t authorId = 0;
    std::string authorName;
    std::string storeName;
    std::string category;
    std::int32_t rating = 0;
    bool found = false;
};

class AssetStoreTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Starts the daemon (optionally with a kaddaemon.cfg) and connects.
    void Start(const std::string& configText = std::string());
    // Stops the daemon in order (CloseDaemon) and waits for it.
    void Stop();
    // After a crash: the daemon's exit code, then a fresh start.
    void Restart();
    KADBytes Call(KADRequestCode code, const KADBytes& payload, std::vector<KADTestMessage>* notes = nullptr);

    AssetInfo Info(const KUID& id);
    // InstallFolder: the KUID installed (null on failure) and the lines.
    KUID InstallFolder(const std::string& folder, std::vector<std::pair<std::int32_t, std::string>>* lines = nullptr);
    // GetAssetConfigPath: the folder of the asset.
    std::string FolderOf(const KUID& id);
    // OpenAsset: handle words and folder; (-1, -1) on failure.
    struct Opened {
        std::int32_t slot = -1;
        std::int32_t nonce = -1;
        std::string storeName;
        std::string folder;
    };
    Opened Open(const KUID& id, bool writable);
    KADBytes HandlePayload(const Opened& opened, std::initializer_list<std::int32_t> words = {});
    std::vector<KUID> Search(const KADBytes& filter);
    std::string UserData() const { return installation.Root() + "/UserData"; }
    // A scratch folder outside the user-data tree.
    std::string Scratch() const { return installation.Root() + "/scratch"; }

    KADTestInstallation installation;
    KADTestClient client;
    pid_t daemon = -1;
};
