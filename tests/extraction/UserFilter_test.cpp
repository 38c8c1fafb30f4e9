#include "UserFilter.h"

#include <gtest/gtest.h>

TEST(UserFilter, NormalisesAndSplitsAsTheUserSeesIt)
{
    EXPECT_EQ(UserFilter::Normalise(QStringLiteral(" ab ,cd ")), QStringLiteral("AB ,CD"));
    EXPECT_EQ(UserFilter::Normalise(QString::fromUtf16(u"\u3000cw ")),
              QString::fromUtf16(u"\u3000CW")); // only U+0020 is trimmed
    const std::pair<const char16_t*, QStringList> cases[] = {
        {u"AB ,SS B", {"AB", "SS B"}},
        {u"", {}},
        {u"CD,", {"CD", ""}},
        {u",,", {"", "", ""}},
        {u"CW\uFF0CFM", {QString::fromUtf16(u"CW\uFF0CFM")}}, // a full-width comma is no separator
    };
    for (const auto& [text, elements] : cases)
        EXPECT_EQ(UserFilter::Elements(QString::fromUtf16(text)), elements);
}

TEST(UserFilter, PassesOnlyExactElementsUnlessSwitchedOff)
{
    const UserFilter modes(UserFilter::Elements(QStringLiteral("SSB,FM")));
    EXPECT_TRUE(modes.Passes(QStringLiteral("SSB,FM"), u"FM"));
    for (const char16_t* refused : {u"fm", u"FM ", u""})
        EXPECT_FALSE(modes.Passes(QStringLiteral("SSB,FM"), refused));
    EXPECT_TRUE(modes.Passes(QStringLiteral("ALL"), u"CW")); // the box text decides "ALL"
    EXPECT_FALSE(modes.Passes(QStringLiteral("ALL,CD"), u"CW"));
    EXPECT_TRUE(UserFilter(UserFilter::Elements(QStringLiteral("CD,"))).Passes({}, u""));
    EXPECT_TRUE(UserFilter({}).Passes({}, u"anything"));
}
