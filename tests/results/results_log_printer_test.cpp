// The printer's exact line format and its closing count line.
#include <gtest/gtest.h>

#include "results_log_test_support.h"

using Kind = ResultsLog::MessageKind;

TEST(PrintResultsLog, EmptyLogPrintsOnlyTheClosingLine)
{
    ResultsLog log;
    EXPECT_EQ(PrintToString(log), "OK (0 Errors, 0 Warnings)\n");
}

TEST(PrintResultsLog, EachKindHasItsPrefixAndOnlyErrorsAndWarningsAreCounted)
{
    ResultsLog log;
    log.AddMessage(Kind::Info, "info");
    log.AddMessage(Kind::Warning, "warning");
    log.AddMessage(Kind::Error, "error");
    log.AddMessage(Kind::Success, "success");
    log.AddMessage(Kind::Error, "second error");
    EXPECT_EQ(PrintToString(log), "; <NULL> : info\n"
                                  "! <NULL> : warning\n"
                                  "- <NULL> : error\n"
                                  "+ <NULL> : success\n"
                                  "- <NULL> : second error\n"
                                  "OK (2 Errors, 1 Warnings)\n");
    EXPECT_EQ(log.SuccessCount(), 1);
    EXPECT_EQ(log.ErrorCount(), 2);
    EXPECT_EQ(log.WarningCount(), 1);
}

TEST(PrintResultsLog, LineWithItsOwnAssetPrintsThatIdInTagForm)
{
    ResultsLog log;
    log.AddMessage(Kind::Error, AssetProperty(5, 100, 0), Zel::String("short form"));
    log.AddMessage(Kind::Warning, AssetProperty(5, 100, 3), Zel::String("long form"));
    log.AddAssetMessage(Kind::Error, KUID(-3, 7, 127), "negative user");
    EXPECT_EQ(PrintToString(log), "- <kuid:5:100> : short form\n"
                                  "! <kuid2:5:100:3> : long form\n"
                                  "- <kuid:-3:7> : negative user\n"
                                  "OK (2 Errors, 1 Warnings)\n");
}

TEST(PrintResultsLog, PushedAssetIsTheDefaultOfLinesAddedWhileItIsOnTop)
{
    ResultsLog log;
    log.AddMessage(Kind::Info, "before");
    log.PushAsset(AssetProperty(1, 2, 0));
    log.AddMessage(Kind::Info, "pushed");
    log.AddMessage(Kind::Info, AssetProperty(3, 4, 0), Zel::String("own"));
    log.PushAsset(AssetProperty(9, 9, 0));
    log.AddMessage(Kind::Info, "inner");
    log.PopAsset();
    log.AddMessage(Kind::Info, "outer again");
    log.PopAsset();
    log.PopAsset();  // an empty stack: nothing happens
    log.AddMessage(Kind::Info, "after");
    EXPECT_EQ(PrintToString(log), "; <NULL> : before\n"
                                  "; <kuid:1:2> : pushed\n"
                                  "; <kuid:3:4> : own\n"
                                  "; <kuid:9:9> : inner\n"
                                  "; <kuid:1:2> : outer again\n"
                                  "; <NULL> : after\n"
                                  "OK (0 Errors, 0 Warnings)\n");
}

TEST(PrintResultsLog, KindOutsideTheFourPrintsNoPrefixAndCountsNowhere)
{
    TBuffer buffer;
    buffer.WriteInt32(0);
    buffer.WriteInt32(1);
    buffer.WriteInt32(9);
    buffer.WriteString(Zel::AnsiString("odd"));
    buffer.WriteInt32(0);
    buffer.Rewind();
    ResultsLog log;
    log.ReadFrom(buffer);
    EXPECT_EQ(PrintToString(log), "<NULL> : odd\nOK (0 Errors, 0 Warnings)\n");
}

TEST(PrintResultsLog, TextIsPrintedAsStoredIncludingItsOwnLineEnd)
{
    ResultsLog log;
    log.AddMessage(Kind::Error, "two\n");
    EXPECT_EQ(PrintToString(log), "- <NULL> : two\n\nOK (1 Errors, 0 Warnings)\n");
}

TEST(PrintResultsLog, PrintingSetsTheSentFlag)
{
    ResultsLog log;
    EXPECT_TRUE(log.IsSent());
    log.AddMessage(Kind::Info, "x");
    EXPECT_FALSE(log.IsSent());
    PrintToString(log);
    EXPECT_TRUE(log.IsSent());
}

TEST(PrintResultsLog, AnIdOutsideTheRangeRulePrintsAsItsTextReadsBack)
{
    // The printer reads the property's text back as an id, and an id that
    // breaks the range rule reads back as the null id.
    ResultsLog log;
    log.AddMessage(Kind::Info, AssetProperty(5, 100, 200), Zel::String("bad version"));
    log.AddMessage(Kind::Info, AssetProperty(-3, 100, 0), Zel::String("negative user, version 0"));
    log.AddMessage(Kind::Info, AssetProperty(-1, -1, 127), Zel::String("null id"));
    EXPECT_EQ(PrintToString(log), "; <NULL> : bad version\n"
                                  "; <NULL> : negative user, version 0\n"
                                  "; <NULL> : null id\n"
                                  "OK (0 Errors, 0 Warnings)\n");
}

namespace {

std::string Translated(const char* tag)
{
    return std::string("text of ") + tag;
}

}  // namespace

TEST(PrintResultsLog, TheDaemonsTaggedLinesPrintThroughTheTextLookup)
{
    ResultsLog log;
    log.AddMessage(Kind::Error, "$kadtask_repair_err_duplicate");
    log.AddMessage(Kind::Error, "$kad_installed");
    log.AddMessage(Kind::Info, "$own text");
    log.AddMessage(Kind::Info, "$kadx");
    SetResultsLogTextLookup(Translated);
    std::string printed = PrintToString(log);
    SetResultsLogTextLookup(nullptr);
    EXPECT_EQ(printed, "- <NULL> : text of $kadtask_repair_err_duplicate\n"
                       "- <NULL> : text of $kad_installed\n"
                       "; <NULL> : $own text\n"
                       "; <NULL> : $kadx\n"
                       "OK (2 Errors, 0 Warnings)\n");
    // Without a lookup the tag prints as it is.
    EXPECT_NE(PrintToString(log).find(": $kad_installed\n"), std::string::npos);
}
