// Result lines of a request, sent to its client as type-3 notes.
#include "daemon/request_context.h"

#include "results/results_log.h"
#include "assetdb/protocol/kad_protocol.h"

void KADRequestContext::SendResultLines(const ResultsLog& log, std::int32_t firstLine)
{
    // uint32 clientTransactionID, then the log in its wire form: the client
    // finds the request's log by the id and appends the lines at once.
    TBuffer note;
    note.WriteUInt32(static_cast<std::uint32_t>(transactionId));
    log.WriteTo(note, firstLine);
    connection->SendNote(static_cast<std::int32_t>(KADNoteType::ResultLines), note.Data(),
                         static_cast<std::size_t>(note.DataLength()));
}
