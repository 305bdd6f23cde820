// The template error collector: duplicate refusal by key and text, keyless findings, removal per object, notes.
#include <gtest/gtest.h>

#include <new>

#include "template_test_support.h"
#include "templates/dod_container.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_tag.h"

namespace TemplateTests {
namespace {

using DODLib::Container;
using DODLib::ErrorHandler;
using DODLib::Tag;

class ErrorHandlerTest : public TemplateTest {
protected:
    ErrorHandler& errors() { return *ErrorHandler::Instance(); }
};

TEST_F(ErrorHandlerTest, TheSameTextForTheSameContainerIsRecordedOnce)
{
    Container box;
    const Zel::PString text("broken");
    EXPECT_TRUE(errors().AddError(text, &box));
    EXPECT_FALSE(errors().AddError(text, &box));
    EXPECT_FALSE(errors().AddWarning(text, &box));
    ASSERT_EQ(errors().GetRecords().size(), 1u);
    EXPECT_EQ(errors().GetRecords()[0].severity, DODLib::SeverityError);
    EXPECT_EQ(errors().GetRecords()[0].container, box.Serial());
    EXPECT_EQ(errors().GetRecords()[0].tag, 0u);
}

TEST_F(ErrorHandlerTest, TwoContainersKeepTheirOwnRecordsAndAKeylessDuplicateIsRefused)
{
    Container first;
    Container second;
    const Zel::PString text("broken");
    EXPECT_TRUE(errors().AddError(text, &first));
    EXPECT_TRUE(errors().AddError(text, &second));
    EXPECT_FALSE(errors().AddError(text));
    EXPECT_FALSE(errors().AddWarning(text));
    EXPECT_EQ(errors().GetRecords().size(), 2u);
}

TEST_F(ErrorHandlerTest, AKeylessAddIsRefusedWhenAnyRecordHasTheText)
{
    Tag tag;
    EXPECT_TRUE(errors().AddWarning(Zel::PString("seen"), &tag));
    EXPECT_FALSE(errors().AddError(Zel::PString("seen")));
    EXPECT_TRUE(errors().AddError(Zel::PString("new")));
    EXPECT_FALSE(errors().AddError(Zel::PString("new")));
    EXPECT_EQ(errors().GetRecords().size(), 2u);
}

TEST_F(ErrorHandlerTest, RemovingAContainersRecordsRemovesOnlyTheFirst)
{
    Container box;
    errors().AddError(Zel::PString("one"), &box);
    errors().AddWarning(Zel::PString("two"), &box);
    errors().RemoveContainerRecord(&box);
    ASSERT_EQ(errors().GetRecords().size(), 1u);
    EXPECT_EQ(std::string(errors().GetRecords()[0].text.c_str()), "two");
    // The removed text may be added again.
    EXPECT_TRUE(errors().AddError(Zel::PString("one"), &box));
}

TEST_F(ErrorHandlerTest, ATagRecordIsNotRemovedByTheContainerRemoval)
{
    Container box;
    Tag tag;
    errors().AddError(Zel::PString("about the tag"), &tag);
    errors().RemoveContainerRecord(&box);
    EXPECT_EQ(errors().GetRecords().size(), 1u);
    errors().RemoveTagRecord(&tag);
    EXPECT_TRUE(errors().GetRecords().empty());
}

TEST_F(ErrorHandlerTest, NotesAreNeverRecorded)
{
    Container box;
    Tag tag;
    EXPECT_TRUE(errors().AddNote(Zel::PString("progress"), &box));
    EXPECT_TRUE(errors().AddNote(Zel::PString("progress"), &tag));
    EXPECT_TRUE(errors().AddNote(Zel::PString("progress")));
    EXPECT_TRUE(errors().GetRecords().empty());
    errors().AddError(Zel::PString("progress"));
    EXPECT_FALSE(errors().AddNote(Zel::PString("progress")));
    EXPECT_EQ(errors().GetRecords().size(), 1u);
}

TEST_F(ErrorHandlerTest, DestroyingAnObjectDropsItsFirstRecord)
{
    auto* tag = new Tag();
    errors().AddError(Zel::PString("about a doomed tag"), tag);
    delete tag;
    EXPECT_TRUE(errors().GetRecords().empty());
}

// An object made where a destroyed one lived must not find that object's
// findings as its own: the new tag's first finding of the same text is new.
TEST_F(ErrorHandlerTest, AnObjectAtARecycledAddressDoesNotInheritStaleRecords)
{
    alignas(Tag) unsigned char storage[sizeof(Tag)];
    Tag* first = new (storage) Tag();
    errors().AddError(Zel::PString("stale"), first);
    errors().AddError(Zel::PString("kept"), first);
    first->~Tag();  // removes only its first record; "kept" stays
    Tag* second = new (storage) Tag();
    EXPECT_TRUE(errors().AddError(Zel::PString("kept"), second));
    errors().RemoveTagRecord(second);
    // The removal took the new tag's record, not the stale one.
    ASSERT_EQ(errors().GetRecords().size(), 1u);
    EXPECT_NE(errors().GetRecords()[0].tag, second->Serial());
    second->~Tag();
}

TEST_F(ErrorHandlerTest, ShutdownWithoutACollectorDoesNothingAndLeavesNone)
{
    ErrorHandler::Shutdown();
    EXPECT_EQ(ErrorHandler::Instance(), nullptr);
    ErrorHandler::Shutdown();
    EXPECT_EQ(ErrorHandler::Instance(), nullptr);
    ErrorHandler::Initialise();
}

// Thousands of findings about thousands of objects: every one distinct is
// kept, every repeat refused, and removal finds each object's own record.
TEST_F(ErrorHandlerTest, ManyFindingsKeepTheirKeys)
{
    std::vector<std::unique_ptr<Tag>> tags;
    for (int i = 0; i < 5000; ++i)
        tags.push_back(std::make_unique<Tag>());
    for (int i = 0; i < 5000; ++i) {
        ASSERT_TRUE(errors().AddError(Zel::PString(("finding " + std::to_string(i % 100)).c_str()), tags[i].get()));
        ASSERT_FALSE(errors().AddWarning(Zel::PString(("finding " + std::to_string(i % 100)).c_str()), tags[i].get()));
    }
    EXPECT_EQ(errors().GetRecords().size(), 5000u);
    EXPECT_FALSE(errors().AddError(Zel::PString("finding 7")));
    tags.resize(2500);
    EXPECT_EQ(errors().GetRecords().size(), 2500u);
}

// Removals in any order leave the others in the order they were added, and
// a removed text may be recorded again for its object.
TEST_F(ErrorHandlerTest, RemovalsInAnyOrderKeepTheRestInOrder)
{
    std::vector<std::unique_ptr<Container>> boxes;
    for (int i = 0; i < 300; ++i) {
        boxes.push_back(std::make_unique<Container>());
        errors().AddError(Zel::PString(("first " + std::to_string(i)).c_str()), boxes.back().get());
        errors().AddWarning(Zel::PString(("second " + std::to_string(i)).c_str()), boxes.back().get());
    }
    for (int i = 299; i >= 0; i -= 3)
        errors().RemoveContainerRecord(boxes[size_t(i)].get());
    for (int i = 0; i < 300; i += 2)
        errors().RemoveContainerRecord(boxes[size_t(i)].get());
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const int removed = ((299 - i) % 3 == 0 ? 1 : 0) + (i % 2 == 0 ? 1 : 0);
        if (removed == 0)
            expected.push_back("first " + std::to_string(i));
        if (removed < 2)
            expected.push_back("second " + std::to_string(i));
    }
    std::vector<std::string> texts;
    for (const DODLib::ErrorRecord& record : errors().GetRecords())
        texts.push_back(record.text.c_str());
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(errors().AddError(Zel::PString("first 299"), boxes[299].get()));
    EXPECT_FALSE(errors().AddError(Zel::PString("second 1"), boxes[1].get()));
}

}  // namespace
}  // namespace TemplateTests
