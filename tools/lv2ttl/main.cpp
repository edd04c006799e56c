// Writes the LV2 bundle's Turtle (manifest.ttl, zintra.ttl, presets.ttl) from
// what the instrument tells of itself: the parameters' names, start-up values,
// steps and their labels, the programs' names. Usage: zintra-lv2ttl
// BUNDLE-FOLDER BINARY-NAME
#include "CInstrument.h"
#include "Lv2Contract.h"
#include "PanelCodes.h"
#include "ProductIdentity.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Position {
    float value;
    std::string label;
};

// The facts of a parameter the instrument counts; exits when it has none.
const ParameterFacts& factsOf(CInstrument& instrument, int index)
{
    const ParameterFacts* facts = instrument.parameterFacts(index);
    if (facts == nullptr || (facts->steps > 0 && facts->positionLabels == nullptr)) {
        std::cerr << "parameter " << index << ": no facts\n";
        std::exit(1);
    }
    return *facts;
}

std::string trimmed(const char* text)
{
    std::string s(text);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string symbolOf(const std::string& name)
{
    std::string symbol;
    for (char c : name)
        symbol += c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return symbol;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The shortest decimal that reads back as the same float.
std::string number(float value)
{
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    std::string s(text);
    return s.find_first_of(".e") == std::string::npos ? s + ".0" : s;
}

// The positions of a stepping parameter at even steps (what a host's
// rangeSteps or scale points send); none for a continuous one.
std::vector<Position> positionsOf(const ParameterFacts& facts)
{
    std::vector<Position> positions;
    for (int k = 0; facts.steps > 1 && k < facts.steps; ++k)
        positions.push_back({static_cast<float>(k) / static_cast<float>(facts.steps - 1), facts.positionLabels[k]});
    return positions;
}

// Names (Program, Mode, ...) make an enumeration; numbers (Tempo, the
// envelope) a stepped range.
bool namesPositions(const std::vector<Position>& positions)
{
    for (const Position& position : positions) {
        const char first = position.label.empty() ? '0' : position.label[0];
        if (std::isdigit(static_cast<unsigned char>(first)) || first == '-' || first == '+')
            return false;
    }
    return true;
}

void writeControlPort(std::ostream& out, const ParameterFacts& facts, int index)
{
    const std::string label = facts.name;
    const std::vector<Position> positions = positionsOf(facts);
    out << " , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2contract::kFirstParameterPort + static_cast<unsigned>(index) << " ;\n"
        << "        lv2:symbol " << quoted(symbolOf(label)) << " ;\n"
        << "        lv2:name " << quoted(label) << " ;\n"
        << "        lv2:default " << number(facts.defaultValue) << " ;\n"
        << "        lv2:minimum 0.0 ;\n        lv2:maximum 1.0";
    if (!positions.empty() && namesPositions(positions)) {
        out << " ;\n        lv2:portProperty lv2:enumeration";
        for (const Position& position : positions)
            out << " ;\n        lv2:scalePoint [ rdfs:label " << quoted(position.label) << " ; rdf:value "
                << number(position.value) << " ]";
    } else if (!positions.empty()) {
        out << " ;\n        lv2:portProperty pprops:hasStrictBounds ;\n"
            << "        pprops:rangeSteps " << positions.size();
    }
    out << "\n    ]";
}

const char* const kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                              "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                              "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string presetUri(int program)
{
    return std::string(lv2contract::kPluginUri) + "#program" + std::to_string(program + 1);
}

void writeManifest(std::ostream& out, const std::string& binary)
{
    out << kPrefixes << "<" << lv2contract::kPluginUri << ">\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    lv2:binary <" << binary << "> ;\n    rdfs:seeAlso <zintra.ttl> .\n\n"
        << "<" << lv2contract::kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << binary << "> ;\n"
        << "    rdfs:seeAlso <zintra.ttl> .\n";
    for (int program = 0; program < CInstrument::kProgramCount; ++program)
        out << "\n<" << presetUri(program) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << lv2contract::kPluginUri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
}

void writeUi(std::ostream& out, const std::string& binary)
{
    out << "<" << lv2contract::kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << binary << "> ;\n"
        << "    lv2:requiredFeature ui:parent , <http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "    lv2:optionalFeature ui:idleInterface , ui:resize , ui:touch , ui:noUserResize , opts:options ,\n"
        << "        urid:map ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    lv2:extensionData ui:idleInterface , opts:interface .\n";
}

void writePlugin(std::ostream& out, CInstrument& instrument, const std::string& binary)
{
    out << kPrefixes << "<" << lv2contract::kPluginUri << ">\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    doap:name " << quoted(product::kName) << " ;\n    lv2:project <" << lv2contract::kPluginUri
        << "#project> ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 1 ;\n"
        << "    lv2:requiredFeature urid:map ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    lv2:extensionData state:interface ;\n    ui:ui <" << lv2contract::kUiUri << "> ;\n"
        << "    lv2:port [\n        a lv2:InputPort , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position ;\n        lv2:designation lv2:control ;\n"
        << "        lv2:index 0 ;\n        lv2:symbol \"midi_in\" ;\n        lv2:name \"MIDI in\"\n    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n        lv2:index 1 ;\n        lv2:symbol \"voice\" ;\n"
        << "        lv2:name \"Voice (left)\"\n    ] , [\n        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index 2 ;\n        lv2:symbol \"rhythm\" ;\n        lv2:name \"Rhythm box (right)\"\n    ]";
    for (int index = 0; index < kNumParams; ++index)
        writeControlPort(out, factsOf(instrument, index), index);
    out << " .\n\n<" << lv2contract::kPluginUri << "#project>\n    a doap:Project ;\n    doap:name "
        << quoted(product::kName) << " ;\n"
        << "    doap:maintainer [ a foaf:Organization ; foaf:name " << quoted(product::kVendor) << " ] .\n\n";
    writeUi(out, binary);
}

// Each preset sets the Program port to the value that selects its program.
void writePresets(std::ostream& out, CInstrument& instrument)
{
    const ParameterFacts& programFacts = factsOf(instrument, kParamProgram);
    const std::string programSymbol = symbolOf(programFacts.name);
    const std::vector<Position> programs = positionsOf(programFacts);
    out << kPrefixes;
    for (int program = 0; program < CInstrument::kProgramCount; ++program) {
        out << "<" << presetUri(program) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << lv2contract::kPluginUri
            << "> ;\n    rdfs:label " << quoted(trimmed(instrument.factoryProgramName(program))) << " ;\n"
            << "    lv2:port [\n        lv2:symbol " << quoted(programSymbol) << " ;\n        pset:value "
            << number(programs.at(static_cast<size_t>(program)).value) << "\n    ] .\n\n";
    }
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: zintra-lv2ttl BUNDLE-FOLDER BINARY-NAME\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string binary = argv[2];
    const std::unique_ptr<CInstrument> instrument = createInstrumentWithoutEditor();
    if (instrument == nullptr) {
        std::cerr << "out of memory\n";
        return 1;
    }
    std::ostringstream manifest, plugin, presets;
    writeManifest(manifest, binary);
    writePlugin(plugin, *instrument, binary);
    writePresets(presets, *instrument);
    if (!writeFile(folder + "/manifest.ttl", manifest.str()) || !writeFile(folder + "/zintra.ttl", plugin.str()) ||
        !writeFile(folder + "/presets.ttl", presets.str())) {
        std::cerr << "cannot write the Turtle into " << folder << "\n";
        return 1;
    }
    return 0;
}
