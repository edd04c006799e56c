#include "CCalculator.h"

#include "ByteOrder.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kLargest = 99999999.0;

// Register order in the chunk record.
constexpr int kRegisterCount = 5;
constexpr int kOperatorOffset = kRegisterCount * CalcNumber::kRecordSize;
constexpr int kStateOffset = kOperatorOffset + 4;

bool isOperator(char c)
{
    return c == '+' || c == '-' || c == '*' || c == '/';
}

char sanitizedOperator(unsigned char c)
{
    const char op = static_cast<char>(c);
    return isOperator(op) ? op : 0;
}

int32_t flagWord(int32_t word)
{
    return word != 0 ? 1 : 0;
}

} // namespace

CCalculator::CCalculator()
{
    m_entry.clear();
    m_operand.clear();
    m_constant.clear();
    m_memory.clear();
    m_percentBase.clear();
    clear(true, false);
}

int CCalculator::digitOfKey(int keyCode)
{
    static const int kDigitKeys[10] = {59, 60, 62, 64, 65, 67, 69, 71, 72, 74};
    for (int d = 0; d < 10; ++d) {
        if (kDigitKeys[d] == keyCode)
            return d;
    }
    return -1;
}

const char* CCalculator::key(int keyCode)
{
    if (m_error && keyCode != KeyAllClear && keyCode != KeyClearEntry)
        return m_entry.text();
    const int digit = digitOfKey(keyCode);
    if (digit >= 0)
        return enterCharacter(static_cast<char>('0' + digit));
    switch (keyCode) {
    case KeySign:
        return signKey();
    case KeyPoint:
        return enterCharacter('.');
    case KeyDivide:
        return operatorKey('/');
    case KeyMultiply:
        return operatorKey('*');
    case KeySubtract:
        return operatorKey('-');
    case KeyAdd:
        return operatorKey('+');
    case KeyEquals:
        m_resultShown = 1;
        return evaluate(false, false);
    case KeyAllClear:
        clear(true, false);
        return m_entry.text();
    case KeyClearEntry:
        return clearEntryKey();
    case KeySquareRoot:
        return squareRootKey();
    case KeyPercent:
        return percentKey();
    case KeyMemoryClear:
        m_memory.clear();
        return m_entry.text();
    case KeyMemoryRecall:
        return memoryRecallKey();
    case KeyMemoryMinus:
        return memoryAddKey(-1.0);
    case KeyMemoryPlus:
        return memoryAddKey(1.0);
    default:
        return m_entry.text();
    }
}

void CCalculator::clear(bool full, bool keepIfError)
{
    if (keepIfError && m_error)
        return;
    m_entry.setZero();
    m_operand.clear();
    m_percentBase.clear();
    m_op = 0;
    m_state = kFirstOperand;
    m_error = 0;
    m_resultShown = 0;
    m_trimPending = 0;
    if (full) {
        m_constant.clear();
        m_constOn = 0;
        m_constOp = 0;
    }
}

bool CCalculator::memoryNonZero() const
{
    return !m_memory.isEmpty() && m_memory.value() != 0.0;
}

const char* CCalculator::displayText() const
{
    return m_state == kSecondOperand ? m_operand.text() : m_entry.text();
}

const char* CCalculator::enterCharacter(char c)
{
    if (m_state == kAfterPercent)
        m_state = kFirstOperand;
    CalcNumber* target = &m_operand;
    if (m_state == kFirstOperand) {
        if (m_resultShown)
            clear(false, true);
        target = &m_entry;
    } else if (m_state == kOperatorPressed) {
        m_operand.clear();
        m_state = kSecondOperand;
    }
    if (target->isEmpty())
        target->setZero();
    // A digit typed onto a lone 0 replaces it instead of following it.
    if (c != '.')
        target->dropLeadingZero();
    // Room for the sign and eight digits; a second point is refused.
    const bool secondPoint = c == '.' && std::strchr(target->text(), '.') != nullptr;
    if (!secondPoint && target->placesUsed() < 9)
        target->append(c);
    return target->text();
}

