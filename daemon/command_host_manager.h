// The command hosts: starting them, their registration, one question each at a time and its answer.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "daemon/daemon_log.h"
#include "daemon/daemon_paths.h"

class KADConnection;
struct KADCommandHostQuestion;
struct KADRequestContext;
class KUID;
class ResultsLog;

// A host that registers gets this long; a question this long before its host is ended.
namespace KADCommandHostLimits {
constexpr std::chrono::seconds RegistrationTime{30};
constexpr std::chrono::seconds IdleSilence{20};
constexpr std::chrono::minutes QuestionTime{10};
constexpr std::chrono::seconds TermGrace{5};
}  // namespace KADCommandHostLimits

class KADCommandHostManager {
public:
    // The one manager of the daemon.
    static KADCommandHostManager& Instance();

    // The daemon's folders, as the server found them once at start: hosts
    // start from installRoot/bin with their output under the user data, and
    // the manager's diagnostics go to the daemon's log. Until then no host
    // can be started.
    void UseFolders(const KADDaemonPaths& daemonPaths);

    // RegisterCommandHost: the connection is an idle host from now on.
    void RegisterHost(const std::shared_ptr<KADConnection>& connection);
    // CommandHostAnswer: the answer to the question outstanding on that connection;
    // an answer nobody asked for is dropped.
    void TakeAnswer(const KADConnection* connection, TBuffer& answer);

    // HostKeepAlive on a host's connection: it is still there. Once a host has
    // sent one, an idle host silent for longer than the limit is taken for
    // gone (a host busy with a question sends none and never expires so).
    void HostHeard(const KADConnection* connection);
    // How long an idle host gone silent stays counted (from kaddaemon.cfg).
    void SetIdleSilence(std::chrono::steady_clock::duration silence);
    // What is left of the silence an idle host on that connection may keep
    // before it is gone (zero or less: gone now); the largest duration for
    // a connection that is no host, a busy host or one that never sent a
    // keep-alive.
    std::chrono::steady_clock::duration SilenceLeft(const KADConnection* connection);
    // The connection of a host has ended: an idle host is forgotten at once,
    // and whoever waits on a busy one wakes up to find it gone.
    void ConnectionEnded(const KADConnection& connection);
    std::size_t HostCount();

    // Sends the question to an idle host, starting one when none is
    // registered, and waits for its answer. False, with a line of text for
    // the requester, when no host could be had or the host went away (or
    // took too long) before it answered; that host is then forgotten.
    bool Ask(const KADCommandHostQuestion& question, TBuffer& answer, std::string& error);

private:
    struct Host {
        std::weak_ptr<KADConnection> connection;
        const KADConnection* key = nullptr;
        pid_t pid = 0;  // 0 for a host we did not start
        bool busy = false;
        bool answered = false;
        bool keepsAlive = false;
        std::chrono::steady_clock::time_point lastHeard = std::chrono::steady_clock::now();
        TBuffer answer;
    };

    KADCommandHostManager();
    // Under the lock: an idle host whose connection is open and that has not
    // gone silent, claimed; null when none.
    std::shared_ptr<Host> ClaimIdleHost();
    // Starts a host and waits for a registration; null (error set) when none came.
    std::shared_ptr<Host> StartHost(std::string& error);
    void Forget(const std::shared_ptr<Host>& host);
    // Ends a host that outlived its question: SIGTERM, SIGKILL if it stays.
    void EndHost(const std::shared_ptr<Host>& host);
    bool ChildEnded(pid_t pid);
    void WatchChild(pid_t pid);

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::shared_ptr<Host>> hosts;
    std::vector<pid_t> endedChildren;
    // One start at a time, so a registration belongs to the child started last.
    std::mutex startLock;
    pid_t starting = 0;
    std::chrono::steady_clock::duration idleSilence = KADCommandHostLimits::IdleSilence;
    // Read by a start, under startLock; set under both locks.
    KADDaemonPaths paths;
    // The daemon's own diagnostics file (opened for appending a second time).
    KADDaemonLog log;
};

// The program line a host is started with, from the installation root.
std::vector<std::string> KADCommandHostArguments(const std::string& installRoot);
// Starts the host program with posix_spawn (its own session, working folder
// <root>/bin, stdin from /dev/null, output to a log under UserData/cache/logs,
// no blocked signals and the console signals at their defaults, our
// environment). The child's id, or 0 with the reason in error.
pid_t KADSpawnCommandHost(const std::string& installRoot, const std::string& userDataRoot, std::string& error);

// Sends a host's answer lines to the requester (one type-3 note, before its
// reply), each line without an asset of its own naming the given asset.
void KADSendLinesAboutAsset(KADRequestContext& context, const ResultsLog& lines, const KUID& asset);
// The same into a log: each line of `lines` is added to `named`, naming the
// asset unless it names one of its own (or the asset is the null id).
void KADAddLinesAboutAsset(const ResultsLog& lines, const KUID& asset, ResultsLog& named);
