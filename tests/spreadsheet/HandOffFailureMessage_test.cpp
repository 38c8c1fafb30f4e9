#include "HandOffFailureMessage.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(HandOffFailureMessage, NamesTheFailureTheReasonAndTheKeptFile)
{
    const QString path = QStringLiteral("/home/局/抽出 結果/KORVEX.tmp");
    const QString reason = QStringLiteral("soffice: execv: No such file or directory");
    const QString text = HandOffFailureMessage(path, reason);
    const QStringList lines = text.split(u'\n');

    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.first().contains(QStringLiteral("起動できません"))) << text.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("理由: ") + reason)) << text.toStdString();
    // On a line of its own, so the user can copy it whole.
    EXPECT_EQ(lines.last(), path);
    EXPECT_FALSE(text.contains(u'\r'));
}