const char* CCalculator::operatorKey(char c)
{
    switch (m_state) {
    case kFirstOperand:
        m_constOn = 0;
        m_state = kOperatorPressed;
        break;
    case kOperatorPressed:
        if (c == m_op) {
            m_constOn = m_constOn ? 0 : 1;
            if (m_constOn) {
                m_constant.copyFrom(m_entry);
                m_constOp = m_op;
            } else {
                m_operand.copyFrom(m_constant);
            }
        } else {
            m_constOn = 0;
        }
        break;
    case kSecondOperand:
        evaluate(true, false);
        m_state = kOperatorPressed;
        break;
    default:
        m_state = kOperatorPressed;
        if (m_percentOp == '*' && (c == '+' || c == '-')) {
            // Add-on and discount: the base plus or minus the percentage.
            m_operand.copyFrom(m_percentBase);
            if (c == '-')
                m_entry.toggleSign();
            m_op = '+';
            return evaluate(true, false);
        }
        if (m_percentOp == '+' && c == '-') {
            // Margin: the marked-up amount minus the base.
            m_operand.copyFrom(m_percentBase);
            m_op = '-';
            return evaluate(true, false);
        }
        break;
    }
    m_op = c;
    if (m_trimPending) {
        m_trimPending = 0;
        m_entry.trim();
    }
    return m_entry.text();
}

double CCalculator::combine(char o, double a, double b, bool percent)
{
    double r = a;
    switch (o) {
    case '*':
        r = percent ? b * a * 0.01 : b * a;
        break;
    case '+':
        if (!percent) {
            r = b + a;
        } else if (1.0 - b * 0.01 == 0.0) {
            r = 0.0;
            m_error = 1;
        } else {
            r = a / (1.0 - b * 0.01);
        }
        break;
    case '-':
        if (!percent) {
            r = a - b;
        } else if (b == 0.0) {
            r = 0.0;
            m_error = 1;
        } else {
            r = (a - b) * 100.0 / b;
        }
        break;
    case '/': {
        const double divisor = percent ? b * 0.01 : b;
        if (divisor == 0.0) {
            r = 0.0;
            m_error = 1;
        } else {
            r = a / divisor;
        }
        break;
    }
    default:
        break;
    }
    return r;
}

double CCalculator::checkOverflow(double r)
{
    if (!std::isfinite(r)) {
        m_error = 1;
        return 0.0;
    }
    if (std::fabs(r) > kLargest) {
        m_error = 1;
        r *= 1e-8;
    }
    return r;
}

const char* CCalculator::evaluate(bool clearConstant, bool percent)
{
    if (m_entry.isEmpty()) {
        m_entry.setZero();
        return m_entry.text();
    }
    const double a = (m_constOn && !m_operand.isEmpty()) ? m_operand.value() : m_entry.value();
    double b;
    if (m_constOn)
        b = m_constant.value();
    else if (!m_operand.isEmpty())
        b = m_operand.value();
    else if (m_op == '+' || m_op == '-')
        b = 0.0;
    else
        b = m_entry.value();
    const char o = m_constOn ? m_constOp : m_op;
    const double r = checkOverflow(combine(o, a, b, percent));
    m_entry.format(r, percent || !m_error);
    if (clearConstant)
        m_constOn = 0;
    m_state = kFirstOperand;
    if (m_constOn) {
        m_operand.format(r, true);
    } else {
        m_operand.clear();
        m_constant.clear();
        m_constOn = 0;
        m_constOp = 0;
        m_op = 0;
    }
    return m_entry.text();
}

const char* CCalculator::percentKey()
{
    if (m_state == kFirstOperand)
        return m_entry.text();
    if (m_state == kOperatorPressed)
        m_operand.copyFrom(m_entry);
    m_percentBase.copyFrom(m_entry);
    m_percentOp = m_op;
    m_resultShown = 1;
    evaluate(false, true);
    m_state = kAfterPercent;
    return m_entry.text();
}

const char* CCalculator::squareRootKey()
{
    CalcNumber* target = nullptr;
    if (m_state == kFirstOperand) {
        target = &m_entry;
        m_resultShown = 1;
    } else if (m_state == kOperatorPressed) {
        if (!m_operand.isEmpty())
            return m_entry.text();
        m_operand.copyFrom(m_entry);
        target = &m_operand;
    } else if (m_state == kSecondOperand) {
        target = &m_operand;
    } else {
        return m_entry.text();
    }
    if (target->isEmpty()) {
        target->setZero();
        return target->text();
    }
    const double v = target->value();
    if (v < 0.0)
        m_error = 1;
    target->format(std::sqrt(std::fabs(v)), true);
    return target->text();
}

