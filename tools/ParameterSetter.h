// Setting a plug-in's parameters by name, in the parameter's own units, the
// way a user reads them: "Delay Time=0.5", "Filter Type=Band", "Triplet=On".
// It knows nothing of any particular plug-in: it asks the plug-in for names
// and display texts, and searches the normalised value whose text is wanted.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace host {

class PluginHost;

// One NAME=VALUE from the command line.
struct ParameterSetting
{
    std::string name;
    std::string value;
};

// Splits at the first '='; spaces around either side are dropped.
bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& error);

// What a setting came to, as the plug-in shows it.
struct ParameterOutcome
{
    int index = -1;
    std::string name;
    float normalised = 0.0f;
    std::string display;
    std::string label;
};

class ParameterSetter
{
public:
    explicit ParameterSetter(PluginHost& host) : host_(host) {}

    // The index of the parameter called name (case and surrounding spaces
    // ignored; "#N" names index N; a name the plug-in cut short to a usual
    // buffer length matches the full name), or -1 with the reason in error.
    int find(const std::string& name, std::string& error);

    // Sets the parameter at index to value, which is one of
    //   "0.25n"      a normalised value, 0..1;
    //   a text the parameter displays ("Band", "On", "1/8"), matched exactly
    //                first, then ignoring case;
    //   a number     the normalised value whose displayed number is nearest,
    //                optionally followed by the parameter's label ("2000 Hz").
    // On failure the parameter keeps its value and error says why.
    bool set(int index, const std::string& value, ParameterOutcome& outcome, std::string& error);

    bool apply(const ParameterSetting& setting, ParameterOutcome& outcome, std::string& error);

    // Points of the coarse scan over 0..1 that precedes every search.
    static constexpr int kScanSteps = 1000;

private:
    std::string displayAt(int index, double normalised);
    using TextMatch = std::function<bool(const std::string&)>;
    // The normalised value to choose among those whose texts match, given one
    // of them (inside) and the texts of the coarse scan.
    double centreOfRun(int index, const TextMatch& matches, double inside, const std::vector<std::string>& scan);
    std::string knownTexts(const std::vector<std::string>& texts) const;

    PluginHost& host_;
};

// Applies each setting in turn and prints what it came to, one line each.
// Stops at the first failure.
bool applyParameterSettings(PluginHost& host, const std::vector<ParameterSetting>& settings, std::ostream& report,
                            std::string& error);

}  // namespace host
