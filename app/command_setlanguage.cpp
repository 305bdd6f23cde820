// setlanguage: stores the interface language for the next start-up.
#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "zel/ascii.h"

namespace {

// The language codes the interface text exists for, in the order compared.
constexpr const char* LanguageCodes[] = {"US", "UK", "CN", "CZ", "NL", "FR", "DE", "IT", "KR", "PL", "RU", "ES", "HU"};

bool IsKnownLanguageCode(const char* code)
{
    for (const char* known : LanguageCodes) {
        if (Zel::AsciiEqualIgnoreCase(code, known))
            return true;
    }
    return false;
}

}  // namespace

int CommandSetLanguage(ResultsLog& log, const Zel::PString& languageCode)
{
    if (!IsKnownLanguageCode(languageCode.c_str())) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Unknown language code.");
        return -1;
    }
    // The setting takes effect at the next start-up; the request's own
    // result is not what the command reports.
    KADClient::SetSetting(Zel::PString("internet"), Zel::PString("language"), languageCode.ToLower());
    return 0;
}
