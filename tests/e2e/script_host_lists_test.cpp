// KUIDList, HTMLBuffer and LinkedList through scripts in the script host: every native with its edge cases.
#include <gtest/gtest.h>

#include "e2e/script_host_support.h"

namespace {

using HostScripts::CallRow;

TEST(ScriptHostKUIDList, DistinctIdsInOrderIndexRangeCopiesAndBadArguments)
{
    const std::string add = "$int@KuidListProbe::Add(string)";
    const std::string at = "$string@KuidListProbe::At(int)";
    const std::string outOfRange = "KUIDList.GetIndexedKUID> index out of range";
    HostScripts::ExpectCalls(
        "kuid_list_probe.gs", "KuidListProbe",
        {
            {add, {"--str", "<kuid:1:1>"}, "ok 1"},
            {add, {"--str", "<kuid:1:1>"}, "ok 1"},
            {add, {"--str", "<kuid2:1:1:2>"}, "ok 2"},
            {add, {"--str", "<kuid:3:3>"}, "ok 3"},
            {"$void@KuidListProbe::Remove(string)", {"--str", "<kuid2:1:1:2>"}, "ok void"},
            {"$void@KuidListProbe::Remove(string)", {"--str", "<kuid:8:8>"}, "ok void"},
            {"$string@KuidListProbe::All()", {}, "ok \"<kuid:1:1><kuid:3:3>\""},
            {"$bool@KuidListProbe::Has(string)", {"--str", "<kuid:3:3>"}, "ok 1"},
            {"$bool@KuidListProbe::Has(string)", {"--str", "<kuid2:3:3:1>"}, "ok 0"},
            {at, {"--int", "1"}, "ok \"<kuid:3:3>\""},
            {at, {"--int", "2"}, "fail", outOfRange},
            {at, {"--int", "-1"}, "fail", outOfRange},
            {"$bool@KuidListProbe::SameObject()", {}, "ok 1"},
            {"$int@KuidListProbe::CopyOther()", {}, "ok 2"},
            {"$void@KuidListProbe::AddNull()", {}, "fail", "null object at parameter 1"},
            {"$bool@KuidListProbe::HasNull()", {}, "fail", "null object at parameter 1"},
            {"$void@KuidListProbe::CopyNull()", {}, "fail", "null object at parameter 1"},
            {"$void@KuidListProbe::AddBare()", {}, "fail", "incorrect parameter type at parameter 1"},
            {"$bool@KuidListProbe::Locked()", {}, "ok 0"},
            {"$int@KuidListProbe::CopySelf()", {}, "ok 0"},
            {add, {"--str", "<kuid:3:3>"}, "ok 1"},
            {"$int@KuidListProbe::Cleared()", {}, "ok 0"},
        });
}

TEST(ScriptHostHTMLBuffer, PrintEscapeClearAndStringArguments)
{
    const std::string print = "$string@HtmlProbe::Print(string)";
    const std::string escape = "$string@HtmlProbe::Escape(string)";
    HostScripts::ExpectCalls(
        "html_buffer_probe.gs", "HtmlProbe",
        {
            {"$bool@HtmlProbe::Empty()", {}, "ok 1"},
            {"$string@HtmlProbe::Text()", {}, "ok \"\""},
            {print, {"--str", "<b>"}, "ok \"<b>\""},
            {"$bool@HtmlProbe::Empty()", {}, "ok 0"},
            {escape, {"--str", "a<b & c>d \"q\" \xC3\xA9"}, "ok \"<b>a&lt;b &amp; c&gt;d \"q\" \xC3\xA9\""},
            {"$void@HtmlProbe::Clear()", {}, "ok void"},
            {"$bool@HtmlProbe::Empty()", {}, "ok 1"},
            {print, {"--str", "x"}, "ok \"x\""},
            {print, {"--null"}, "fail", "null string at parameter 1"},
            {print, {"--str", ""}, "fail", "empty string at parameter 1"},
            {escape, {"--null"}, "fail", "null string at parameter 1"},
            {escape, {"--str", ""}, "fail", "empty string at parameter 1"},
            {"$string@HtmlProbe::Text()", {}, "ok \"x\""},
            // CR LF and LF CR are one break each, LF LF two.
            {"$string@HtmlProbe::Breaks()", {}, "ok \"a<br>b<br>c<br><br>d<br>e\""},
        });
}

TEST(ScriptHostLinkedList, UniqueAppendsAndSortByName)
{
    const std::string add = "$int@LinkedProbe::Add(string,int,bool,bool)";
    HostScripts::ExpectCalls("linked_list_probe.gs", "LinkedProbe",
                             {
                                 {add, {"--str", "b", "--int", "1", "--int", "1", "--int", "1"}, "ok 1"},
                                 // Equal in name, value and object: not added again.
                                 {add, {"--str", "b", "--int", "1", "--int", "1", "--int", "1"}, "ok 1"},
                                 {add, {"--str", "b", "--int", "1", "--int", "0", "--int", "1"}, "ok 2"},
                                 {add, {"--str", "b", "--int", "2", "--int", "1", "--int", "1"}, "ok 3"},
                                 {add, {"--str", "B", "--int", "1", "--int", "1", "--int", "1"}, "ok 4"},
                                 {add, {"--str", "a", "--int", "1", "--int", "1", "--int", "0"}, "ok 5"},
                                 {add, {"--str", "b", "--int", "1", "--int", "1", "--int", "0"}, "ok 6"},
                                 {"$void@LinkedProbe::AddNull(bool)", {"--int", "1"}, "ok void"},
                                 {"$void@LinkedProbe::AddNameless(bool)", {"--int", "1"}, "ok void"},
                                 {"$void@LinkedProbe::AddNameless(bool)", {"--int", "1"}, "ok void"},
                                 {"$string@LinkedProbe::Names()", {}, "ok \"b:1,b:1,b:2,B:1,a:1,b:1,:0,\""},
                                 {"$string@LinkedProbe::Sort()", {}, "ok \":0,B:1,a:1,b:1,b:2,b:1,b:1,\""},
                                 {"$void@LinkedProbe::SortNullArray()", {}, "fail", "null object at parameter 1"},
                             });
}

TEST(ScriptHostLinkedList, SortPutsNullElementsFirstAndKeepsShortArrays)
{
    const std::string add = "$int@LinkedProbe::Add(string,int,bool,bool)";
    HostScripts::ExpectCalls("linked_list_probe.gs", "LinkedProbe",
                             {
                                 {"$string@LinkedProbe::Sort()", {}, "ok \"\""},
                                 {add, {"--str", "b", "--int", "1", "--int", "0", "--int", "0"}, "ok 1"},
                                 {"$string@LinkedProbe::Sort()", {}, "ok \"b:1,\""},
                                 {add, {"--str", "a", "--int", "2", "--int", "0", "--int", "0"}, "ok 2"},
                                 {add, {"--str", "c", "--int", "3", "--int", "0", "--int", "0"}, "ok 3"},
                                 {"$void@LinkedProbe::PlaceNull(int)", {"--int", "2"}, "ok void"},
                                 {"$string@LinkedProbe::Sort()", {}, "ok \"-a:2,b:1,\""},
                             });
}

}  // namespace
