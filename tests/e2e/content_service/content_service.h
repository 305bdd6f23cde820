// A small stand-in for the online content service: an HTTP/1.1 server on 127.0.0.1 that tests start in-process.
#pragma once

// Header-only so that the daemon's tests and the end-to-end tests can both
// use it without a library of its own. It answers GET requests only:
// - the search page (any path starting with SearchPage) with the text soup
//   registered for the query's "SearchCriteria" value, or "none" when there
//   is none;
// - any other path with the bytes registered for it, else 404.
// Per path, a fault can replace the answer: 404, 500, a body cut short of its
// announced length, a delay, or a redirect.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ContentService {

constexpr const char* SearchPage = "/webservice/search";

// One result record of a search answer.
struct SearchRecord {
    std::string requiredAsset;  // "<kuid:1:2>"
    std::string latestVersion;  // "<kuid2:1:2:3>"
    std::string downloadUrl;    // "http://127.0.0.1:<port>/dl/x.cdp"
    int downloadSize = 0;
    std::string assetName;
};

// The search answer in the service's text-soup form: sub-soups "0", "1", ...
// or a lone "none" tag when there is no record.
inline std::string SearchAnswer(const std::vector<SearchRecord>& records)
{
    if (records.empty())
        return "none 1\n";
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const SearchRecord& record = records[i];
        text += std::to_string(i) + "\n{\n";
        text += "  requires " + record.requiredAsset + "\n";
        text += "  latest-version " + record.latestVersion + "\n";
        text += "  latest-version-path \"" + record.downloadUrl + "\"\n";
        text += "  latest-version-size " + std::to_string(record.downloadSize) + "\n";
        text += "  banner-uri \"\"\n";
        text += "  result \"ok\"\n";
        text += "  asset-name \"" + record.assetName + "\"\n";
        text += "}\n";
    }
    return text;
}

enum class Fault { None, NotFound, ServerError, Truncated, Delay, Redirect };

class StandIn {
public:
    StandIn() = default;
    ~StandIn() { Stop(); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Listens on 127.0.0.1 on a port the system picks.
    bool Start()
    {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0)
            return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            close(listener_);
            listener_ = -1;
            return false;
        }
        port_ = ntohs(address.sin_port);
        running_ = true;
        acceptor_ = std::thread([this] { AcceptLoop(); });
        return true;
    }

    // Closes the listener and waits for every answer in progress; later
    // connections are refused by the system.
    void Stop()
    {
        if (!running_.exchange(false))
            return;
        acceptor_.join();
        close(listener_);
        listener_ = -1;
        std::vector<std::thread> handlers;
        {
            std::lock_guard<std::mutex> hold(lock_);
            handlers.swap(handlers_);
        }
        for (std::thread& handler : handlers)
            handler.join();
    }

    int Port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string UrlOf(const std::string& path) const { return BaseUrl() + path; }

    void SetSearchAnswer(const std::string& searchCriteria, const std::string& soupText)
    {
        std::lock_guard<std::mutex> hold(lock_);
        searches_[searchCriteria] = soupText;
    }
    void ServeFile(const std::string& path, const std::string& bytes)
    {
        std::lock_guard<std::mutex> hold(lock_);
        files_[path] = bytes;
    }
    // `argument`: the delay in milliseconds, or the redirect target.
    void SetFault(const std::string& path, Fault fault, const std::string& argument = std::string())
    {
        std::lock_guard<std::mutex> hold(lock_);
        faults_[path] = {fault, argument};
    }
    int Hits(const std::string& path) const
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = hits_.find(path);
        return found == hits_.end() ? 0 : found->second;
    }

private:
    struct FaultEntry {
        Fault fault = Fault::None;
        std::string argument;
    };

    void AcceptLoop()
    {
        while (running_) {
            pollfd wait{listener_, POLLIN, 0};
            if (poll(&wait, 1, 50) <= 0)
                continue;
            int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            std::lock_guard<std::mutex> hold(lock_);
            handlers_.emplace_back([this, client] {
                Answer(client);
                close(client);
            });
        }
    }

    static bool SendAll(int client, const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = send(client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    static std::string ReadHead(int client)
    {
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 16384) {
            pollfd wait{client, POLLIN, 0};
            if (poll(&wait, 1, 5000) <= 0)
                break;
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        return head;
    }

    static std::string QueryValue(const std::string& query, const std::string& name)
    {
        std::size_t start = 0;
        while (start <= query.size()) {
            std::size_t end = query.find('&', start);
            if (end == std::string::npos)
                end = query.size();
            std::string pair = query.substr(start, end - start);
            if (pair.compare(0, name.size() + 1, name + "=") == 0)
                return pair.substr(name.size() + 1);
            start = end + 1;
        }
        return std::string();
    }

    static void Respond(int client, int status, const std::string& body, std::size_t sent,
                        const std::string& extra = "")
    {
        const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : status == 302 ? "Found" : "Error";
        std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" + extra +
                           "\r\n";
        SendAll(client, head + body.substr(0, sent));
    }

    void Sleep(int milliseconds)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (running_ && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    void Answer(int client)
    {
        std::string head = ReadHead(client);
        std::size_t firstSpace = head.find(' ');
        std::size_t secondSpace = head.find(' ', firstSpace + 1);
        if (head.compare(0, 4, "GET ") != 0 || secondSpace == std::string::npos) {
            Respond(client, 400, "bad request", 11);
            return;
        }
        std::string target = head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        std::size_t question = target.find('?');
        std::string path = target.substr(0, question);
        std::string query = question == std::string::npos ? std::string() : target.substr(question + 1);

        FaultEntry fault;
        std::string body;
        bool found = false;
        {
            std::lock_guard<std::mutex> hold(lock_);
            ++hits_[path];
            if (auto entry = faults_.find(path); entry != faults_.end())
                fault = entry->second;
            if (path.compare(0, std::string(SearchPage).size(), SearchPage) == 0) {
                auto answer = searches_.find(QueryValue(query, "SearchCriteria"));
                body = answer != searches_.end() ? answer->second : SearchAnswer({});
                found = true;
            } else if (auto file = files_.find(path); file != files_.end()) {
                body = file->second;
                found = true;
            }
        }
        switch (fault.fault) {
        case Fault::NotFound:
            Respond(client, 404, "not found", 9);
            return;
        case Fault::ServerError:
            Respond(client, 500, "server error", 12);
            return;
        case Fault::Redirect:
            Respond(client, 302, "", 0, "Location: " + fault.argument + "\r\n");
            return;
        case Fault::Delay:
            Sleep(std::atoi(fault.argument.c_str()));
            break;
        case Fault::Truncated:
            Respond(client, 200, body, body.size() / 2);
            return;
        case Fault::None:
            break;
        }
        if (!found) {
            Respond(client, 404, "not found", 9);
            return;
        }
        Respond(client, 200, body, body.size());
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> running_{false};
    std::thread acceptor_;
    mutable std::mutex lock_;
    std::vector<std::thread> handlers_;
    std::map<std::string, std::string> searches_;
    std::map<std::string, std::string> files_;
    std::map<std::string, FaultEntry> faults_;
    std::map<std::string, int> hits_;
};

}  // namespace ContentService
