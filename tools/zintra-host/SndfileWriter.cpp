#include "AudioFileWriter.h"

#include <sndfile.h>

namespace {

class SndfileWriter : public AudioFileWriter {
public:
    explicit SndfileWriter(SNDFILE* file)
        : m_file(file)
    {
    }
    ~SndfileWriter() override { close(); }

    bool write(const float* interleaved, long frames) override
    {
        return sf_writef_float(m_file, interleaved, frames) == frames;
    }

    bool close() override
    {
        if (m_file == nullptr)
            return true;
        const bool ok = sf_close(m_file) == 0;
        m_file = nullptr;
        return ok;
    }

private:
    SNDFILE* m_file;
};

} // namespace

std::unique_ptr<AudioFileWriter> AudioFileWriter::open(const std::string& path, int channels, int rate,
                                                       std::string& error)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<SndfileWriter>(file);
}
