// The command hosts: starting them, their registration, one question each at a time and its answer.
#include "daemon/command_host_manager.h"

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

#include "assetdb/kad_command_host_question.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/daemon_connection.h"
#include "daemon/daemon_paths.h"
#include "platform/process.h"

namespace {

// Connections and children are checked this often while a waiter waits, so
// a host that vanishes is noticed even when nobody signals the change.
constexpr std::chrono::milliseconds PollTime{100};

bool IsOpen(const std::weak_ptr<KADConnection>& connection)
{
    std::shared_ptr<KADConnection> alive = connection.lock();
    return alive && alive->IsOpen();
}

}  // namespace

KADCommandHostManager::KADCommandHostManager() = default;

KADCommandHostManager& KADCommandHostManager::Instance()
{
    // Never destroyed: reaper threads may still report after the daemon's exit begins.
    static KADCommandHostManager* manager = [] {
        auto* made = new KADCommandHostManager();
        KADConnection::AddEndListener([made](const KADConnection& connection) { made->ConnectionEnded(connection); });
        return made;
    }();
    return *manager;
}

void KADCommandHostManager::UseFolders(const KADDaemonPaths& daemonPaths)
{
    std::lock_guard<std::mutex> serial(startLock);
    std::lock_guard<std::mutex> hold(lock);
    paths = daemonPaths;
    log.Open(paths.logPath);
}

void KADCommandHostManager::RegisterHost(const std::shared_ptr<KADConnection>& connection)
{
    auto host = std::make_shared<Host>();
    host->connection = connection;
    host->key = connection.get();
    std::lock_guard<std::mutex> hold(lock);
    // The child started last is the one that registers next.
    host->pid = starting;
    starting = 0;
    hosts.push_back(host);
    changed.notify_all();
}

void KADCommandHostManager::TakeAnswer(const KADConnection* connection, TBuffer& answer)
{
    std::lock_guard<std::mutex> hold(lock);
    for (const auto& host : hosts) {
        if (host->key != connection || !host->busy || host->answered)
            continue;
        host->answer.Reset();
        host->answer.WriteBytes(answer.Data(), answer.DataLength());
        host->answer.Rewind();
        host->answered = true;
        // An answer is word from the host: its silence counts from here.
        host->lastHeard = std::chrono::steady_clock::now();
        changed.notify_all();
        return;
    }
}

void KADCommandHostManager::HostHeard(const KADConnection* connection)
{
    std::lock_guard<std::mutex> hold(lock);
    for (const auto& host : hosts) {
        if (host->key == connection) {
            host->keepsAlive = true;
            host->lastHeard = std::chrono::steady_clock::now();
        }
    }
}

void KADCommandHostManager::SetIdleSilence(std::chrono::steady_clock::duration silence)
{
    std::lock_guard<std::mutex> hold(lock);
    idleSilence = silence;
}

std::chrono::steady_clock::duration KADCommandHostManager::SilenceLeft(const KADConnection* connection)
{
    std::lock_guard<std::mutex> hold(lock);
    for (const auto& host : hosts) {
        if (host->key == connection && !host->busy && host->keepsAlive)
            return idleSilence - (std::chrono::steady_clock::now() - host->lastHeard);
    }
    return std::chrono::steady_clock::duration::max();
}

void KADCommandHostManager::ConnectionEnded(const KADConnection& connection)
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::shared_ptr<Host>> gone;
    for (const auto& host : hosts) {
        if (host->key == &connection && !host->busy)
            gone.push_back(host);
    }
    for (const auto& host : gone)
        Forget(host);
    changed.notify_all();
}

std::size_t KADCommandHostManager::HostCount()
{
    std::lock_guard<std::mutex> hold(lock);
    return hosts.size();
}

std::shared_ptr<KADCommandHostManager::Host> KADCommandHostManager::ClaimIdleHost()
{
    // Hosts whose connection is gone, and idle hosts gone silent, are dropped on the way.
    auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<Host>> gone;
    for (const auto& host : hosts) {
        bool silent = !host->busy && host->keepsAlive && now - host->lastHeard > idleSilence;
        if (!IsOpen(host->connection) || silent)
            gone.push_back(host);
    }
    for (const auto& host : gone)
        Forget(host);
    for (const auto& host : hosts) {
        if (!host->busy) {
            host->busy = true;
            host->answered = false;
            return host;
        }
    }
    return nullptr;
}

bool KADCommandHostManager::ChildEnded(pid_t pid)
{
    return pid > 0 && std::find(endedChildren.begin(), endedChildren.end(), pid) != endedChildren.end();
}

