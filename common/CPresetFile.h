#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The preset files hosts exchange, in their opaque-chunk forms: a bank file
// ('CcnK' + 'FBCh') and a program file ('CcnK' + 'FPCh'), each a big-endian
// header around the instrument's own chunk. The parameter-list forms are
// refused: the instrument keeps its state as chunks only.
class CPresetFile {
public:
    enum class Kind { kBank, kProgram };

    struct Contents {
        Kind kind = Kind::kBank;
        std::uint32_t pluginId = 0;
        std::int32_t pluginVersion = 0;
        // A bank's number of programs; a program's number of parameters.
        std::int32_t count = 0;
        // The bank's current program; -1 in a bank file without one.
        std::int32_t currentProgram = 0;
        // A program's name, at most kMaxNameLength characters when written.
        std::string programName;
        std::vector<unsigned char> chunk;
    };

    static constexpr std::size_t kMaxNameLength = 27;
    static constexpr std::size_t kProgramHeaderSize = 60;
    static constexpr std::size_t kBankHeaderSize = 160;

    // Whether bytes start as a preset file does ('CcnK').
    static bool isPresetFile(const unsigned char* data, std::size_t size);
    // The kind a file's name asks for: ".fxb" a bank, ".fxp" a program (in
    // any case); false for another name.
    static bool kindOfName(const std::string& name, Kind& kind);
    // The file's bytes (a longer program name is cut).
    static std::vector<unsigned char> write(const Contents& contents);
    // Reads a file of the plug-in expectedId; false with the reason for a
    // file that is truncated, damaged, of another kind or of another plug-in.
    static bool read(const unsigned char* data, std::size_t size, std::uint32_t expectedId, Contents& contents,
                     std::string& error);
    // An ID as its four characters when they are printable, else in hex.
    static std::string idText(std::uint32_t id);
};
