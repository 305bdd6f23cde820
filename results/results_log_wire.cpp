// The results log's wire form: how lines travel between the daemon, command hosts and this program.
#include "results/results_log.h"

#include "foundation/streams/t_buffer.h"

namespace {

// The only format there is; a reader that finds another reads no lines.
constexpr int32_t WireFormat = 0;

}  // namespace

void ResultsLog::WriteTo(TBuffer& buffer, int32_t firstIndex) const
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    int64_t total = lines_.TotalCount();
    if (firstIndex < 0)
        firstIndex = 0;
    int64_t count = firstIndex < total ? total - firstIndex : 0;
    buffer.WriteInt32(WireFormat);
    buffer.WriteInt32(int32_t(count));
    sent_ = true;
    if (count == 0)
        return;
    for (auto it = lines_.Begin().AdvanceBy(firstIndex); !it.IsEnd(); ++it) {
        buffer.WriteInt32(it->kind);
        buffer.WriteString(it->text);
        WritePropertyToBuffer(buffer, it->property);
    }
}

void ResultsLog::ReadFrom(TBuffer& buffer)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    // The count comes from another process: lines are appended one by one as
    // the bytes arrive, never allocated ahead from the count, and the read ends
    // where the bytes end.
    if (buffer.ReadInt32(-1) == WireFormat) {
        int32_t count = buffer.ReadInt32(0);
        bool hadError = buffer.HasError();
        for (int32_t i = 0; i < count && !buffer.Eof(); ++i) {
            ResultsLogEntry entry;
            entry.kind = buffer.ReadInt32(0);
            entry.text = buffer.ReadString();
            ReadPropertyFromBuffer(buffer, entry.property);
            AppendLine(std::move(entry));
            // A line cut short keeps the stream's defaults; nothing follows it.
            if (!hadError && buffer.HasError())
                break;
        }
    }
    NotifyUpdated();
}
