#include "CSequencer.h"

CSequencer::CSequencer() = default;

void CSequencer::Reset() {}
void CSequencer::Stop() {}

int CSequencer::Tick()
{
    return 1;
}

void CSequencer::CountStep() {}
