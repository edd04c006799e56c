#include "ByteOrder.h"
#include "CCalculator.h"
#include "CalcNumber.h"
#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Types a key sequence: digits, '.', + - * / =, and letters for the rest:
// A all clear, E clear entry, S sign, Q square root, % percent,
// C memory clear, R memory recall, M memory minus, P memory plus, b a black key.
int keyCodeOf(char c)
{
    static const int kDigitKeys[10] = {59, 60, 62, 64, 65, 67, 69, 71, 72, 74};
    if (c >= '0' && c <= '9')
        return kDigitKeys[c - '0'];
    switch (c) {
    case '.':
        return 57;
    case '/':
        return 76;
    case '*':
        return 77;
    case '-':
        return 79;
    case '+':
        return 81;
    case '=':
        return 83;
    case 'A':
        return 84;
    case 'E':
        return 85;
    case 'Q':
        return 86;
    case '%':
        return 87;
    case 'C':
        return 89;
    case 'R':
        return 90;
    case 'M':
        return 91;
    case 'P':
        return 92;
    case 'S':
        return 55;
    case 'b':
        return 56;
    default:
        ADD_FAILURE() << "no key for " << c;
        return 0;
    }
}

std::string type(CCalculator& calc, const char* keys)
{
    const char* shown = calc.displayText();
    for (const char* k = keys; *k != '\0'; ++k)
        shown = calc.key(keyCodeOf(*k));
    return shown;
}

} // namespace

TEST(CalcNumberTest, AppendKeepsZeroBeforePointAndStopsAt79)
{
    CalcNumber n;
    n.setZero();
    EXPECT_EQ(n.length(), 1);
    n.append('.');
    n.append('5');
    EXPECT_STREQ(n.text(), " 0.5");
    EXPECT_EQ(n.length(), 4);

    n.setZero();
    n.append('7');
    EXPECT_STREQ(n.text(), " 7");
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i)
        result = n.append('1');
    EXPECT_EQ(result, -1);
    EXPECT_EQ(n.length(), CalcNumber::kMaxLength);
    EXPECT_EQ(std::strlen(n.text()), 79u);
}

TEST(CalcNumberTest, TrimAndRemovePoint)
{
    CalcNumber n;
    n.format(10.0, false);
    EXPECT_STREQ(n.text(), " 10.000000");
    n.trim();
    EXPECT_STREQ(n.text(), " 10");
    EXPECT_EQ(n.length(), 3);
    // Zeros of a whole number are not trimmed.
    n.trim();
    EXPECT_STREQ(n.text(), " 10");

    n.format(3.25, false);
    EXPECT_EQ(n.removePoint(), 2);
    EXPECT_STREQ(n.text(), " 32500000");
    EXPECT_EQ(n.removePoint(), -1);
    EXPECT_EQ(n.length(), 9);
}

TEST(CalcNumberTest, FormatCutsTheNinthPlace)
{
    CalcNumber n;
    n.format(2.0 / 3.0, true);
    EXPECT_STREQ(n.text(), " 0.6666666");
    n.format(12345678.0, true);
    EXPECT_STREQ(n.text(), " 12345678");
    n.format(0.000000123, true);
    EXPECT_STREQ(n.text(), " 0.0000001");
    n.format(-1.5, true);
    EXPECT_STREQ(n.text(), "-1.5");
    EXPECT_DOUBLE_EQ(n.value(), -1.5);
    n.clear();
    EXPECT_DOUBLE_EQ(n.value(), 0.0);
}

TEST(CalcNumberTest, FormatAndValueIgnoreTheLocale)
{
    testhost::CommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    CalcNumber n;
    n.format(-2.0 / 3.0, true);
    EXPECT_STREQ(n.text(), "-0.6666666");
    EXPECT_DOUBLE_EQ(n.value(), -0.6666666);
    n.format(1234.5, false);
    EXPECT_STREQ(n.text(), " 1234.5000");
    EXPECT_DOUBLE_EQ(n.value(), 1234.5);
}