const char* CCalculator::signKey()
{
    if (m_state == kFirstOperand || m_state == kOperatorPressed) {
        m_entry.toggleSign();
        return m_entry.text();
    }
    if (m_state == kSecondOperand) {
        m_operand.toggleSign();
        return m_operand.text();
    }
    return m_entry.text();
}

const char* CCalculator::clearEntryKey()
{
    if (m_error) {
        m_error = 0;
        m_trimPending = 1;
        return m_entry.text();
    }
    if (m_state == kFirstOperand) {
        m_entry.setZero();
        return m_entry.text();
    }
    if (m_state == kSecondOperand) {
        m_operand.setZero();
        return m_operand.text();
    }
    return m_entry.text();
}

const char* CCalculator::memoryRecallKey()
{
    if (m_memory.isEmpty())
        m_memory.setZero();
    if (m_state == kFirstOperand) {
        m_resultShown = 1;
        m_entry.copyFrom(m_memory);
        return m_entry.text();
    }
    if (m_state == kOperatorPressed || m_state == kSecondOperand) {
        m_operand.copyFrom(m_memory);
        return m_operand.text();
    }
    return m_entry.text();
}

const char* CCalculator::memoryAddKey(double sign)
{
    m_resultShown = 1;
    evaluate(true, false);
    if (m_error)
        return m_entry.text();
    const double sum = m_memory.value() + sign * m_entry.value();
    if (!std::isfinite(sum) || std::fabs(sum) > kLargest) {
        m_error = 1;
        m_entry.setZero();
    } else {
        m_memory.format(sum, true);
    }
    return m_entry.text();
}

void CCalculator::saveRecord(unsigned char* dest) const
{
    const CalcNumber* registers[kRegisterCount] = {&m_entry, &m_operand, &m_constant, &m_memory, &m_percentBase};
    for (int i = 0; i < kRegisterCount; ++i)
        registers[i]->save(dest + i * CalcNumber::kRecordSize);
    dest[kOperatorOffset] = static_cast<unsigned char>(m_op);
    dest[kOperatorOffset + 1] = static_cast<unsigned char>(m_constOp);
    dest[kOperatorOffset + 2] = static_cast<unsigned char>(m_percentOp);
    dest[kOperatorOffset + 3] = 0;
    const int32_t words[5] = {m_state, m_constOn, m_error, m_resultShown, m_trimPending};
    for (int i = 0; i < 5; ++i)
        byteorder::putInt32(dest + kStateOffset + 4 * i, words[i]);
}

void CCalculator::loadRecord(const unsigned char* src)
{
    CalcNumber* registers[kRegisterCount] = {&m_entry, &m_operand, &m_constant, &m_memory, &m_percentBase};
    for (int i = 0; i < kRegisterCount; ++i)
        registers[i]->load(src + i * CalcNumber::kRecordSize);
    // A record from a foreign chunk may hold anything: unknown operators
    // become none, a state outside 0..3 becomes 0 and flags become 0 or 1.
    m_op = sanitizedOperator(src[kOperatorOffset]);
    m_constOp = sanitizedOperator(src[kOperatorOffset + 1]);
    m_percentOp = sanitizedOperator(src[kOperatorOffset + 2]);
    const int32_t state = byteorder::getInt32(src + kStateOffset);
    m_state = (state >= kFirstOperand && state <= kAfterPercent) ? state : kFirstOperand;
    m_constOn = flagWord(byteorder::getInt32(src + kStateOffset + 4));
    m_error = flagWord(byteorder::getInt32(src + kStateOffset + 8));
    m_resultShown = flagWord(byteorder::getInt32(src + kStateOffset + 12));
    m_trimPending = flagWord(byteorder::getInt32(src + kStateOffset + 16));
}

static_assert(kStateOffset + 20 == CCalculator::kRecordSize, "the calculator record is 444 bytes");
