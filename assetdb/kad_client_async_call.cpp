// The daemon's asynchronous calls: each answered on a thread of its own through AsyncCallAnswer.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_transaction.h"

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "kuid/kuid.h"
#include "zel/dynamic_buffer.h"
#include "zel/pstring.h"
#include "zel/string.h"
#include "zel/thread.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Answers sent back: 2 when nobody can answer (go on), 4 when no request waits under the id.
constexpr int32_t AnswerNoHandler = 2;
constexpr int32_t AnswerUnknownTransaction = 4;

struct KADAsyncCall {
    int32_t clientTransactionID = 0;
    Zel::PString question;
    KUID assetId;
};

// Threads of calls that have been started; each is deleted (joined) by a
// later start or by the client's shutdown, never by itself.
struct AsyncCallThreads {
    std::mutex lock;
    std::vector<Zel::Thread*> threads;
};

AsyncCallThreads& Threads()
{
    static AsyncCallThreads threads;
    return threads;
}

void ReapEndedLocked(AsyncCallThreads& threads)
{
    auto ended = std::partition(threads.threads.begin(), threads.threads.end(),
                                [](Zel::Thread* thread) { return !thread->HasEnded(); });
    for (auto it = ended; it != threads.threads.end(); ++it)
        delete *it;
    threads.threads.erase(ended, threads.threads.end());
}

uint32_t AsyncCallProcedure(void* parameter)
{
    auto* call = static_cast<KADAsyncCall*>(parameter);
    KADClient::RunAsyncCall(call->clientTransactionID, call->question, call->assetId);
    delete call;
    return 0;
}

}  // namespace

void KADClient::StartAsyncCall(int32_t clientTransactionID, const Zel::PString& question, const KUID& assetId)
{
    auto* call = new KADAsyncCall;
    call->clientTransactionID = clientTransactionID;
    call->question = question;
    call->assetId = assetId;
    auto* thread = new Zel::Thread(AsyncCallProcedure, call, false);
    if (!thread->Resume()) {
        delete thread;
        delete call;
        return;
    }
    AsyncCallThreads& threads = Threads();
    std::lock_guard<std::mutex> guard(threads.lock);
    ReapEndedLocked(threads);
    threads.threads.push_back(thread);
}

void KADClient::WaitForAsyncCalls()
{
    AsyncCallThreads& threads = Threads();
    std::vector<Zel::Thread*> waiting;
    {
        std::lock_guard<std::mutex> guard(threads.lock);
        waiting.swap(threads.threads);
    }
    for (Zel::Thread* thread : waiting)
        delete thread;
}

int32_t KADClient::RunAsyncCall(int32_t clientTransactionID, const Zel::PString& question, const KUID& assetId)
{
    KADPromptHandler* handler = nullptr;
    int32_t answer = AnswerUnknownTransaction;
    if (FindTransactionPromptHandler(clientTransactionID, handler)) {
        answer = AnswerNoHandler;
        if (handler)
            answer = handler->Ask(Zel::String(question.c_str()), Zel::String(), assetId, nullptr);
    }
    PostAsyncCallResult(clientTransactionID, answer);
    return answer;
}

bool KADClient::PostAsyncCallResult(int32_t clientTransactionID, int32_t answerCode)
{
    TBuffer request(new Zel::DynamicBuffer(0, 512), true);
    request.WriteUInt32(static_cast<uint32_t>(clientTransactionID));
    request.WriteUInt32(static_cast<uint32_t>(answerCode));
    request.Rewind();
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    return Request(KADRequestNumber(KADRequestCode::AsyncCallAnswer), request, reply);
}
