// Fuzz target: the command host's question reader (note type 1 from the daemon) and the daemon's answer reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_command_host_question.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBuffer question;
    question.WriteBytes(data, int64_t(size));
    question.Rewind();
    KADCommandHostQuestion read;
    if (ReadCommandHostQuestion(question, read)) {
        // A question that was read must write back and read the same.
        TBuffer again;
        WriteCommandHostQuestion(again, read);
        again.Rewind();
        KADCommandHostQuestion reread;
        if (!ReadCommandHostQuestion(again, reread) || reread.assets != read.assets)
            __builtin_trap();
    }

    // The same bytes as an answer to each kind of question.
    for (int32_t commandId = 0; commandId <= 4; ++commandId) {
        TBuffer answer;
        answer.WriteBytes(data, int64_t(size));
        answer.Rewind();
        ResultsLog log;
        int32_t result = 0;
        std::vector<KUID> notInstalled;
        ReadCommandHostAnswer(answer, commandId, log, result, notInstalled);
    }
    return 0;
}
