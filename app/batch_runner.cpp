// Batch mode: every line of a text file run as one command with its own results log.
#include "app/application.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_line.h"
#include "results/results_log.h"

namespace {

constexpr int lineBufferSize = Zel::File::kLineBufferSize;

void ReportUnreadableBatchFile(const char* fileName)
{
    std::fprintf(stderr, "-The file \"%s\" does not exist, please specify a valid filename\n", fileName);
}

// A folder opens for reading on this system but yields no lines; it is
// reported like a missing file rather than run as an empty batch.
bool OpenBatchFile(Zel::File& file, const char* fileName)
{
    if (Zel::File::Exists(fileName) != 0 || Zel::File::IsDirectory(fileName))
        return false;
    return file.Open(fileName, Zel::File::ModeRead) == 0;
}

bool EndsWith(const std::string& text, char c)
{
    return !text.empty() && text.back() == c;
}

// Reads one line as the engine's line reader gives it (terminator kept).
// longLine is set when the line did not fit the 512-byte buffer; the rest
// of such a line has been read and dropped, so none of it runs.
bool ReadBatchLine(Zel::File& file, std::string& line, bool& longLine)
{
    char buffer[lineBufferSize];
    longLine = false;
    int length = file.ReadLine(buffer, lineBufferSize);
    if (length <= 0)
        return false;  // an empty read at the end of the file is no line
    line.assign(buffer, static_cast<std::size_t>(length));
    if (length < lineBufferSize - 1 || EndsWith(line, '\n') || file.Eof())
        return true;
    // Full buffer without LF. A CR LF split by the buffer edge is no long line.
    length = file.ReadLine(buffer, lineBufferSize);
    std::string next(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
    if (EndsWith(line, '\r') && next == "\n")
        return true;
    longLine = true;
    while (!EndsWith(next, '\n') && !file.Eof()) {
        length = file.ReadLine(buffer, lineBufferSize);
        if (length <= 0)
            break;
        next.assign(buffer, static_cast<std::size_t>(length));
    }
    return true;
}

void PrintBatchBlock(ResultsLog& log)
{
    PrintResultsLog(log);
    std::fputs("\n", stdout);
}

}  // namespace

int RunBatchFile(AppContext& context, char* programArgument, const char* fileName)
{
    Zel::File file;
    if (!OpenBatchFile(file, fileName)) {
        ReportUnreadableBatchFile(fileName);
        return -1;
    }
    int batchResult = 0;
    std::string line;
    bool longLine = false;
    while (ReadBatchLine(file, line, longLine)) {
        if (longLine) {
            ResultsLog log;
            log.AddMessage(ResultsLog::MessageKind::Error, "Line too long.");
            PrintBatchBlock(log);
            batchResult = -1;
            continue;
        }
        BatchLine words = SplitBatchLine(line);
        if (words.runsNothing)
            continue;
        std::vector<char*> table;
        table.push_back(programArgument);
        for (std::string& word : words.words)
            table.push_back(word.data());
        table.push_back(nullptr);
        ResultsLog log;
        int result = RunCommandGuarded(log, context, static_cast<int>(table.size() - 1), table.data());
        if (result != 0)
            batchResult = -1;
        PrintBatchBlock(log);
    }
    file.Close();
    return batchResult;
}
