// A temporary installation with the real daemon in it, and a small client written from the protocol.
#include "daemon_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_protocol.h"
#include "platform/ipc.h"

namespace {

constexpr auto PollStep = std::chrono::milliseconds(20);
// Bounds for waits on a real process; a healthy daemon needs a fraction.
constexpr auto StartBound = std::chrono::seconds(30);
constexpr int ReadBoundSeconds = 30;

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

KADIpcNameSet NamesOf(const std::string& databasePath)
{
    KADIpcNameSet names;
    KADIpcNames(databasePath, names);
    return names;
}

}  // namespace

KADBytes Int32Payload(std::initializer_list<std::int32_t> words)
{
    KADBytes out;
    for (std::int32_t word : words)
        KADAppendInt32(out, word);
    return out;
}

KADTestInstallation::KADTestInstallation()
{
    // Failures show as a daemon that does not start, not as an exception here.
    std::error_code ignored;
    std::filesystem::create_directories(root + "/bin", ignored);
    std::filesystem::copy_file(KAD_DAEMON_EXECUTABLE, root + "/bin/kaddaemon.exe", ignored);
}

KADTestInstallation::~KADTestInstallation()
{
    for (pid_t pid : daemons) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    KADIpcNameSet names = NamesOf(DatabasePath());
    Platform::SharedBlock::Remove(names.blockWindowsName);
    unlink(names.lockPath.c_str());
}

std::string KADTestInstallation::ClientDatabasePath() const
{
    return Lower(root) + "/UserData/assets.tdx";
}

pid_t KADTestInstallation::StartDaemon(const std::vector<std::string>& arguments)
{
    std::string program = root + "/bin/kaddaemon.exe";
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(program.data());
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (chdir((root + "/bin").c_str()) != 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (pid > 0)
        daemons.push_back(pid);
    return pid;
}

int KADTestInstallation::WaitForPort(pid_t pid)
{
    auto deadline = std::chrono::steady_clock::now() + StartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        BlockState state;
        if (ReadBlock(state) && state.owner == pid && state.port != 0 && state.closing == 0)
            return state.port;
        if (!IsRunning(pid))
            return 0;
        std::this_thread::sleep_for(PollStep);
    }
    return 0;
}

bool KADTestInstallation::IsRunning(pid_t pid)
{
    int status = 0;
    pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == 0)
        return true;
    if (result == pid) {
        // Reaped here: remember the exit for WaitForExit.
        exitCodes[pid] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::erase(daemons, pid);
    }
    return false;
}

std::optional<int> KADTestInstallation::WaitForExit(pid_t pid, int seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!IsRunning(pid)) {
            auto found = exitCodes.find(pid);
            if (found == exitCodes.end())
                return std::nullopt;
            return found->second;
        }
        std::this_thread::sleep_for(PollStep);
    }
    return std::nullopt;
}

bool KADTestInstallation::ReadBlock(BlockState& state)
{
    Platform::SharedBlock block;
    if (!block.Open(NamesOf(DatabasePath()).blockWindowsName, KADIpcBlockView::Size, false))
        return false;
    KADIpcBlockView view(block.Data());
    state.keeper = view.Keeper();
    state.owner = view.Owner();
    state.version = view.Version();
    state.closing = view.Closing();
    state.port = view.Port();
    return true;
}

bool KADTestInstallation::IsBlockReleased()
{
    BlockState state;
    return ReadBlock(state) && state.owner == -1 && state.port == 0 && state.closing == 0;
}

void KADTestInstallation::WriteBlock(const BlockState& state)
{
    Platform::SharedBlock block;
    if (!block.Open(NamesOf(DatabasePath()).blockWindowsName, KADIpcBlockView::Size, true))
        return;
    KADIpcBlockView view(block.Data());
    view.Initialise(state.keeper);
    view.SetOwner(state.owner);
    view.SetVersion(state.version);
    view.SetClosing(state.closing);
    view.SetPort(state.port);
}

KADTestClient::~KADTestClient()
{
    Close();
}

void KADTestClient::Close()
{
    if (socket >= 0)
        close(socket);
    socket = -1;
}

bool KADTestClient::Connect(int port)
{
    Close();
    socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    timeval limit{};
    limit.tv_sec = ReadBoundSeconds;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool KADTestClient::SendRaw(const KADBytes& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t count = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

bool KADTestClient::ReadExactly(void* bytes, std::size_t count)
{
    auto* at = static_cast<std::uint8_t*>(bytes);
    std::size_t got = 0;
    while (got < count) {
        ssize_t received = recv(socket, at + got, count - got, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return false;
        got += static_cast<std::size_t>(received);
    }
    return true;
}

bool KADTestClient::Handshake(const std::string& databasePath, std::int32_t clientFlag)
{
    return SendRaw(KADEncodeHandshake(clientFlag, databasePath)) && ReadHandshakeAnswer();
}

bool KADTestClient::ReadHandshakeAnswer()
{
    std::uint8_t answer[12];
    if (!ReadExactly(answer, sizeof answer) || KADLoadInt32(answer) != KADProtocol::DaemonCode)
        return false;
    daemonValue1 = KADLoadInt32(answer + 4);
    daemonValue2 = KADLoadInt32(answer + 8);
    return true;
}

std::int32_t KADTestClient::SendRequest(std::int32_t code, const KADBytes& payload)
{
    std::int32_t id = nextTransactionId++;
    if (!SendRaw(KADEncodeRequest(code, id, payload.data(), payload.size())))
        return 0;
    return id;
}

bool KADTestClient::ReadMessage(KADTestMessage& message)
{
    std::uint8_t header[12];
    if (!ReadExactly(header, sizeof header))
        return false;
    message.tag = KADLoadInt32(header);
    message.word = KADLoadInt32(header + 4);
    std::int32_t length = KADLoadInt32(header + 8);
    if ((message.tag != KADProtocol::ReplyTag && message.tag != KADProtocol::NoteTag) || !KADIsValidFrameLength(length))
        return false;
    message.body.assign(static_cast<std::size_t>(length), 0);
    return length == 0 || ReadExactly(message.body.data(), message.body.size());
}

bool KADTestClient::Call(std::int32_t code, const KADBytes& payload, KADBytes& reply,
                         std::vector<KADTestMessage>* notes)
{
    std::int32_t id = SendRequest(code, payload);
    if (id == 0)
        return false;
    KADTestMessage message;
    while (ReadMessage(message)) {
        if (message.tag == KADProtocol::ReplyTag) {
            if (message.word != id)
                return false;
            reply = message.body;
            return true;
        }
        if (notes != nullptr)
            notes->push_back(message);
    }
    return false;
}

bool KADTestClient::WaitForClose()
{
    std::uint8_t byte = 0;
    for (;;) {
        ssize_t received = recv(socket, &byte, 1, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received == 0)
            return true;
        // A reset also means the daemon dropped us; a time-out does not.
        return received < 0 && (errno == ECONNRESET || errno == EPIPE);
    }
}
