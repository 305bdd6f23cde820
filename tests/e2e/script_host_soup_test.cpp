// The Soup native class through scripts in the script host: every native, its defaults, the lock rules and bad arguments.
#include <gtest/gtest.h>

#include "e2e/script_host_support.h"

namespace {

using HostScripts::CallRow;

std::string Sig(const std::string& text)
{
    return text.front() == '$' ? text : "$void@SoupProbe::" + text;
}

TEST(ScriptHostSoup, ReadsAndWritesWithLowerCasedNamesAndDefaults)
{
    HostScripts::ExpectCalls(
        "soup_probe.gs", "SoupProbe",
        {
            {"$int@SoupProbe::IntTag(string,string,int)", {"--str", "Speed", "--str", "SPEED", "--int", "7"}, "ok 7"},
            {"$int@SoupProbe::IntOr(string,int)", {"--str", "none", "--int", "9"}, "ok 9"},
            {"$float@SoupProbe::FloatTag(string,float)", {"--str", "f", "--float", "2.5"}, "ok 2.5"},
            {"$float@SoupProbe::FloatOr(string,float)", {"--str", "nf", "--float", "1.25"}, "ok 1.25"},
            // A null text is stored as the empty text.
            {"$string@SoupProbe::Text(string,string)", {"--str", "t", "--null"}, "ok \"\""},
            {"$string@SoupProbe::Text(string,string)", {"--str", "T", "--str", "x y"}, "ok \"x y\""},
            {"$string@SoupProbe::Read(string)", {"--null"}, "fail", "null string at parameter 1"},
            {"$string@SoupProbe::Read(string)", {"--str", ""}, "fail", "empty string at parameter 1"},
            {"$int@SoupProbe::Count()", {}, "ok 3"},
            {"$string@SoupProbe::NameAt(int)", {"--int", "0"}, "ok \"speed\""},
            {"$string@SoupProbe::NameAt(int)", {"--int", "3"}, "ok \"\""},
            {"$string@SoupProbe::NameAt(int)", {"--int", "-1"}, "ok \"\""},
            {"$int@SoupProbe::IndexOf(string)", {"--str", "F"}, "ok 1"},
            {"$int@SoupProbe::IndexOf(string)", {"--str", "zz"}, "ok -1"},
            {"$int@SoupProbe::IndexOf(string)", {"--null"}, "fail", "null string at parameter 1"},
            {"$string@SoupProbe::KuidTag(string,string)",
             {"--str", "K", "--str", "<kuid2:12:34:5>"},
             "ok \"<kuid2:12:34:5>\""},
            {"$string@SoupProbe::NullKuidTag(string)", {"--str", "nk"}, "ok \"<NULL>\""},
            {"$bool@SoupProbe::MissingKuid(string)", {"--str", "nothing"}, "ok 1"},
            {"$bool@SoupProbe::MissingKuid(string)", {"--str", "nk"}, "ok 1"},
            {Sig("Remove(string)"), {"--str", "SPEED"}, "ok void"},
            {"$int@SoupProbe::IndexOf(string)", {"--str", "speed"}, "ok -1"},
            {Sig("Remove(string)"), {"--str", ""}, "fail", "empty string at parameter 1"},
        });
}

TEST(ScriptHostSoup, SubSoupsAreSharedAndLockedViewsRefuseEveryChange)
{
    const std::string parentLocked = "Soup.SetNamedTag> parent soup is locked";
    HostScripts::ExpectCalls(
        "soup_probe.gs", "SoupProbe",
        {
            {"$string@SoupProbe::Shared()", {}, "ok \"seen\""},
            {"$bool@SoupProbe::SubLocked()", {}, "ok 1"},
            {"$bool@SoupProbe::MissingSubLocked()", {}, "ok 1"},
            {"$int@SoupProbe::MissingSubCount()", {}, "ok 0"},
            {"$bool@SoupProbe::OwnLocked()", {}, "ok 0"},
            {Sig("WriteLocked()"), {}, "fail", parentLocked},
            {Sig("WriteLockedInt()"), {}, "fail", parentLocked},
            {Sig("WriteLockedFloat()"), {}, "fail", parentLocked},
            {Sig("WriteLockedKuid()"), {}, "fail", "Soup.SetNamedKUID> parent soup is locked"},
            {Sig("RemoveLocked()"), {}, "fail", "Soup.RemoveNamedTag> parent soup is locked"},
            {Sig("ClearLocked()"), {}, "fail", "Soup.Clear> parent soup is locked"},
            {Sig("CopyLocked()"), {}, "fail", "Soup.Copy> parent soup is locked"},
            {Sig("NestLocked()"), {}, "fail", parentLocked},
            {Sig("AddUniqueLocked()"), {}, "fail", "Soup.AddUniqueNamedSoup> parent soup is locked"},
            {Sig("NestLockedChild()"), {}, "fail", "Soup.SetNamedTag> sub-soup parameter is locked"},
            {Sig("AddUniqueLockedChild()"), {}, "fail", "Soup.AddUniqueNamedSoup> sub-soup parameter is locked"},
            // Nothing changed, and reading a locked soup works.
            {"$string@SoupProbe::StillThere()", {}, "ok \"seen\""},
        });
}

TEST(ScriptHostSoup, CopiesClearsUniqueNamesAndBadObjects)
{
    HostScripts::ExpectCalls("soup_probe.gs", "SoupProbe",
                             {
                                 {"$string@SoupProbe::Unique()", {}, "ok \"0,2\""},
                                 {"$string@SoupProbe::Text(string,string)", {"--str", "a", "--str", "b"}, "ok \"b\""},
                                 // The copy is deep: a later change of the source does not show in it.
                                 {"$int@SoupProbe::CopyOther()", {}, "ok 102"},
                                 {"$int@SoupProbe::CopySelf()", {}, "ok 0"},
                                 {"$int@SoupProbe::Cleared()", {}, "ok 0"},
                                 {Sig("CopyNull()"), {}, "fail", "null object at parameter 1"},
                                 {Sig("NestNull()"), {}, "fail", "null object at parameter 2"},
                                 {Sig("CopyBare()"), {}, "fail", "incorrect parameter type at parameter 1"},
                                 {Sig("Log()"), {}, "ok void"},
                             });
}

TEST(ScriptHostSoup, LogWritesTheSoupToTheScriptLog)
{
    const HostScripts::HostRun run = HostScripts::RunHost("soup_probe.gs", "SoupProbe", {"--call", Sig("Log()")});
    HostScripts::ExpectCleanEnd(run);
    EXPECT_TRUE(HostScripts::Logged(run, "speed")) << run.process.out;
}

}  // namespace