TEST(CalcNumberTest, LoadCutsAnUnterminatedField)
{
    unsigned char field[CalcNumber::kRecordSize];
    std::memset(field, '4', CalcNumber::kTextSize);
    byteorder::putInt32(field + CalcNumber::kTextSize, 5000);
    CalcNumber n;
    n.load(field);
    EXPECT_EQ(std::strlen(n.text()), 79u);
    EXPECT_EQ(n.length(), 79);
    EXPECT_EQ(n.append('1'), -1);
}

TEST(CalculatorTest, DigitEntry)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, ""), " 0");
    EXPECT_EQ(type(calc, "12345678"), " 12345678");
    EXPECT_EQ(type(calc, "A123456789"), " 12345678");
    EXPECT_EQ(type(calc, "A1.23456789"), " 1.2345678");
    EXPECT_EQ(type(calc, "A0.5"), " 0.5");
    EXPECT_EQ(type(calc, "A."), " 0.");
    EXPECT_EQ(type(calc, "A1.2.3"), " 1.23");
    EXPECT_EQ(type(calc, "A005"), " 5");
    EXPECT_EQ(type(calc, "AS"), "-0");
    EXPECT_EQ(type(calc, "AS7"), "-7");
    EXPECT_EQ(type(calc, "A7b"), " 7");
}

TEST(CalculatorTest, FourOperations)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "2/3="), " 0.6666666");
    EXPECT_EQ(type(calc, "A10"), " 10");
    EXPECT_EQ(type(calc, "A0.0001*0.00123="), " 0.0000001");
    EXPECT_EQ(type(calc, "A7-9="), "-2");
    EXPECT_EQ(type(calc, "A2+3*4="), " 20");
    EXPECT_EQ(type(calc, "A6*5S="), "-30");
    // A result shown starts a new number at the next digit.
    EXPECT_EQ(type(calc, "4"), " 4");
    EXPECT_EQ(type(calc, "A5+="), " 5");
    EXPECT_EQ(type(calc, "A5*="), " 25");
    EXPECT_EQ(type(calc, "A5/="), " 1");
}

TEST(CalculatorTest, OverflowScalesAndLocksUntilCleared)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "99999999+1="), " 1.0000000");
    EXPECT_TRUE(calc.error());
    EXPECT_EQ(type(calc, "5+3="), " 1.0000000");
    EXPECT_EQ(type(calc, "E"), " 1.0000000");
    EXPECT_FALSE(calc.error());
    // The next operator trims the kept digits.
    EXPECT_EQ(type(calc, "+"), " 1");
    EXPECT_EQ(type(calc, "2="), " 3");

    EXPECT_EQ(type(calc, "A1/0="), " 0.0000000");
    EXPECT_TRUE(calc.error());
    EXPECT_EQ(type(calc, "A"), " 0");
    EXPECT_FALSE(calc.error());
}

TEST(CalculatorTest, ConstantFunction)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "3**"), " 3");
    EXPECT_TRUE(calc.constantOn());
    EXPECT_EQ(calc.displayOperator(), '*');
    EXPECT_EQ(type(calc, "2="), " 6");
    EXPECT_EQ(type(calc, "="), " 18");
    EXPECT_EQ(type(calc, "5="), " 15");
    EXPECT_TRUE(calc.constantOn());
    // A later operator switches the constant off.
    type(calc, "4+");
    EXPECT_FALSE(calc.constantOn());
    EXPECT_EQ(type(calc, "1="), " 5");

    EXPECT_EQ(type(calc, "A3--10="), " 7");
    // Mode changes clear fully, dropping the constant.
    calc.clear(true, false);
    EXPECT_FALSE(calc.constantOn());
}

