// Database repair: start, progress and the patch step requests.
#include <memory>
#include <mutex>
#include <thread>

#include "results/results_log.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_replies.h"
#include "daemon/repair_run.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"

namespace {

// The one repair of the daemon. Its lines go to the connection that started
// it, as notes for the start request's transaction (the client keeps that
// log registered); the last of them goes out before the state says the
// repair has ended, so a client that stops at "not running" has them all.
class RepairState {
public:
    ~RepairState()
    {
        if (worker.joinable())
            worker.join();
    }

    bool Begin(const KADRequestContext& context, KADAssetStore& store, std::int32_t mode)
    {
        std::lock_guard<std::mutex> hold(lock);
        if (running)
            return false;
        if (worker.joinable())
            worker.join();
        running = true;
        fraction = 0.0f;
        step = "Starting";
        auto lines = std::make_shared<KADRequestContext>();
        lines->connection = context.connection;
        lines->code = context.code;
        lines->transactionId = context.transactionId;
        std::string indexPath = store.DatabasePath() + "/index.sqlite";
        worker = std::thread([this, lines, &store, mode, indexPath] { Work(*lines, store, mode, indexPath); });
        return true;
    }

    void Report(bool& isRunning, float& progress, std::string& text)
    {
        std::lock_guard<std::mutex> hold(lock);
        isRunning = running;
        progress = fraction;
        text = step;
    }

private:
    void Work(KADRequestContext& lines, KADAssetStore& store, std::int32_t mode, const std::string& indexPath)
    {
        ResultsLog log;
        std::int64_t sent = 0;
        auto sendNewLines = [&] {
            if (log.LineCount() > sent && lines.connection->IsOpen())
                lines.SendResultLines(log, static_cast<std::int32_t>(sent));
            sent = log.LineCount();
        };
        KADStoreConnection connection;
        if (!connection.Open(indexPath)) {
            log.AddMessage(ResultsLog::MessageKind::Error, "The asset database index cannot be opened.");
        } else {
            KADRunRepair(store, connection, mode, log, [&](float done, const std::string& text) {
                sendNewLines();
                std::lock_guard<std::mutex> hold(lock);
                fraction = done;
                step = text;
            });
        }
        sendNewLines();
        std::lock_guard<std::mutex> hold(lock);
        running = false;
    }

    std::mutex lock;
    bool running = false;
    float fraction = 0.0f;
    std::string step;
    std::thread worker;
};

RepairState& Repair()
{
    static RepairState state;
    return state;
}

}  // namespace

// Payload: int32 mode. Reply: empty; the repair goes on after it.
void KADHandleStartRepair(KADRequestContext& context)
{
    std::int32_t mode = context.request.ReadInt32(KADRepairModeNormal);
    if (context.store == nullptr)
        return;
    // The store first, so that it outlives the repair's thread at exit.
    KADAssetStore& store = KADAssetStore::Get(context);
    ResultsLog log;
    // A store that did not start has no folders of its own: a repair of it
    // would open an index and walk and purge folders relative to an empty root.
    if (!KADCanChangeStore(context)) {
        log.AddMessage(ResultsLog::MessageKind::Error,
                       "The asset database cannot be repaired: the daemon could not open its asset store.");
        context.SendResultLines(log);
        return;
    }
    if (Repair().Begin(context, store, mode))
        return;
    // Named by its interface-text tag: the utility prints it in the user's language.
    log.AddMessage(ResultsLog::MessageKind::Error, "$kadtask_repair_err_duplicate");
    context.SendResultLines(log);
}

// Reply: bool running; float progress; String step.
void KADHandleGetRepairProgress(KADRequestContext& context)
{
    bool running = false;
    float progress = 0.0f;
    std::string step;
    Repair().Report(running, progress, step);
    context.reply.WriteBool(running);
    context.reply.WriteFloat(progress);
    context.reply.WriteString(Zel::AnsiString(step.c_str()));
}

// The patch step: brings the index to the newest schema (each step runs once).
void KADHandleRunPatcher(KADRequestContext& context)
{
    if (context.store != nullptr)
        KADMigrateStore(*context.store);
}
