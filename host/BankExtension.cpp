#include "BankExtension.h"

#include "ByteOrder.h"

#include <cstdint>
#include <cstring>

namespace bankextension {

namespace {

constexpr std::uint32_t kMarker = 0x54584251u; // "QBXT" as little-endian bytes

std::uint32_t checksum(const unsigned char* data, size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

void writeRecord(unsigned char* out, const ProgramRecord& record)
{
    byteorder::putInt32(out, record.marker);
    std::memcpy(out + 4, record.name, ProgramRecord::kNameSize);
    for (int i = 0; i < ProgramRecord::kNumValues; ++i)
        byteorder::putFloat(out + 4 + ProgramRecord::kNameSize + 4 * i, record.values[i]);
}

void readRecord(const unsigned char* in, ProgramRecord& record)
{
    record.marker = byteorder::getInt32(in);
    std::memcpy(record.name, in + 4, ProgramRecord::kNameSize);
    record.name[ProgramRecord::kNameSize - 1] = '\0';
    for (int i = 0; i < ProgramRecord::kNumValues; ++i)
        record.values[i] = byteorder::getFloat(in + 4 + ProgramRecord::kNameSize + 4 * i);
}

} // namespace

void write(unsigned char* out, const Content& content)
{
    unsigned char* payload = out + kHeaderSize;
    for (int i = 0; i < kNumParams; ++i)
        byteorder::putFloat(payload + 4 * i, content.parameters[i]);
    for (int p = 0; p < kNumPrograms; ++p)
        writeRecord(payload + 4 * kNumParams + p * kRecordSize, content.programs[p]);
    byteorder::putUint32(out, kMarker);
    byteorder::putInt32(out + 4, kVersion);
    byteorder::putInt32(out + 8, kPayloadSize);
    byteorder::putUint32(out + 12, checksum(payload, kPayloadSize));
}

bool read(const unsigned char* in, size_t size, Content& content)
{
    if (in == nullptr || size != static_cast<size_t>(kSize))
        return false;
    const unsigned char* payload = in + kHeaderSize;
    if (byteorder::getUint32(in) != kMarker || byteorder::getInt32(in + 4) != kVersion ||
        byteorder::getInt32(in + 8) != kPayloadSize || byteorder::getUint32(in + 12) != checksum(payload, kPayloadSize))
        return false;
    for (int i = 0; i < kNumParams; ++i)
        content.parameters[i] = byteorder::getFloat(payload + 4 * i);
    for (int p = 0; p < kNumPrograms; ++p)
        readRecord(payload + 4 * kNumParams + p * kRecordSize, content.programs[p]);
    return true;
}

} // namespace bankextension
