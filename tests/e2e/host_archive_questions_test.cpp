// Archive save and install through a host the real daemon starts: the private request asks, the host talks back to the daemon.
#include "e2e/harness/e2e_harness.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "assetdb/kad_command_host_question.h"
#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "foundation/streams/t_buffer.h"
#include "kuid/kuid.h"
#include "platform/ipc.h"
#include "results/results_log.h"
#include "zel/ascii.h"

namespace {

const KUID Lamp(424242, 3201, 0);
const KUID Bench(424242, 3202, 0);

// One connection to the daemon, speaking the link directly (no utility
// sends the private request).
class Link {
public:
    ~Link()
    {
        if (socket_ >= 0)
            close(socket_);
    }

    bool Open(const std::string& root)
    {
        const std::string databasePath = Zel::AsciiLowerCopy(root) + "/UserData/assets.tdx";
        KADIpcNameSet names;
        Platform::SharedBlock block;
        if (!KADIpcNames(databasePath, names) || !block.Open(names.mutexName + "-ipc2", KADIpcBlockView::Size, false))
            return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(KADIpcBlockView(block.Data()).Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // A broken daemon fails the test instead of hanging it.
        timeval limit{120, 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        std::uint8_t answer[12];
        return socket_ >= 0 && ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               Send(KADEncodeHandshake(1, databasePath)) && Receive(answer, sizeof answer) &&
               KADLoadInt32(answer) == KADProtocol::DaemonCode;
    }

    // Sends the request and reads up to its reply; the result lines sent
    // for it before the reply are gathered into `lines`.
    bool Call(KADRequestCode code, const TBuffer& payload, TBuffer& reply, ResultsLog& lines)
    {
        const std::int32_t id = ++lastId_;
        if (!Send(KADEncodeRequest(KADRequestNumber(code), id, payload.Data(),
                                   static_cast<std::size_t>(payload.DataLength()))))
            return false;
        for (;;) {
            std::uint8_t header[12];
            if (!Receive(header, sizeof header))
                return false;
            const std::int32_t tag = KADLoadInt32(header);
            const std::int32_t word = KADLoadInt32(header + 4);
            const std::int32_t length = KADLoadInt32(header + 8);
            if (!KADIsValidFrameLength(length))
                return false;
            std::vector<std::uint8_t> body(static_cast<std::size_t>(length));
            if (length > 0 && !Receive(body.data(), body.size()))
                return false;
            TBuffer read;
            read.WriteBytes(body.data(), static_cast<std::int64_t>(body.size()));
            read.Rewind();
            if (tag == KADProtocol::ReplyTag) {
                reply.Reset();
                reply.WriteBytes(body.data(), static_cast<std::int64_t>(body.size()));
                reply.Rewind();
                return word == id;
            }
            if (word == static_cast<std::int32_t>(KADNoteType::ResultLines) &&
                read.ReadUInt32(0) == static_cast<std::uint32_t>(id))
                lines.ReadFrom(read);
        }
    }

private:
    bool Send(const KADBytes& bytes) const
    {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    bool Receive(void* bytes, std::size_t count) const
    {
        return ::recv(socket_, bytes, count, MSG_WAITALL) == static_cast<ssize_t>(count);
    }

    int socket_ = -1;
    std::int32_t lastId_ = 0;
};

void WriteIds(TBuffer& out, const std::vector<KUID>& ids)
{
    out.WriteUInt32(static_cast<std::uint32_t>(ids.size()));
    for (const KUID& id : ids)
        out.WriteKUID(id);
}

std::vector<KUID> ReadIds(TBuffer& in)
{
    std::vector<KUID> ids(std::min<std::uint32_t>(in.ReadUInt32(0), 1000));
    for (KUID& id : ids)
        id = in.ReadKUID();
    return ids;
}

struct Asked {
    bool called = false;
    bool answered = false;
    std::uint32_t tag = 0;
    std::uint32_t result = 0;
    std::vector<KUID> notInstalled;
    // The result lines, by kind and text.
    std::vector<std::pair<std::int32_t, std::string>> lines;

    int ErrorCount() const
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
            return line.first == static_cast<std::int32_t>(ResultsLog::MessageKind::Error);
        }));
    }
};

class HostArchiveQuestions : public ::testing::Test {
protected:
    void Install(const KUID& id, const std::string& name, const std::string& payload)
    {
        const std::string folder = "Incoming/" + name + "/";
        installation.WriteFile(folder + "config.txt",
                               "kuid " + Tag(id) + "\nkind \"scenery\"\nusername \"" + name + "\"\nkorvel-build 3.5\n");
        installation.WriteFile(folder + name + ".im", payload);
        E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf(folder)});
        ASSERT_EQ(run.exitStatus, 0) << run.out;
    }

    static std::string Tag(const KUID& id) { return id.ToTagString().c_str(); }

    std::string Status(const KUID& id) const { return installation.Run({"status", Tag(id)}).out; }

    // The private request once, over a fresh connection.
    Asked Ask(KADCommandHostCommand command, std::uint32_t tag, const std::string& path, const std::vector<KUID>& ids)
    {
        Asked asked;
        // A command first, so that a daemon is running to take the connection.
        installation.Run({"status", Tag(Lamp)});
        Link link;
        if (!link.Open(installation.Root()))
            return asked;
        TBuffer payload;
        payload.WriteInt32(static_cast<std::int32_t>(command));
        payload.WriteUInt32(tag);
        payload.WritePString(Zel::PString(path.c_str()));
        WriteIds(payload, ids);
        TBuffer reply;
        ResultsLog lines;
        asked.called = link.Call(KADRequestCode::TestHostQuestion, payload, reply, lines);
        for (const ResultsLogEntry& line : lines.Lines())
            asked.lines.emplace_back(line.kind, line.text.c_str());
        asked.answered = reply.ReadBool(false);
        asked.tag = reply.ReadUInt32(0);
        asked.result = reply.ReadUInt32(0);
        asked.notInstalled = ReadIds(reply);
        asked.called = asked.called && !reply.HasError();
        return asked;
    }

    E2E::Installation installation;
};

