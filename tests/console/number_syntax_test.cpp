#include "console/number_syntax.h"

#include <gtest/gtest.h>

#include <limits>

namespace console {
namespace {

struct NumberCase {
    const char* Text;
    std::optional<int32_t> Value;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << "'" << c.Text << "'";
}

class NumberSyntax : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberSyntax, ParsesOrRejects) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(ParseInteger(c.Text), c.Value) << "text: '" << c.Text << "'";
    EXPECT_EQ(StrToIntDef(c.Text, -1), c.Value.value_or(-1));
    if (c.Value) {
        EXPECT_EQ(StrToInt(c.Text), *c.Value);
    } else {
        try {
            StrToInt(c.Text);
            ADD_FAILURE() << "accepted '" << c.Text << "'";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(c.Text) + "' is not a valid integer value");
        }
    }
}

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr std::nullopt_t kNo = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Table, NumberSyntax,
    ::testing::Values(
        // Decimal range and its edges.
        NumberCase{"0", 0}, NumberCase{"7", 7}, NumberCase{"300", 300},
        NumberCase{"2147483647", 2147483647}, NumberCase{"2147483648", kNo},
        NumberCase{"-2147483648", kMin}, NumberCase{"-2147483649", kNo}, NumberCase{"+12", 12},
        NumberCase{"-3", -3}, NumberCase{"-0", 0}, NumberCase{"000000000000000000042", 42},
        NumberCase{"99999999999999999999", kNo},
        // Hexadecimal: every prefix, either case, 32 bits taken as a signed value.
        NumberCase{"$FFFFFFFF", -1}, NumberCase{"$100000000", kNo},
        NumberCase{"$7fffffff", 2147483647}, NumberCase{"$80000000", kMin},
        NumberCase{"$0000000000ff", 255}, NumberCase{"x1f", 31}, NumberCase{"X1F", 31},
        NumberCase{"0x1f", 31}, NumberCase{"0X1F", 31}, NumberCase{"-$10", -16},
        NumberCase{"+$10", 16}, NumberCase{"-0x10", -16}, NumberCase{"-$80000000", kMin},
        NumberCase{"-$FFFFFFFF", 1},
        // Blanks: leading spaces only.
        NumberCase{" 7", 7}, NumberCase{"   -7", -7}, NumberCase{"7 ", kNo}, NumberCase{"\t7", kNo},
        NumberCase{"- 7", kNo}, NumberCase{" $ 7", kNo},
        // Not numbers.
        NumberCase{"", kNo}, NumberCase{" ", kNo}, NumberCase{"+", kNo}, NumberCase{"-", kNo},
        NumberCase{"$", kNo}, NumberCase{"x", kNo}, NumberCase{"0x", kNo}, NumberCase{"-$", kNo},
        NumberCase{"abc", kNo}, NumberCase{"12a", kNo}, NumberCase{"$1g", kNo},
        NumberCase{"0x0x1", kNo}, NumberCase{"$$1", kNo}, NumberCase{"+-1", kNo},
        NumberCase{"1.5", kNo}, NumberCase{"1e3", kNo}));

TEST(NumberSyntaxText, EmbeddedNulEndsNothing) {
    // A NUL inside the text is a character that does not belong to a number.
    EXPECT_EQ(ParseInteger(std::string_view("12\0", 3)), std::nullopt);
}

}  // namespace
}  // namespace console
