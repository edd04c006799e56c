#include "InstrumentBanks.h"

#include "CQuibo.h"

namespace {

std::string chunkOf(CQuibo& instrument, bool program)
{
    const void* data = nullptr;
    const std::int32_t size = instrument.getChunk(&data, program);
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

void load(CQuibo& instrument, const std::string& bank)
{
    if (!bank.empty())
        instrument.setChunk(bank.data(), static_cast<std::int32_t>(bank.size()), false);
}

} // namespace

namespace instrumentbanks {

std::string fresh()
{
    CQuibo instrument;
    return chunkOf(instrument, false);
}

std::string programOf(const std::string& bank, int program)
{
    CQuibo instrument;
    load(instrument, bank);
    instrument.setProgram(program);
    return chunkOf(instrument, true);
}

std::string melodyOf(const std::string& bank)
{
    CQuibo instrument;
    load(instrument, bank);
    std::string block(CSequencer::kBlockBytes, '\0');
    instrument.sequencer().SaveBlock(reinterpret_cast<unsigned char*>(&block[0]));
    return block;
}

std::string calculatorMemoryOf(const std::string& bank)
{
    CQuibo instrument;
    load(instrument, bank);
    return instrument.calculator().memoryText();
}

std::string selecting(const std::string& bank, int program)
{
    CQuibo instrument;
    load(instrument, bank);
    instrument.setProgram(program);
    return chunkOf(instrument, false);
}

// The program is selected only when it is not the current one, as the
// player leaves the current program selected when it loads a program file.
std::string withProgram(const std::string& bank, int program, const std::string& record)
{
    CQuibo instrument;
    load(instrument, bank);
    const std::int32_t current = instrument.getProgram();
    if (program != current)
        instrument.setProgram(program);
    instrument.setChunk(record.data(), static_cast<std::int32_t>(record.size()), true);
    if (program != current)
        instrument.setProgram(current);
    return chunkOf(instrument, false);
}

} // namespace instrumentbanks
