// Splitting one line of a batch file into the words of a command.
#include "app/batch_line.h"

namespace {

// The product cuts the line at the first CR or LF from position 1 on; the
// first byte is never examined, so an empty line keeps its terminator.
std::string_view CutAtTerminator(std::string_view line)
{
    std::size_t end = line.find('\0');
    if (end != std::string_view::npos)
        line = line.substr(0, end);
    for (std::size_t i = 1; i < line.size(); ++i)
        if (line[i] == '\r' || line[i] == '\n')
            return line.substr(0, i);
    return line;
}

bool BeginsWithTerminatorOrBlank(const std::string& word)
{
    return !word.empty() && (word[0] == '\r' || word[0] == '\n' || word[0] == ' ');
}

}  // namespace

BatchLine SplitBatchLine(std::string_view rawLine)
{
    std::string_view line = CutAtTerminator(rawLine);
    std::string text;
    if (line.empty() || line[0] != ' ')
        text += ' ';
    text.append(line);
    text += ' ';

    BatchLine result;
    constexpr std::size_t none = std::string::npos;
    std::size_t wordStart = none;
    bool inQuotes = false;
    auto endWord = [&](std::size_t end) {
        if (result.words.size() + 1 < BatchArgumentTableSize)
            result.words.push_back(text.substr(wordStart, end - wordStart));
        wordStart = none;
    };
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            if (inQuotes) {
                endWord(pos);
            } else {
                wordStart = pos + 1;
            }
            inQuotes = !inQuotes;
        } else if (c == ' ' && !inQuotes) {
            if (wordStart == none) {
                wordStart = pos + 1;
            } else {
                endWord(pos);
                --pos;  // the same blank starts the next word
            }
        }
    }
    // A line that leaves no word (an unclosed quote, say) would reach the
    // dispatcher without a command word; it is treated as an empty line.
    result.runsNothing = result.words.empty() || BeginsWithTerminatorOrBlank(result.words.back());
    return result;
}
