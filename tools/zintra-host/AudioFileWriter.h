#pragma once

#include <memory>
#include <string>

// Writes interleaved 32-bit float frames to a WAV file.
class AudioFileWriter {
public:
    virtual ~AudioFileWriter() = default;
    virtual bool write(const float* interleaved, long frames) = 0;
    virtual bool close() = 0;

    // Opens path for channels and rate; null with error filled on failure.
    static std::unique_ptr<AudioFileWriter> open(const std::string& path, int channels, int rate, std::string& error);
};
