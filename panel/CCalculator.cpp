#include "CCalculator.h"

CCalculator::CCalculator() = default;

const char* CCalculator::key(int)
{
    return " 0.";
}

void CCalculator::clear(bool, bool) {}

bool CCalculator::memoryNonZero() const
{
    return false;
}
