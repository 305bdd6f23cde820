// One install request (39) joining the installs that arrive meanwhile in one batch.
#include "daemon/asset_install.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "daemon/asset_store_replies.h"

namespace {

constexpr int LineWarning = 2;
// Enough to spread a flush over many assets, few enough that the first
// reply of a batch does not wait long.
constexpr std::size_t MaxGroup = 128;

struct Waiting {
    const KADInstallRequest* request = nullptr;
    KADInstallOutcome outcome;
    bool done = false;
};

// Requests wait here while a leader installs a batch; the leader is the
// request that found no batch running. It installs every request waiting
// at that moment (its own among them) on its own index connection, and
// the next waiting request leads the next batch.
class InstallQueue {
public:
    void Install(KADAssetStore& store, KADStoreConnection& connection, Waiting& mine)
    {
        std::unique_lock<std::mutex> hold(lock);
        waiting.push_back(&mine);
        while (!mine.done) {
            if (leading) {
                changed.wait(hold);
                continue;
            }
            leading = true;
            std::vector<Waiting*> group = TakeGroup();
            hold.unlock();
            std::vector<const KADInstallRequest*> requests;
            for (Waiting* one : group)
                requests.push_back(one->request);
            std::vector<KADInstallOutcome> outcomes;
            try {
                outcomes = KADInstallAssets(store, connection, requests);
            } catch (...) {
                outcomes.assign(group.size(), KADInstallOutcome());
                for (KADInstallOutcome& outcome : outcomes)
                    outcome.error = "The installation failed.";
            }
            hold.lock();
            for (std::size_t i = 0; i < group.size(); ++i) {
                group[i]->outcome = std::move(outcomes[i]);
                group[i]->done = true;
            }
            leading = false;
            changed.notify_all();
        }
    }

private:
    // In arrival order; a second install of one asset waits for the next
    // batch, so that it replaces the first.
    std::vector<Waiting*> TakeGroup()
    {
        std::vector<Waiting*> group;
        std::set<KUID> ids;
        for (auto it = waiting.begin(); it != waiting.end() && group.size() < MaxGroup;) {
            if (ids.insert((*it)->request->id).second) {
                group.push_back(*it);
                it = waiting.erase(it);
            } else {
                ++it;
            }
        }
        return group;
    }

    std::mutex lock;
    std::condition_variable changed;
    std::deque<Waiting*> waiting;
    bool leading = false;
};

InstallQueue queue;

}  // namespace

bool KADInstallAsset(KADAssetStore& store, KADStoreConnection& connection, KADRequestContext& context,
                     const KADInstallRequest& request, bool& replaced, std::string& error)
{
    Waiting mine;
    mine.request = &request;
    queue.Install(store, connection, mine);
    for (const std::string& warning : mine.outcome.warnings)
        KADSendAssetLine(context, LineWarning, request.id, warning);
    replaced = mine.outcome.installed && mine.outcome.replaced;
    error = mine.outcome.error;
    return mine.outcome.installed;
}
