// Reading and writing the command host's questions and answers.
#include "assetdb/kad_command_host_question.h"

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"

namespace {

// A KUID in stream form: content, then the packed word.
constexpr int64_t kuidBytes = 8;

bool ReadArchiveQuestion(TBuffer& question, KADCommandHostQuestion& out)
{
    out.archiveTag = question.ReadUInt32(0);
    out.filePath = question.ReadPString();
    if (question.HasError())
        return false;
    return ReadKUIDList(question, out.assets);
}

}  // namespace

bool KADCommandHostQuestion::IsSupported() const
{
    return commandId >= static_cast<int32_t>(KADCommandHostCommand::Validate) &&
           commandId <= static_cast<int32_t>(KADCommandHostCommand::ArchiveInstall);
}

int64_t RemainingBytes(TBuffer& buffer)
{
    int64_t left = buffer.DataLength() - buffer.Tell();
    return left > 0 ? left : 0;
}

bool ReadKUIDList(TBuffer& buffer, std::vector<KUID>& ids)
{
    ids.clear();
    uint32_t count = buffer.ReadUInt32(0);
    if (buffer.HasError() || static_cast<int64_t>(count) > RemainingBytes(buffer) / kuidBytes)
        return false;
    ids.reserve(count);
    for (uint32_t index = 0; index < count; ++index)
        ids.push_back(buffer.ReadKUID());
    if (!buffer.HasError())
        return true;
    ids.clear();
    return false;
}

void WriteKUIDList(TStream& out, const std::vector<KUID>& ids)
{
    out.WriteUInt32(static_cast<uint32_t>(ids.size()));
    for (const KUID& id : ids)
        out.WriteKUID(id);
}

bool ReadCommandHostQuestion(TBuffer& question, KADCommandHostQuestion& out)
{
    out = KADCommandHostQuestion{};
    out.commandId = question.ReadInt32(-1);
    if (question.HasError())
        return false;
    switch (static_cast<KADCommandHostCommand>(out.commandId)) {
    case KADCommandHostCommand::Validate:
        out.assetName = question.ReadPString();
        out.folder = Zel::String(question.ReadPString().c_str());
        break;
    case KADCommandHostCommand::TextureConvert:
        out.assetName = question.ReadPString();
        out.folder = question.ReadString();
        break;
    case KADCommandHostCommand::ArchiveSaveToDisk:
    case KADCommandHostCommand::ArchiveInstall:
        return ReadArchiveQuestion(question, out);
    default:
        return true;
    }
    return !question.HasError();
}

void WriteCommandHostQuestion(TStream& out, const KADCommandHostQuestion& question)
{
    out.WriteInt32(question.commandId);
    switch (static_cast<KADCommandHostCommand>(question.commandId)) {
    case KADCommandHostCommand::Validate:
        out.WritePString(question.assetName);
        out.WritePString(Zel::PString(question.folder.c_str()));
        return;
    case KADCommandHostCommand::TextureConvert:
        out.WritePString(question.assetName);
        out.WriteString(question.folder);
        return;
    case KADCommandHostCommand::ArchiveSaveToDisk:
    case KADCommandHostCommand::ArchiveInstall:
        out.WriteUInt32(question.archiveTag);
        out.WritePString(question.filePath);
        WriteKUIDList(out, question.assets);
        return;
    }
}

void WriteCommandHostAnswer(TBuffer& answer, int32_t commandId, const ResultsLog& log, int32_t result,
                            const std::vector<KUID>& notInstalled)
{
    log.WriteTo(answer, 0);
    switch (static_cast<KADCommandHostCommand>(commandId)) {
    case KADCommandHostCommand::Validate:
        answer.WriteBool(result != 0);
        return;
    case KADCommandHostCommand::TextureConvert:
        answer.WriteInt32(result);
        return;
    case KADCommandHostCommand::ArchiveSaveToDisk:
        answer.WriteUInt32(static_cast<uint32_t>(result));
        return;
    case KADCommandHostCommand::ArchiveInstall:
        WriteKUIDList(answer, notInstalled);
        return;
    }
}

bool ReadCommandHostAnswer(TBuffer& answer, int32_t commandId, ResultsLog& log, int32_t& result,
                           std::vector<KUID>& notInstalled)
{
    result = 0;
    notInstalled.clear();
    if (RemainingBytes(answer) == 0)
        return false;
    log.ReadFrom(answer);
    if (answer.HasError())
        return false;
    switch (static_cast<KADCommandHostCommand>(commandId)) {
    case KADCommandHostCommand::Validate:
        result = answer.ReadBool(false) ? 1 : 0;
        break;
    case KADCommandHostCommand::TextureConvert:
        result = answer.ReadInt32(0);
        break;
    case KADCommandHostCommand::ArchiveSaveToDisk:
        result = static_cast<int32_t>(answer.ReadUInt32(0));
        break;
    case KADCommandHostCommand::ArchiveInstall:
        return ReadKUIDList(answer, notInstalled);
    default:
        return false;
    }
    return !answer.HasError();
}
