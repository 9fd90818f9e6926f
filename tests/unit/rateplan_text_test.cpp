// Money texts of the rate plan form, the policy limit, the description of
// the fields.
#include "data/tables/RatePlan.h"
#include "pages/RatePlanText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MoneyText, TwoDecimalsWithoutLeadingZero) {
    EXPECT_EQ(vd::MoneyText(0), ".00");
    EXPECT_EQ(vd::MoneyText(-0.0), ".00");
    EXPECT_EQ(vd::MoneyText(0.5), ".50");
    EXPECT_EQ(vd::MoneyText(-0.5), "-.50");
    EXPECT_EQ(vd::MoneyText(1.5), "1.50");
    EXPECT_EQ(vd::MoneyText(-1.5), "-1.50");
    EXPECT_EQ(vd::MoneyText(12), "12.00");
    EXPECT_EQ(vd::MoneyText(1234567.891), "1234567.89");  // no thousands separator
    EXPECT_EQ(vd::MoneyText(1e20), "100000000000000000000.00");
}

TEST(MoneyText, RoundsHalvesAwayFromZeroOnTheDecimalValue) {
    // 2.675 and 1.005 are stored just below the half; the text rounds as typed.
    EXPECT_EQ(vd::MoneyText(2.675), "2.68");
    EXPECT_EQ(vd::MoneyText(1.005), "1.01");
    EXPECT_EQ(vd::MoneyText(-1.005), "-1.01");
    EXPECT_EQ(vd::MoneyText(0.005), ".01");
    EXPECT_EQ(vd::MoneyText(0.004), ".00");
    EXPECT_EQ(vd::MoneyText(-0.004), ".00");  // no "-.00"
    EXPECT_EQ(vd::MoneyText(9.995), "10.00");
    EXPECT_EQ(vd::MoneyText(99.999), "100.00");
    EXPECT_EQ(vd::MoneyText(0.1 + 0.2), ".30");
    EXPECT_EQ(vd::MoneyText(1e-300), ".00");
}

TEST(LimitPolicy, CutsOnlyBeyondAPositiveSizeAndTrimsTheCut) {
    bool cut = true;
    const std::string exact(255, 'x');
    EXPECT_EQ(vd::LimitPolicy(exact, 255, cut), exact);
    EXPECT_FALSE(cut);

    const std::string longer = " " + std::string(250, 'y') + "    z";  // 256 characters
    EXPECT_EQ(vd::LimitPolicy(longer, 255, cut), std::string(250, 'y'));
    EXPECT_TRUE(cut);

    EXPECT_EQ(vd::LimitPolicy(std::string(5000, 'm'), 0, cut), std::string(5000, 'm'));  // memo: no limit
    EXPECT_FALSE(cut);

    // A text that fits keeps its blanks.
    EXPECT_EQ(vd::LimitPolicy("  a  ", 255, cut), "  a  ");
    EXPECT_FALSE(cut);

    // A UTF-8 character across the limit goes whole; one that ends at it stays.
    const std::string e = "\xC3\xA9", euro = "\xE2\x82\xAC", clef = "\xF0\x9D\x84\x9E";
    EXPECT_EQ(vd::LimitPolicy(std::string(254, 'a') + e, 255, cut), std::string(254, 'a'));
    EXPECT_TRUE(cut);
    EXPECT_EQ(vd::LimitPolicy(std::string(253, 'a') + e + "b", 255, cut), std::string(253, 'a') + e);
    EXPECT_EQ(vd::LimitPolicy(std::string(253, 'a') + euro, 255, cut), std::string(253, 'a'));
    EXPECT_EQ(vd::LimitPolicy(std::string(252, 'a') + clef, 255, cut), std::string(252, 'a'));
    EXPECT_EQ(vd::LimitPolicy(std::string(9, 'a') + " " + clef, 12, cut), std::string(9, 'a'));
    // Bytes that are not UTF-8 are cut where the limit falls.
    EXPECT_EQ(vd::LimitPolicy(std::string(254, 'a') + "\xE9\xE9", 255, cut), std::string(254, 'a') + "\xE9");
    EXPECT_EQ(vd::LimitPolicy(std::string(250, 'a') + std::string(6, '\x80'), 255, cut),
              std::string(250, 'a') + std::string(5, '\x80'));
}

}  // namespace

TEST(PlanFields, EachColumnBesideTheKeyOnceAndInColumnOrderForReadAndSave) {
    std::vector<int> columns;
    for (const vd::PlanField* field : vd::PlanFieldsByColumn()) columns.push_back(field->Column);
    std::vector<int> expected;
    for (int column = 3; column < 25; ++column) expected.push_back(column);
    EXPECT_EQ(columns, expected);
    EXPECT_EQ(vd::PlanFields().size(), expected.size());
}
