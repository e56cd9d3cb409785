#include "gui/qt/widget_message_box.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "tests/gui/test_application.h"

namespace lmx::gui {
namespace {

TEST(MessageBoxTest, AnswersInOrderAndRecordsWhatWasAsked) {
    testing::testApplication();
    MessageBoxAnswers answers;
    answers.answer(IdNo);
    answers.answer(IdCancel);
    QWidget owner;

    EXPECT_EQ(messageBox(&owner, QStringLiteral("本当に?"), QStringLiteral("LMX"), MessageBoxButtons::YesNo,
                         MessageBoxIcon::Question),
              IdNo);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("t2"), QStringLiteral("c2"), MessageBoxButtons::OkCancel,
                         MessageBoxIcon::Error, true),
              IdCancel);

    ASSERT_EQ(answers.asked().size(), 2u);
    const MessageBoxRequest& first = answers.asked()[0];
    EXPECT_EQ(first.text, "本当に?");
    EXPECT_EQ(first.caption, "LMX");
    EXPECT_EQ(first.icon, MessageBoxIcon::Question);
    EXPECT_EQ(first.buttons, MessageBoxButtons::YesNo);
    EXPECT_FALSE(first.topMost);
    EXPECT_TRUE(first.hasOwner);
    const MessageBoxRequest& second = answers.asked()[1];
    EXPECT_EQ(second.icon, MessageBoxIcon::Error);
    EXPECT_TRUE(second.topMost);
    EXPECT_FALSE(second.hasOwner);
}

TEST(MessageBoxTest, WithoutQueuedAnswersTheFirstButtonIsPressed) {
    testing::testApplication();
    MessageBoxAnswers answers;
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y")), IdOk);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y"), MessageBoxButtons::YesNoCancel), IdYes);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y"), MessageBoxButtons::RetryCancel), IdRetry);
    EXPECT_EQ(answers.asked().size(), 3u);
}

TEST(MessageBoxTest, InnerAnswersGiveWayToOuterOnesWhenTheyEnd) {
    testing::testApplication();
    MessageBoxAnswers outer;
    outer.answer(IdAbort);
    {
        MessageBoxAnswers inner;
        inner.answer(IdIgnore);
        EXPECT_EQ(messageBox(nullptr, QStringLiteral("inner"), QString(), MessageBoxButtons::AbortRetryIgnore), IdIgnore);
        EXPECT_EQ(inner.asked().size(), 1u);
    }
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("outer"), QString(), MessageBoxButtons::AbortRetryIgnore), IdAbort);
    ASSERT_EQ(outer.asked().size(), 1u);
    EXPECT_EQ(outer.asked()[0].text, "outer");
}

}  // namespace
}  // namespace lmx::gui
