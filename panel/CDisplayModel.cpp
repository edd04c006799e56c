#include "CDisplayModel.h"

CDisplayModel::CDisplayModel() = default;

void CDisplayModel::clear() {}
void CDisplayModel::flush(bool) {}
void CDisplayModel::setMode(float, bool) {}
void CDisplayModel::showTempo(float) {}
void CDisplayModel::showNote(int) {}
void CDisplayModel::showPreviousNote(int) {}
void CDisplayModel::setMemoryFull(bool) {}
void CDisplayModel::showNumber(const char*, char, bool, bool, bool) {}
void CDisplayModel::tick() {}
