#pragma once

// The product's identity, once for every front and tool: what hosts, package
// managers and sound servers know it by. Changing a value here changes what
// stored sessions and preset files find: the ids and URIs stay as released.

#include "ZintraVersion.h"

namespace product {

constexpr const char* kName = "Zintra";
constexpr const char* kVendor = "Ferrowick";
// The version from project() in the top-level CMakeLists.txt, and the one
// number a VST 2 host reads for it (1.2.3 is 1203).
constexpr const char* kVersion = ZINTRA_VERSION_STRING;
constexpr int kVendorVersion = ZINTRA_VENDOR_VERSION;

// VST 2: the unique ID ('qbo1', first character in the high byte) and the
// plug-in's version, as hosts see them and as preset files carry them.
constexpr unsigned kVst2UniqueId = (unsigned('q') << 24) | (unsigned('b') << 16) | (unsigned('o') << 8) | '1';
constexpr int kVst2Version = 1;

// LV2: the plug-in, its panel's UI and the state property that holds the
// bank chunk.
constexpr const char* kLv2PluginUri = "urn:ferrowick:zintra";
constexpr const char* kLv2UiUri = "urn:ferrowick:zintra#panel";
constexpr const char* kLv2StateBankUri = "urn:ferrowick:zintra#bank";

// JACK and ALSA: the client name the player and its audio start with.
constexpr const char* kClientName = "Zintra";

// The CLAP plug-in id and the VST3 class ids (processor, controller) go here
// with those fronts; they are fixed once released, like the ones above.

} // namespace product
