#include "tools/PluginInfo.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "tools/PluginHost.h"

namespace host {

namespace {

// More programs than this are summarised rather than listed.
constexpr int kProgramsListed = 256;

std::string padded(const std::string& text, size_t width)
{
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string versionText(intptr_t version)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld (0x%08llx)", static_cast<long long>(version),
                  static_cast<unsigned long long>(version) & 0xffffffffull);
    return text;
}

}  // namespace

std::string describeFourCC(int32_t code)
{
    const auto bits = static_cast<uint32_t>(code);
    const char characters[4] = {static_cast<char>(bits >> 24), static_cast<char>(bits >> 16),
                                static_cast<char>(bits >> 8), static_cast<char>(bits)};
    const bool printable = std::all_of(characters, characters + 4, [](char c) { return c >= 32 && c < 127; });
    const std::string number = std::to_string(code);
    return printable ? "'" + std::string(characters, 4) + "' (" + number + ")" : number;
}

std::string describeEffectFlags(int32_t flags)
{
    static const struct
    {
        int32_t bit;
        const char* name;
    } kNames[] = {
        {effFlagsHasEditor, "HasEditor"},         {effFlagsHasClip, "HasClip"},
        {effFlagsHasVu, "HasVu"},                 {effFlagsCanMono, "CanMono"},
        {effFlagsCanReplacing, "CanReplacing"},   {effFlagsProgramChunks, "ProgramChunks"},
        {effFlagsIsSynth, "IsSynth"},             {effFlagsNoSoundInStop, "NoSoundInStop"},
        {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(flags));
    std::string text = hex;
    int32_t known = 0;
    for (const auto& entry : kNames) {
        known |= entry.bit;
        if (flags & entry.bit) text += std::string(" ") + entry.name;
    }
    if (const int32_t unknown = flags & ~known) {
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(unknown));
        text += std::string(" and unknown bits ") + hex;
    }
    return text;
}

const char* categoryName(intptr_t category)
{
    static const char* const kNames[] = {"Unknown",     "Effect",     "Synth",       "Analysis",
                                         "Mastering",   "Spacializer", "RoomFx",      "SurroundFx",
                                         "Restoration", "OfflineProcess", "Shell",    "Generator"};
    if (category < 0 || category >= static_cast<intptr_t>(sizeof kNames / sizeof kNames[0])) return "(not known)";
    return kNames[category];
}

void printPluginInfo(PluginHost& host, std::ostream& out)
{
    AEffect* effect = host.effect();
    const intptr_t category = host.dispatch(effGetPlugCategory);

    out << "Plug-in file    " << host.path() << "\n"
        << "Effect name     " << host.dispatchText(effGetEffectName) << "\n"
        << "Vendor          " << host.dispatchText(effGetVendorString) << "\n"
        << "Product         " << host.dispatchText(effGetProductString) << "\n"
        << "Vendor version  " << versionText(host.dispatch(effGetVendorVersion)) << "\n"
        << "Unique id       " << describeFourCC(effect->uniqueID) << "\n"
        << "VST version     " << static_cast<long long>(host.dispatch(effGetVstVersion)) << "\n"
        << "Category        " << categoryName(category) << " (" << static_cast<long long>(category) << ")\n"
        << "\nRecord\n"
        << "  magic         " << describeFourCC(effect->magic) << "\n"
        << "  numPrograms   " << effect->numPrograms << "\n"
        << "  numParams     " << effect->numParams << "\n"
        << "  numInputs     " << effect->numInputs << "\n"
        << "  numOutputs    " << effect->numOutputs << "\n"
        << "  flags         " << describeEffectFlags(effect->flags) << "\n"
        << "  initialDelay  " << effect->initialDelay << "\n"
        << "  uniqueID      " << describeFourCC(effect->uniqueID) << "\n"
        << "  version       " << effect->version << "\n";

    const int parameters = host.parameterCount();
    struct Row
    {
        std::string index, name, display, label, normalised;
    };
    std::vector<Row> rows;
    rows.push_back({"#", "Name", "Value", "Label", "Normalised"});
    for (int i = 0; i < parameters; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", static_cast<double>(host.parameter(i)));
        rows.push_back({std::to_string(i), host.parameterName(i), host.parameterDisplay(i), host.parameterLabel(i),
                        value});
    }
    size_t widths[4] = {};
    for (const Row& row : rows) {
        widths[0] = std::max(widths[0], row.index.size() + 2);
        widths[1] = std::max(widths[1], row.name.size() + 2);
        widths[2] = std::max(widths[2], row.display.size() + 2);
        widths[3] = std::max(widths[3], row.label.size() + 2);
    }
    out << "\nParameters (" << parameters << ")\n";
    for (const Row& row : rows)
        out << "  " << padded(row.index, widths[0]) << padded(row.name, widths[1]) << padded(row.display, widths[2])
            << padded(row.label, widths[3]) << row.normalised << "\n";

    const int programs = host.programCount();
    out << "\nPrograms (" << programs << ")\n";
    for (int p = 0; p < std::min(programs, kProgramsListed); ++p)
        out << "  " << padded(std::to_string(p), 6) << host.programName(p) << "\n";
    if (programs > kProgramsListed) out << "  ... and " << programs - kProgramsListed << " more\n";
}

}  // namespace host
