// KADPromptHandler: answers the daemon's asynchronous calls and install prompts.
#pragma once

#include <cstdint>

namespace Zel {
class String;
}
class ResultsLog;
class KUID;

class KADPromptHandler {
public:
    virtual ~KADPromptHandler() = default;
    // Returns the answer code sent back to the daemon (AsyncCallAnswer for an
    // asynchronous call). `log` is null for asynchronous calls.
    virtual int32_t Ask(const Zel::String& text, const Zel::String& secondText, const KUID& assetId,
                        ResultsLog* log) = 0;
};
