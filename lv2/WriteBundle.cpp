// Writes the LV2 bundle's data files from the effect's parameter table and
// programs: manifest.ttl, Parfelle.ttl (plug-in, ports, editor) and
// presets.ttl. Run at build time: parfelle-lv2-data BUNDLE_DIR BINARY_NAME
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "effect/HaldParfelle.h"
#include "lv2/Lv2Ports.h"

namespace {

// The fewest decimals that read back as the same float, always with a
// point or an exponent so that Turtle reads a decimal or double.
std::string number(float value)
{
    char text[40];
    bool exact = false;
    for (int decimals = 1; decimals <= 9 && !exact; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
        exact = std::strtof(text, nullptr) == value;
    }
    if (!exact) std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s(text);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

const char* unitUri(int32_t unit)
{
    switch (unit) {
    case kUnitSeconds: return "units:s";
    case kUnitPercent: return "units:pc";
    case kUnitHertz: return "units:hz";
    case kUnitBeats: return "units:beat";
    default: return nullptr;
    }
}

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string uri(const char* text) { return std::string("<") + text + ">"; }
std::string presetUri(int program) { return uri((std::string(lv2port::kPresetUriPrefix) + std::to_string(program + 1)).c_str()); }

void controlPort(std::ostream& out, int p)
{
    const ParameterInfo& row = kParfelleParameters[p];
    const ParameterTexts& texts = kParfelleParameterTexts[p];
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << p << " ;\n"
        << "        lv2:symbol " << quoted(lv2port::symbol(p)) << " ;\n"
        << "        lv2:name " << quoted(row.name) << " ;\n"
        << "        lv2:default " << number(row.defaultValue) << " ;\n"
        << "        lv2:minimum " << number(row.minimum) << " ;\n"
        << "        lv2:maximum " << number(row.maximum);
    if (const char* unit = unitUri(row.unit)) out << " ;\n        units:unit " << unit;

    std::string properties;
    const auto add = [&properties](const char* property) {
        properties += properties.empty() ? "" : " , ";
        properties += property;
    };
    if (row.unit == kUnitBoolean) add("lv2:toggled");
    if (isOneShotParameter(p)) add("pprops:trigger");
    if (lv2port::isInteger(p)) add("lv2:integer");
    if (row.unit == kUnitIndexed) add("lv2:enumeration");
    if (row.unit == kUnitHertz) add("pprops:logarithmic");
    if (!properties.empty()) out << " ;\n        lv2:portProperty " << properties;

    for (int i = 0; i < texts.count; ++i)
        out << (i == 0 ? " ;\n        lv2:scalePoint " : " , ") << "[ rdfs:label " << quoted(texts.names[i])
            << " ; rdf:value " << number(row.minimum + static_cast<float>(i)) << " ]";
    out << "\n    ]";
}

void audioPort(std::ostream& out, uint32_t index, bool input, const char* symbol, const char* name)
{
    out << "[\n        a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << quoted(symbol) << " ;\n"
        << "        lv2:name " << quoted(name) << "\n    ]";
}

std::string pluginData(const std::string& binary)
{
    std::ostringstream out;
    out << kPrefixes;
    out << uri(lv2port::kPluginUri) << "\n"
        << "    a lv2:Plugin , lv2:DelayPlugin , doap:Project ;\n"
        << "    doap:name \"Parfelle\" ;\n"
        << "    doap:maintainer [ foaf:name \"Haldrane\" ; foaf:homepage <https://www.haldrane.com/> ] ;\n"
        << "    lv2:minorVersion " << PARFELLE_VERSION_MINOR << " ;\n"
        << "    lv2:microVersion " << PARFELLE_VERSION_PATCH << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    ui:ui " << uri(lv2port::kUiUri) << " ;\n"
        << "    lv2:port ";
    for (int p = 0; p < kParfelleParameterCount; ++p) {
        controlPort(out, p);
        out << " , ";
    }
    audioPort(out, lv2port::kAudioInLeft, true, "in_l", "In Left");
    out << " , ";
    audioPort(out, lv2port::kAudioInRight, true, "in_r", "In Right");
    out << " , ";
    audioPort(out, lv2port::kAudioOutLeft, false, "out_l", "Out Left");
    out << " , ";
    audioPort(out, lv2port::kAudioOutRight, false, "out_r", "Out Right");
    out << " , [\n        a lv2:InputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports time:Position ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n"
        << "        lv2:index " << lv2port::kTimePosition << " ;\n"
        << "        lv2:symbol \"time\" ;\n"
        << "        lv2:name \"Host Transport\"\n    ] .\n\n";

    out << uri(lv2port::kUiUri) << "\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << binary << "> ;\n"
        << "    lv2:requiredFeature ui:parent , <http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "    lv2:optionalFeature ui:touch , ui:resize , ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

struct Programs
{
    std::string names[HaldAuBase::kProgramCount];
    float values[HaldAuBase::kProgramCount][kParfelleParameterCount];
};

intptr_t VST_CALLBACK quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

Programs readPrograms()
{
    Programs programs;
    HaldParfelle effect(quietHost);
    for (int i = 0; i < HaldAuBase::kProgramCount; ++i) {
        char name[64] = {};
        effect.getProgramNameIndexed(-1, i, name);
        programs.names[i] = name;
        for (int p = 0; p < kParfelleParameterCount; ++p) programs.values[i][p] = effect.program(i)->getValue(p);
    }
    return programs;
}

std::string presetData(const Programs& programs)
{
    std::ostringstream out;
    out << kPrefixes;
    for (int i = 0; i < HaldAuBase::kProgramCount; ++i) {
        out << presetUri(i) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2port::kPluginUri) << " ;\n"
            << "    rdfs:label " << quoted(std::to_string(i + 1) + " " + programs.names[i]) << " ;\n    lv2:port ";
        for (int p = 0; p < kParfelleParameterCount; ++p)
            out << (p ? " , " : "") << "[ lv2:symbol " << quoted(lv2port::symbol(p)) << " ; pset:value "
                << number(programs.values[i][p]) << " ]";
        out << " .\n\n";
    }
    return out.str();
}

std::string manifest(const std::string& binary)
{
    std::ostringstream out;
    out << kPrefixes;
    out << uri(lv2port::kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary <" << binary
        << "> ;\n    rdfs:seeAlso <Parfelle.ttl> .\n\n";
    out << uri(lv2port::kUiUri) << "\n    a ui:X11UI ;\n    ui:binary <" << binary
        << "> ;\n    rdfs:seeAlso <Parfelle.ttl> .\n\n";
    for (int i = 0; i < HaldAuBase::kProgramCount; ++i)
        out << presetUri(i) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2port::kPluginUri)
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    return out.str();
}

bool write(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::fprintf(stderr, "parfelle-lv2-data: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: parfelle-lv2-data BUNDLE_DIR BINARY_NAME\n");
        return 2;
    }
    const std::string dir = argv[1], binary = argv[2];
    const bool ok = write(dir + "/manifest.ttl", manifest(binary)) &&
                    write(dir + "/Parfelle.ttl", pluginData(binary)) &&
                    write(dir + "/presets.ttl", presetData(readPrograms()));
    return ok ? 0 : 1;
}
