#include "RecordClassification.h"

#include <gtest/gtest.h>

namespace {

struct CallCase {
    const char* name;
    const char16_t* call;
    const char16_t* operating = nullptr; // refused
    const char16_t* home = u"";
};

class CallAreaTable : public ::testing::TestWithParam<CallCase> {};

TEST_P(CallAreaTable, ClassifiesTheCallsign)
{
    const CallCase& c = GetParam();
    const CallAreas areas = ClassifyCallArea(QStringView(c.call));
    ASSERT_EQ(areas.Accepted, c.operating != nullptr);
    if (areas.Accepted) {
        EXPECT_EQ(areas.OperatingArea, QStringView(c.operating));
        EXPECT_EQ(areas.HomeArea, QStringView(c.home));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CallAreaTable,
    ::testing::Values(
        CallCase{"DigitSuffix", u"JA1ABC/2", u"2", u"1"},
        CallCase{"SevenKAreaOne", u"7K3XYZ/JA0", u"0", u"1"},
        CallCase{"SevenKOtherDigit", u"7K5XYZ/3", u"3", u"5"},
        CallCase{"SevenNAreaFour", u"7N4ABC/9", u"9", u"1"},
        CallCase{"JD1Suffix", u"JA1ABC/JD1", u"1", u"1"}, CallCase{"8J", u"8J1ABC/5", u"5", u"1"},
        CallCase{"7J", u"7J3AAA/0", u"0", u"3"}, CallCase{"JSFamily", u"JS6ABC/JA6", u"6", u"6"},
        CallCase{"SpacesAroundPartsAndWhole", u"  JA1ABC / 2  ", u"2", u"1"},
        CallCase{"ThirdPartIgnored", u"JA1ABC/1/P", u"1", u"1"},
        CallCase{"TwoCharacterBase", u"JA/3", u"3", u""},
        CallCase{"ThirdCharacterNotADigit", u"JAX/3", u"3", u"X"},
        CallCase{"NoSuffix", u"JH1ABC"}, CallCase{"SuffixIsSecondPartOnly", u"JA1ABC/P/1"},
        CallCase{"EmptySuffix", u"JA1ABC/"}, CallCase{"TwoDigitSuffix", u"JA1ABC/12"},
        CallCase{"PrefixWithoutDigit", u"JA1ABC/JA"}, CallCase{"JD2Suffix", u"JA1ABC/JD2"},
        CallCase{"JE1Suffix", u"JA1ABC/JE1"}, CallCase{"LowerCaseBase", u"ja1abc/2"},
        CallCase{"LowerCaseSuffix", u"JA1ABC/ja2"}, CallCase{"JBNotAFamily", u"JB1ABC/2"},
        CallCase{"JTNotAFamily", u"JT1ABC/2"}, CallCase{"SevenONotAFamily", u"7O1ABC/2"},
        CallCase{"EightONotAFamily", u"8O1ABC/2"}, CallCase{"Foreign", u"KH0ABC/1"},
        CallCase{"EmptyBase", u"/2"}, CallCase{"OneCharacterBase", u"J/2"},
        CallCase{"Empty", u""}, CallCase{"OnlySpaces", u"   "},
        CallCase{"FullWidthSpaceNotTrimmed", u"JA1ABC/2\u3000"}),
    [](const auto& row) { return std::string(row.param.name); });

struct BandCase {
    const char* name;
    const char16_t* freq;
    const char16_t* band;
};

class BandTable : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandTable, NamesTheBand)
{
    EXPECT_EQ(BandName(QStringView(GetParam().freq)), QStringView(GetParam().band));
}

INSTANTIATE_TEST_SUITE_P(
    Frequencies, BandTable,
    ::testing::Values(
        BandCase{"B430", u"433.00", u"430"}, BandCase{"B1_9", u"1.8", u"1.9"},
        BandCase{"B3_5", u"3.8", u"3.5"}, BandCase{"B7", u"7.050", u"7"},
        BandCase{"FiveDigits10G", u"10368", u"10000"}, BandCase{"Dot10G", u"10368.0", u"10000"},
        BandCase{"B24G", u"24048", u"24000"}, BandCase{"B47G", u"47088", u"47000"},
        BandCase{"DotSixthOther", u"76000.0", u"7"}, BandCase{"FiveDigitsOther", u"14000", u"14"},
        BandCase{"B10", u"10.125", u"10"}, BandCase{"B29", u"29.600", u"28"},
        BandCase{"B28", u"28.500", u"28"}, BandCase{"B24Bare", u"24", u"24"},
        BandCase{"B24Dot", u"24.940", u"24"}, BandCase{"B2400Bare", u"2400", u"2400"},
        BandCase{"B2400Dot", u"2427.5", u"2400"}, BandCase{"B50", u"50.200", u"50"},
        BandCase{"B55", u"55", u"50"}, BandCase{"B5760", u"5760", u"5600"},
        BandCase{"B145", u"145.000", u"144"}, BandCase{"B144", u"144.100", u"144"},
        BandCase{"B146LastTestWins", u"146.000", u"14"}, BandCase{"B1295", u"1295.00", u"1200"},
        BandCase{"B18", u"18.100", u"18"}, BandCase{"B21", u"21.300", u"21"},
        BandCase{"FiveAlone", u"5", u""}, BandCase{"BelowOne", u"0.136", u""},
        BandCase{"Empty", u"", u""}, BandCase{"LeadingSpace", u" 7.050", u""},
        BandCase{"Letters", u"ABC", u""}, BandCase{"TwoAlone", u"2", u""}),
    [](const auto& row) { return std::string(row.param.name); });

// A decimal number and "G": the band whose range holds the value, or none.
INSTANTIATE_TEST_SUITE_P(
    Gigahertz, BandTable,
    ::testing::Values(
        BandCase{"G1_2", u"1.2G", u"1200"}, BandCase{"G1_299", u"1.299G", u"1200"},
        BandCase{"G1_3", u"1.3G", u""}, BandCase{"G1_19", u"1.19G", u""},
        BandCase{"G2_4", u"2.4G", u"2400"}, BandCase{"G2_5", u"2.5G", u""},
        BandCase{"G5_76", u"5.76G", u"5600"}, BandCase{"G5_9", u"5.9G", u""},
        BandCase{"G10", u"10G", u"10000"}, BandCase{"G10_4999", u"10.4999G", u"10000"},
        BandCase{"G10_5", u"10.5G", u""}, BandCase{"G24", u"24G", u"24000"},
        BandCase{"G24_3", u"24.3G", u""}, BandCase{"G47_2", u"47.2G", u"47000"},
        BandCase{"G47_3", u"47.3G", u""}, BandCase{"G135", u"135G", u""},
        BandCase{"ManyDigits", u"100000000000000000000010G", u""},
        // Not a decimal number and "G": the frequency rules as they were.
        BandCase{"LowerCaseG", u"10g", u"10"}, BandCase{"DotBeforeG", u"10.G", u"10"},
        BandCase{"LetterInside", u"12A4G", u"1200"}, BandCase{"CrossBand", u"430/144", u"430"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

TEST(DateWithCentury, PutsTheCenturyInFrontByTextOrder)
{
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"99/12/31", u"1999/12/31"}, {u"51/01/01", u"1951/01/01"}, {u"50/06/30", u"2050/06/30"},
        {u"06/08/04", u"2006/08/04"}, {u"", u"20"},                 {u"5", u"205"},
        {u"6", u"196"},               {u"A0/01/01", u"19A0/01/01"}, {u" 9/01/01", u"20 9/01/01"},
    };
    for (const auto& [date, full] : cases)
        EXPECT_EQ(DateWithCentury(QStringView(date)), QStringView(full));
}

TEST(DateWithCentury, KeepsAFourDigitYear)
{
    for (const char16_t* date : {u"2025/08/16", u"1998/12/31", u"2051/01/01"})
        EXPECT_EQ(DateWithCentury(QStringView(date)), QStringView(date));
    // Only four digits and "/" make a year.
    EXPECT_EQ(DateWithCentury(u"202/01/01"), u"20202/01/01");
    EXPECT_EQ(DateWithCentury(u"98765/1/1"), u"1998765/1/1");
}