TEST(CalculatorTest, PercentAddOnDiscountMargin)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "200*5%"), " 10");
    EXPECT_EQ(type(calc, "+"), " 210");
    EXPECT_EQ(type(calc, "A200*5%-"), " 190");
    EXPECT_EQ(type(calc, "A100+20%"), " 125");
    EXPECT_EQ(type(calc, "-"), " 25");
    EXPECT_EQ(type(calc, "A30/200%"), " 15");
    EXPECT_EQ(type(calc, "A120-100%"), " 20");
    EXPECT_EQ(type(calc, "A%"), " 0");
}

TEST(CalculatorTest, PercentDivisionsByZeroEndInError)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "5-0%"), " 0");
    EXPECT_TRUE(calc.error());
    EXPECT_EQ(type(calc, "A5+100%"), " 0");
    EXPECT_TRUE(calc.error());
    EXPECT_EQ(type(calc, "A5/0%"), " 0");
    EXPECT_TRUE(calc.error());
}

TEST(CalculatorTest, SquareRoot)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "2Q"), " 1.4142135");
    EXPECT_EQ(type(calc, "A9+Q"), " 3");
    EXPECT_EQ(type(calc, "="), " 12");
    EXPECT_EQ(type(calc, "A100SQ"), " 10");
    EXPECT_TRUE(calc.error());
    // Leaving the error keeps the whole number's zeros.
    EXPECT_EQ(type(calc, "E+"), " 10");
}

TEST(CalculatorTest, MemoryKeys)
{
    CCalculator calc;
    EXPECT_EQ(type(calc, "R"), " 0");
    EXPECT_FALSE(calc.memoryNonZero());
    type(calc, "A12P");
    EXPECT_TRUE(calc.memoryNonZero());
    EXPECT_STREQ(calc.memoryText(), " 12");
    type(calc, "A2+3M");
    EXPECT_STREQ(calc.memoryText(), " 7");
    type(calc, "A");
    EXPECT_STREQ(calc.memoryText(), " 7");
    EXPECT_EQ(type(calc, "10*R="), " 70");
    type(calc, "C");
    EXPECT_FALSE(calc.memoryNonZero());

    // A memory sum that overflows keeps the memory and shows zero.
    type(calc, "A99999999P");
    EXPECT_EQ(type(calc, "1P"), " 0");
    EXPECT_TRUE(calc.error());
    EXPECT_STREQ(calc.memoryText(), " 99999999");
}

TEST(CalculatorTest, RecordLayoutAndRoundTrip)
{
    CCalculator calc;
    type(calc, "12345678P");
    type(calc, "A3**4");
    unsigned char record[CCalculator::kRecordSize];
    std::memset(record, 0xAB, sizeof record);
    calc.saveRecord(record);

    EXPECT_STREQ(reinterpret_cast<const char*>(record), " 3");
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 84), " 4");
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 252), " 12345678");
    EXPECT_EQ(byteorder::getInt32(record + 252 + 80), 9);
    EXPECT_EQ(record[420], '*');
    EXPECT_EQ(record[421], '*');
    EXPECT_EQ(record[423], 0);
    EXPECT_EQ(byteorder::getInt32(record + 424), 2);
    EXPECT_EQ(byteorder::getInt32(record + 428), 1);

    CCalculator restored;
    restored.loadRecord(record);
    unsigned char again[CCalculator::kRecordSize];
    restored.saveRecord(again);
    EXPECT_EQ(std::memcmp(record, again, sizeof record), 0);
    EXPECT_STREQ(restored.memoryText(), " 12345678");
    EXPECT_EQ(type(restored, "="), " 12");
}

TEST(CalculatorTest, LoadedRecordIsSanitised)
{
    unsigned char record[CCalculator::kRecordSize];
    std::memset(record, '9', sizeof record);
    byteorder::putInt32(record + 424, 77);
    CCalculator calc;
    calc.loadRecord(record);
    EXPECT_EQ(std::strlen(calc.memoryText()), 79u);
    EXPECT_EQ(calc.state(), 0);
    EXPECT_EQ(calc.displayOperator(), 0);
    EXPECT_TRUE(calc.error());
    EXPECT_EQ(type(calc, "A"), " 0");
}
