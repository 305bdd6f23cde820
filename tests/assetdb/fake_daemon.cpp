// FakeDaemon: the ownership block, an accept loop and scripted connections.
#include "assetdb/fake_daemon.h"

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

FakeDaemonConnection::~FakeDaemonConnection()
{
    Close();
}

bool FakeDaemonConnection::ReadExact(void* buffer, size_t count)
{
    auto* cursor = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        ssize_t got = ::recv(fd, cursor, count, 0);
        if (got <= 0)
            return false;
        cursor += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

bool FakeDaemonConnection::ReadHandshake(int32_t& clientFlag, std::string& databasePath)
{
    int32_t header[5];
    if (!ReadExact(header, sizeof header))
        return false;
    clientFlag = header[3];
    if (header[4] < 0 || header[4] > 4096)
        return false;
    databasePath.resize(header[4]);
    return ReadExact(databasePath.data(), databasePath.size());
}

void FakeDaemonConnection::SendHandshakeReply(int32_t code)
{
    KADBytes reply;
    KADAppendInt32(reply, code);
    KADAppendInt32(reply, 330);
    KADAppendInt32(reply, 44088);
    Send(reply);
}

bool FakeDaemonConnection::ReadRequest(int32_t& code, int32_t& transactionId, KADBytes& payload)
{
    if (!ReadExact(&code, 4))
        return false;
    if (code == 1) {
        closingWord = true;
        return false;
    }
    int32_t length = 0;
    if (!ReadExact(&transactionId, 4) || !ReadExact(&length, 4) || length < 0)
        return false;
    payload.resize(length);
    return ReadExact(payload.data(), payload.size());
}

void FakeDaemonConnection::Send(const KADBytes& bytes)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void FakeDaemonConnection::SendInt32(int32_t value)
{
    KADBytes bytes;
    KADAppendInt32(bytes, value);
    Send(bytes);
}

void FakeDaemonConnection::WaitForClose()
{
    uint8_t byte;
    while (::recv(fd, &byte, 1, 0) > 0) {}
}

void FakeDaemonConnection::Close()
{
    if (fd < 0)
        return;
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    fd = -1;
}

FakeDaemon::FakeDaemon(const std::string& databasePath, std::vector<FakeDaemonScript> connectionScripts)
    : port(listener.port), scripts(std::move(connectionScripts))
{
    KADIpcNameSet names;
    KADIpcNames(databasePath, names);
    blockName = names.mutexName + "-ipc2";
    Platform::SharedBlock block;
    block.Open(blockName, KADIpcBlockView::Size, true);
    KADIpcBlockView view(block.Data());
    // Owned and kept by a live process that is not the client's.
    view.Initialise(getppid());
    view.SetOwner(getppid());
    view.SetPort(port);
    thread = std::thread([this] { Serve(); });
}

FakeDaemon::~FakeDaemon()
{
    stopping = true;
    ::shutdown(listener.fd, SHUT_RDWR);
    thread.join();
    Platform::SharedBlock::Remove(blockName);
}

std::vector<std::pair<int32_t, int32_t>> FakeDaemon::Requests() const
{
    std::lock_guard<std::mutex> guard(requestsLock);
    return requests;
}

void FakeDaemon::RecordRequest(int32_t code, int32_t transactionId)
{
    std::lock_guard<std::mutex> guard(requestsLock);
    requests.emplace_back(code, transactionId);
}

void FakeDaemon::Serve()
{
    while (!stopping) {
        pollfd waiting{listener.fd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        int fd = listener.Accept();
        if (fd < 0)
            continue;
        int index = connections.fetch_add(1);
        FakeDaemonConnection connection(fd);
        const FakeDaemonScript& script = scripts[std::min<size_t>(index, scripts.size() - 1)];
        script(connection);
        if (connection.SawClosingWord())
            NoteClosingWord();
    }
}

void ServeEmptyReplies(FakeDaemon& daemon, FakeDaemonConnection& connection)
{
    if (!connection.AcceptHandshake())
        return;
    int32_t code, id;
    KADBytes payload;
    while (connection.ReadRequest(code, id, payload)) {
        daemon.RecordRequest(code, id);
        connection.Send(KADEncodeReply(id, nullptr, 0));
    }
}

bool FakeDaemonConnection::AcceptHandshake()
{
    int32_t flag;
    std::string path;
    if (!ReadHandshake(flag, path))
        return false;
    SendHandshakeReply();
    return true;
}