TEST_F(HostArchiveQuestions, AHostSavesAssetsIntoAnArchiveThatAHostInstallsBack)
{
    const std::string lampPayload(3 * 1024 * 1024 + 17, 'L');
    Install(Lamp, "Lamp", lampPayload);
    Install(Bench, "Bench", "bench mesh");
    const std::string archive = installation.PathOf("Transfer/two assets.kat");
    installation.WriteFile("Transfer/.keep", "");

    Asked saved = Ask(KADCommandHostCommand::ArchiveSaveToDisk, 0, archive, {Lamp, Bench});
    ASSERT_TRUE(saved.called);
    ASSERT_TRUE(saved.answered);
    EXPECT_EQ(saved.result, 1u);
    EXPECT_NE(saved.tag, 0u);
    EXPECT_EQ(saved.ErrorCount(), 0);
    // The header as the host wrote it: magic, version, build, length, the tag the daemon chose.
    const std::string bytes = installation.ReadFile("Transfer/two assets.kat");
    ASSERT_GT(bytes.size(), 20u);
    std::uint32_t header[5];
    std::memcpy(header, bytes.data(), sizeof header);
    EXPECT_EQ(header[0], 0x6b617263u);
    EXPECT_EQ(header[1], 1u);
    EXPECT_EQ(header[3], bytes.size());
    EXPECT_EQ(header[4], saved.tag);

    // The lamp is gone; the bench is still installed and is overwritten.
    ASSERT_EQ(installation.Run({"delete", Tag(Lamp)}).exitStatus, 0);
    Asked installed = Ask(KADCommandHostCommand::ArchiveInstall, saved.tag, archive, {Lamp, Bench});
    ASSERT_TRUE(installed.called);
    EXPECT_TRUE(installed.answered);
    EXPECT_EQ(installed.result, 2u);
    EXPECT_TRUE(installed.notInstalled.empty());
    EXPECT_EQ(installed.ErrorCount(), 0);
    for (const KUID& id : {Lamp, Bench}) {
        // Installed and committed: neither is left open for edit.
        const std::string status = Status(id);
        EXPECT_NE(status.find("+ " + Tag(id) + " : "), std::string::npos) << status;
        EXPECT_EQ(status.find(Tag(id) + " : E"), std::string::npos) << status;
    }
    E2E::RunResult edit = installation.Run({"edit", Tag(Lamp)});
    ASSERT_EQ(edit.exitStatus, 0) << edit.out;
    const std::size_t at = edit.out.find(" : /");
    ASSERT_NE(at, std::string::npos) << edit.out;
    const std::string folder = edit.out.substr(at + 3, edit.out.find('\n', at) - at - 3);
    EXPECT_TRUE(installation.ReadFile(folder.substr(installation.Root().size() + 1) + "/Lamp.im") == lampPayload)
        << edit.out;
}

TEST_F(HostArchiveQuestions, FailuresComeBackAsLinesAndNothingPassesForInstalled)
{
    Install(Lamp, "Lamp", "lamp mesh");
    const std::string archive = installation.PathOf("lamp.kat");
    const KUID unknown(424242, 3299, 0);

    // An asset the daemon does not have: the rest is saved, the result says not all.
    Asked partly = Ask(KADCommandHostCommand::ArchiveSaveToDisk, 0, archive, {Lamp, unknown});
    ASSERT_TRUE(partly.called);
    EXPECT_TRUE(partly.answered);
    EXPECT_EQ(partly.result, 0u);
    EXPECT_GT(partly.ErrorCount(), 0);

    Asked saved = Ask(KADCommandHostCommand::ArchiveSaveToDisk, 0, archive, {Lamp});
    ASSERT_TRUE(saved.answered);
    ASSERT_EQ(saved.result, 1u);

    struct Case {
        const char* what;
        KADCommandHostCommand command;
        std::uint32_t tag;
        std::string path;
        bool answered;
    };
    const Case cases[] = {
        {"another archive's tag", KADCommandHostCommand::ArchiveInstall, saved.tag + 1, archive, true},
        {"no such file", KADCommandHostCommand::ArchiveInstall, saved.tag, archive + ".gone", true},
        {"a relative path", KADCommandHostCommand::ArchiveInstall, saved.tag, "lamp.kat", false},
        {"not an archive question", KADCommandHostCommand::Validate, saved.tag, archive, false},
    };
    ASSERT_EQ(installation.Run({"delete", Tag(Lamp)}).exitStatus, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Asked asked = Ask(c.command, c.tag, c.path, {Lamp});
        ASSERT_TRUE(asked.called);
        EXPECT_EQ(asked.answered, c.answered);
        EXPECT_EQ(asked.result, 0u);
        EXPECT_EQ(asked.notInstalled, std::vector<KUID>{Lamp});
        EXPECT_GT(asked.ErrorCount(), 0);
        EXPECT_EQ(installation.Run({"status", Tag(Lamp)}).exitStatus, 255);
    }
}

}  // namespace
