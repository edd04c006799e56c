#pragma once

#include "ProductIdentity.h"

#include <string>

// The player's command line.
struct CPlayerOptions {
    bool help = false;
    bool version = false;
    // JACK or the ALSA device: "auto" (JACK when a server runs), "jack", "alsa".
    std::string audio = "auto";
    std::string device = "default";
    std::string clientName = product::kClientName;
    bool connectOutputs = true;
    std::string midiSource;
    // A bank to start from instead of the saved state (or a program into
    // the current program); one to write at the end as well.
    std::string loadFile;
    std::string saveFile;
    // The panel's scale, "1" or "2"; empty: as the system's display scale says.
    std::string scale;

    // Reads argv[1..argc-1]; false with the reason in error for an unknown
    // option, a missing or empty value.
    bool parse(int argc, const char* const* argv, std::string& error);
    // What --help prints.
    static const char* usage();
};
