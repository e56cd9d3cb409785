#include "gui/qt/widget_message_box.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "tests/gui/test_application.h"

namespace lmx::gui {
namespace {

TEST(MessageBoxTest, AnswersInOrderAndRecordsWhatWasAsked) {
    testing::testApplication();
    MessageBoxAnswers answers;
    answers.answer(IDNO);
    answers.answer(IDCANCEL);
    QWidget owner;

    EXPECT_EQ(messageBox(&owner, QStringLiteral("本当に?"), QStringLiteral("LMX"), MessageBoxButtons::YesNo,
                         MessageBoxIcon::Question),
              IDNO);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("t2"), QStringLiteral("c2"), MessageBoxButtons::OkCancel,
                         MessageBoxIcon::Error, true),
              IDCANCEL);

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
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y")), IDOK);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y"), MessageBoxButtons::YesNoCancel), IDYES);
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("x"), QStringLiteral("y"), MessageBoxButtons::RetryCancel), IDRETRY);
    EXPECT_EQ(answers.asked().size(), 3u);
}

TEST(MessageBoxTest, InnerAnswersGiveWayToOuterOnesWhenTheyEnd) {
    testing::testApplication();
    MessageBoxAnswers outer;
    outer.answer(IDABORT);
    {
        MessageBoxAnswers inner;
        inner.answer(IDIGNORE);
        EXPECT_EQ(messageBox(nullptr, QStringLiteral("inner"), QString(), MessageBoxButtons::AbortRetryIgnore), IDIGNORE);
        EXPECT_EQ(inner.asked().size(), 1u);
    }
    EXPECT_EQ(messageBox(nullptr, QStringLiteral("outer"), QString(), MessageBoxButtons::AbortRetryIgnore), IDABORT);
    ASSERT_EQ(outer.asked().size(), 1u);
    EXPECT_EQ(outer.asked()[0].text, "outer");
}

}  // namespace
}  // namespace lmx::gui
