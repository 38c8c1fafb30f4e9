#include "UserFilter.h"

#include <gtest/gtest.h>

TEST(UserFilter, NormalisesAndSplitsAsTheUserSeesIt)
{
    EXPECT_EQ(UserFilter::Normalise(QStringLiteral(" ab ,cd ")), QStringLiteral("AB ,CD"));
    EXPECT_EQ(UserFilter::Normalise(QStringLiteral("  all ")), QStringLiteral("ALL"));
    EXPECT_EQ(UserFilter::Normalise(QString::fromUtf16(u"\u3000cw\u3000")),
              QString::fromUtf16(u"\u3000CW\u3000")); // only U+0020 is trimmed

    const std::pair<const char16_t*, QStringList> cases[] = {
        {u"AB ,CD", {QStringLiteral("AB"), QStringLiteral("CD")}},
        {u"", {}},
        {u"CD,", {QStringLiteral("CD"), QString()}},
        {u",,", {QString(), QString(), QString()}},
        {u"SS B, FM", {QStringLiteral("SS B"), QStringLiteral("FM")}},
        {u"CW\uFF0CFM", {QString::fromUtf16(u"CW\uFF0CFM")}}, // a full-width comma is no separator
        {u"ALL,CD", {QStringLiteral("ALL"), QStringLiteral("CD")}},
    };
    for (const auto& [text, elements] : cases)
        EXPECT_EQ(UserFilter::Elements(QString::fromUtf16(text)), elements);
}

TEST(UserFilter, PassesOnlyExactElementsUnlessSwitchedOff)
{
    const UserFilter modes(UserFilter::Elements(QStringLiteral("SSB,FM")));
    EXPECT_TRUE(modes.Passes(QStringLiteral("SSB,FM"), u"FM"));
    EXPECT_FALSE(modes.Passes(QStringLiteral("SSB,FM"), u"fm"));
    EXPECT_FALSE(modes.Passes(QStringLiteral("SSB,FM"), u"FM "));
    EXPECT_FALSE(modes.Passes(QStringLiteral("SSB,FM"), u""));
    EXPECT_TRUE(modes.Passes(QStringLiteral("ALL"), u"CW")); // the box text decides "ALL"

    const UserFilter withEmpty(UserFilter::Elements(QStringLiteral("CD,")));
    EXPECT_TRUE(withEmpty.Passes(QStringLiteral("CD,"), u""));
    EXPECT_TRUE(withEmpty.Passes(QStringLiteral("CD,"), u"CD"));
    EXPECT_FALSE(withEmpty.Passes(QStringLiteral("CD,"), u"C"));

    const UserFilter allAndMore(UserFilter::Elements(QStringLiteral("ALL,CD")));
    EXPECT_FALSE(allAndMore.Passes(QStringLiteral("ALL,CD"), u"SSB"));

    const UserFilter none(UserFilter::Elements(QString()));
    EXPECT_TRUE(none.Passes(QString(), u"anything"));
}