void KADCommandHostManager::WatchChild(pid_t pid)
{
    // Every child is waited for, so none stays a zombie, and its end wakes
    // whoever waits on it.
    std::thread([this, pid] {
        int status = 0;
        Platform::WaitForChild(pid, &status);
        std::lock_guard<std::mutex> hold(lock);
        endedChildren.push_back(pid);
        log.Write("command host %d ended (status %d)", static_cast<int>(pid), status);
        changed.notify_all();
    }).detach();
}

std::shared_ptr<KADCommandHostManager::Host> KADCommandHostManager::StartHost(std::string& error)
{
    std::lock_guard<std::mutex> serial(startLock);
    {
        // Another start may have brought a host while we waited our turn.
        std::lock_guard<std::mutex> hold(lock);
        if (auto host = ClaimIdleHost())
            return host;
    }
    if (paths.installRoot.empty()) {
        error = "Unable to start a command host: the installation folder is unknown.";
        return nullptr;
    }
    std::unique_lock<std::mutex> hold(lock);
    pid_t child = KADSpawnCommandHost(paths.installRoot, paths.userDataRoot, error);
    if (child == 0)
        return nullptr;
    // A recycled process id must not pass for this child's end.
    endedChildren.erase(std::remove(endedChildren.begin(), endedChildren.end(), child), endedChildren.end());
    starting = child;
    log.Write("command host %d started", static_cast<int>(child));
    WatchChild(child);
    auto deadline = std::chrono::steady_clock::now() + KADCommandHostLimits::RegistrationTime;
    for (;;) {
        if (auto host = ClaimIdleHost())
            return host;
        if (ChildEnded(child) || std::chrono::steady_clock::now() >= deadline)
            break;
        changed.wait_for(hold, PollTime);
    }
    if (starting == child)
        starting = 0;
    if (!ChildEnded(child))
        kill(child, SIGKILL);
    error = "Unable to start a command host: it did not register in time.";
    return nullptr;
}

void KADCommandHostManager::Forget(const std::shared_ptr<Host>& host)
{
    hosts.erase(std::remove(hosts.begin(), hosts.end(), host), hosts.end());
    if (auto connection = host->connection.lock())
        connection->Shutdown();
}

void KADCommandHostManager::EndHost(const std::shared_ptr<Host>& host)
{
    if (host->pid <= 0 || ChildEnded(host->pid))
        return;
    pid_t pid = host->pid;
    kill(pid, SIGTERM);
    std::thread([this, pid] {
        std::this_thread::sleep_for(KADCommandHostLimits::TermGrace);
        std::lock_guard<std::mutex> hold(lock);
        if (!ChildEnded(pid))
            kill(pid, SIGKILL);
    }).detach();
}

bool KADCommandHostManager::Ask(const KADCommandHostQuestion& question, TBuffer& answer, std::string& error)
{
    std::shared_ptr<Host> host;
    {
        std::lock_guard<std::mutex> hold(lock);
        host = ClaimIdleHost();
    }
    if (!host)
        host = StartHost(error);
    if (!host)
        return false;

    TBuffer note;
    WriteCommandHostQuestion(note, question);
    std::shared_ptr<KADConnection> connection = host->connection.lock();
    bool sent = connection && connection->SendNote(static_cast<std::int32_t>(KADNoteType::HostQuestion), note.Data(),
                                                   static_cast<std::size_t>(note.DataLength()));
    connection.reset();
    if (sent)
        log.Write("question %d sent to command host %d", static_cast<int>(question.commandId),
                  static_cast<int>(host->pid));

    std::unique_lock<std::mutex> hold(lock);
    auto deadline = std::chrono::steady_clock::now() + KADCommandHostLimits::QuestionTime;
    // A busy host sends no keep-alive: only its end or the time-out stops the wait.
    while (sent && !host->answered && IsOpen(host->connection) && !ChildEnded(host->pid) &&
           std::chrono::steady_clock::now() < deadline)
        changed.wait_for(hold, PollTime);
    if (host->answered) {
        answer.Reset();
        answer.WriteBytes(host->answer.Data(), host->answer.DataLength());
        answer.Rewind();
        host->answer.Reset();
        host->answered = false;
        host->busy = false;
        host->lastHeard = std::chrono::steady_clock::now();
        changed.notify_all();
        return true;
    }
    bool timedOut = sent && IsOpen(host->connection) && !ChildEnded(host->pid);
    Forget(host);
    if (timedOut)
        EndHost(host);
    log.Write(timedOut ? "command host %d did not answer in time" : "command host %d ended before it answered",
              static_cast<int>(host->pid));
    error = timedOut ? "The command host did not answer in time." : "The command host ended before it answered.";
    return false;
}
