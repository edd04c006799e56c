#include "CHostNotices.h"

void CHostNotices::changed(int index)
{
    if (index >= 0 && index < kNumParams)
        m_parameters.fetch_or(1u << index, std::memory_order_release);
}

void CHostNotices::known(int index)
{
    if (index >= 0 && index < kNumParams)
        m_parameters.fetch_and(~(1u << index), std::memory_order_release);
}
