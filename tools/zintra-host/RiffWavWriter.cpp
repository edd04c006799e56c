// WAV output for builds without libsndfile (the Windows console host):
// a canonical RIFF header with IEEE float samples, patched on close.
#include "AudioFileWriter.h"

#include <cstdint>
#include <cstdio>

namespace {

void putLittleEndian(std::FILE* file, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

class RiffWavWriter : public AudioFileWriter {
public:
    RiffWavWriter(std::FILE* file, int channels, int rate)
        : m_file(file),
          m_channels(channels),
          m_rate(rate)
    {
        writeHeader(0);
    }
    ~RiffWavWriter() override { close(); }

    bool write(const float* interleaved, long frames) override
    {
        const size_t samples = static_cast<size_t>(frames) * static_cast<size_t>(m_channels);
        for (size_t i = 0; i < samples; ++i) {
            std::uint32_t bits;
            static_assert(sizeof bits == sizeof(float), "32-bit float");
            __builtin_memcpy(&bits, &interleaved[i], sizeof bits);
            putLittleEndian(m_file, bits, 4);
        }
        m_frames += static_cast<std::uint32_t>(frames);
        return std::ferror(m_file) == 0;
    }

    bool close() override
    {
        if (m_file == nullptr)
            return true;
        std::fseek(m_file, 0, SEEK_SET);
        writeHeader(m_frames);
        const bool ok = std::ferror(m_file) == 0;
        std::fclose(m_file);
        m_file = nullptr;
        return ok;
    }

private:
    void writeHeader(std::uint32_t frames)
    {
        const std::uint32_t blockAlign = 4u * static_cast<std::uint32_t>(m_channels);
        const std::uint32_t dataBytes = frames * blockAlign;
        std::fwrite("RIFF", 1, 4, m_file);
        putLittleEndian(m_file, 36 + dataBytes, 4);
        std::fwrite("WAVEfmt ", 1, 8, m_file);
        putLittleEndian(m_file, 16, 4);
        putLittleEndian(m_file, 3, 2); // IEEE float
        putLittleEndian(m_file, static_cast<std::uint32_t>(m_channels), 2);
        putLittleEndian(m_file, static_cast<std::uint32_t>(m_rate), 4);
        putLittleEndian(m_file, static_cast<std::uint32_t>(m_rate) * blockAlign, 4);
        putLittleEndian(m_file, blockAlign, 2);
        putLittleEndian(m_file, 32, 2);
        std::fwrite("data", 1, 4, m_file);
        putLittleEndian(m_file, dataBytes, 4);
    }

    std::FILE* m_file;
    int m_channels;
    int m_rate;
    std::uint32_t m_frames = 0;
};

} // namespace

std::unique_ptr<AudioFileWriter> AudioFileWriter::open(const std::string& path, int channels, int rate,
                                                       std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path;
        return nullptr;
    }
    return std::make_unique<RiffWavWriter>(file, channels, rate);
}
