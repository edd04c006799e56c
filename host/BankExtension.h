#pragma once

#include "PanelCodes.h"
#include "ProgramRecord.h"

#include <cstddef>

// What the bank chunk carries after its fixed 2988-byte image: the fifteen
// current parameter values and the six program records, so that sound edits,
// renamed and copied programs come back with a project. The fixed image stays
// exactly as it was; older saves simply end after it.
//
// Layout, little-endian: marker 'QBXT', version, payload length, checksum of
// the payload (FNV-1a), then the payload: 15 floats, then 6 records of a
// marker, a 24-byte name and 15 floats.
namespace bankextension {

constexpr int kHeaderSize = 16;
constexpr int kRecordSize = 4 + ProgramRecord::kNameSize + 4 * ProgramRecord::kNumValues;
constexpr int kPayloadSize = 4 * kNumParams + kNumPrograms * kRecordSize;
constexpr int kSize = kHeaderSize + kPayloadSize;
constexpr int kVersion = 1;

struct Content {
    float parameters[kNumParams];
    ProgramRecord programs[kNumPrograms];
};

// Writes kSize bytes.
void write(unsigned char* out, const Content& content);
// Reads an extension of size bytes. Answers false, leaving content alone, for
// anything but a whole, undamaged extension of this version: a later version,
// a wrong marker, length or checksum, or too few bytes.
bool read(const unsigned char* in, size_t size, Content& content);

} // namespace bankextension
