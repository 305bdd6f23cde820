// The KUID native class through scripts in the script host: tag texts, base ids and one object per id and context.
#include <gtest/gtest.h>

#include "e2e/script_host_support.h"

namespace {

using HostScripts::CallRow;

TEST(ScriptHostKUID, TagTextsBaseIdsAndSharedObjects)
{
    const std::string html = "$string@KuidProbe::Html(string)";
    const std::string baseKuid = "$string@KuidProbe::BaseKUID(string)";
    HostScripts::ExpectCalls(
        "kuid_probe.gs", "KuidProbe",
        {
            {html, {"--str", "<kuid2:1234:5:3>"}, "ok \"<kuid2:1234:5:3>\""},
            {"$string@KuidProbe::LogText(string)", {"--str", "<kuid2:1234:5:3>"}, "ok \"<kuid2:1234:5:3>\""},
            {html, {"--str", "<kuid:1234:5>"}, "ok \"<kuid:1234:5>\""},
            {html, {"--str", "<kuid:-5:7>"}, "ok \"<kuid:-5:7>\""},
            {"$string@KuidProbe::Base(string)", {"--str", "<kuid2:1234:5:3>"}, "ok \"<kuid:1234:5>\""},
            {baseKuid, {"--str", "<kuid2:1234:5:3>"}, "ok \"<kuid:1234:5>\""},
            {baseKuid, {"--str", "<kuid:-5:7>"}, "ok \"<kuid:-5:7>\""},
            {baseKuid, {"--str", "<kuid2:16777215:5:9>"}, "ok \"<kuid:16777215:5>\""},
            {"$bool@KuidProbe::Shared(string)", {"--str", "<kuid2:1234:5:3>"}, "ok 1"},
            {"$bool@KuidProbe::Missing()", {}, "ok 1"},
            // No daemon answers here: the name is empty.
            {"$string@KuidProbe::Name(string)", {"--str", "<kuid:1234:5>"}, "ok \"\""},
        });
}

}  // namespace
