#include "tools/HostCommand.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <utility>

#include "tools/AudioFile.h"
#include "tools/Bench.h"
#include "tools/DefaultPlugin.h"
#include "tools/Editor.h"
#include "tools/PluginHost.h"
#include "tools/PluginInfo.h"
#include "tools/Render.h"

namespace host {

namespace {

// The command line's options, in the order given (bench's --set depends on
// where it stands), and the remaining words.
struct CommandLine
{
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positionals;

    bool has(const std::string& name) const
    {
        return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
    }
    // The last value given for name, or fallback.
    std::string value(const std::string& name, const std::string& fallback = {}) const
    {
        for (auto it = options.rbegin(); it != options.rend(); ++it)
            if (it->first == name) return it->second;
        return fallback;
    }
};

struct UsageError
{
    std::string message;
};

const std::vector<std::string> kValueOptions = {"--plugin", "--set",  "--program", "--tempo",
                                                "--block",  "--rate", "--tail",    "--seconds",
                                                "--screenshot", "--after"};
const std::vector<std::string> kFlagOptions = {"--verbose", "--silence"};

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

CommandLine parseCommandLine(const std::vector<std::string>& words, const std::vector<std::string>& allowed,
                             const std::string& command)
{
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            line.positionals.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "-v") word = "--verbose";
        std::string value;
        bool hasValue = false;
        const size_t equals = word.find('=');
        if (word.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = word.substr(equals + 1);
            word = word.substr(0, equals);
            hasValue = true;
        }
        if (!contains(kValueOptions, word) && !contains(kFlagOptions, word))
            throw UsageError{"unknown option " + word};
        if (!contains(allowed, word)) throw UsageError{command + " does not take " + word};
        if (contains(kFlagOptions, word)) {
            if (hasValue) throw UsageError{word + " takes no value"};
            line.options.emplace_back(word, "");
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= words.size()) throw UsageError{word + " needs a value"};
            value = words[++i];
        }
        line.options.emplace_back(word, value);
    }
    return line;
}

double parseReal(const std::string& option, const std::string& text, double lowest, double highest)
{
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || errno != 0 || !std::isfinite(value) || value < lowest || value > highest) {
        throw UsageError{option + " takes a number from " + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ", not \"" + text + "\""};
    }
    return value;
}

int parseInteger(const std::string& option, const std::string& text, long lowest, long highest)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || errno != 0 || value < lowest || value > highest) {
        throw UsageError{option + " takes a whole number from " + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ", not \"" + text + "\""};
    }
    return static_cast<int>(value);
}

ParameterSetting parseSetting(const std::string& text)
{
    ParameterSetting setting;
    std::string error;
    if (!parseParameterSetting(text, setting, error)) throw UsageError{"--set: " + error};
    return setting;
}

constexpr int kLargestBlock = 65536;

int runInfo(const std::vector<std::string>& words, const HostStreams& streams)
{
    const CommandLine line = parseCommandLine(words, {"--plugin", "--verbose"}, "info");
    if (line.positionals.size() > 1 || (line.positionals.size() == 1 && line.has("--plugin")))
        throw UsageError{"info takes one plug-in"};
    const std::string path = !line.positionals.empty() ? line.positionals[0]
                                                       : line.value("--plugin", defaultPluginPath());
    PluginHost plugin;
    if (line.has("--verbose")) plugin.setLog(&streams.err);
    std::string error;
    if (!plugin.load(path, error)) {
        streams.err << "parfelle-host: " << error << "\n";
        return kExitFailure;
    }
    plugin.open();
    plugin.setSampleRate(44100.0);
    plugin.setBlockSize(512);
    printPluginInfo(plugin, streams.out);
    plugin.close();
    if (line.has("--verbose")) plugin.printRequestSummary(streams.err);
    return kExitSuccess;
}

int runRender(const std::vector<std::string>& words, const HostStreams& streams)
{
    const CommandLine line = parseCommandLine(
        words, {"--plugin", "--set", "--program", "--tempo", "--block", "--rate", "--tail", "--verbose"}, "render");
    RenderOptions options;
    if (line.positionals.empty()) throw UsageError{"render needs an output file"};
    if (line.positionals.size() > 2) throw UsageError{"render takes at most an input and an output file"};
    options.outputPath = line.positionals.back();
    if (line.positionals.size() == 2) options.inputPath = line.positionals[0];
    if (audioFormatForPath(options.outputPath) == AudioFormat::Unknown)
        throw UsageError{"cannot tell the format of " + options.outputPath + " from its name: use .wav, .flac, .aif or .aiff"};

    options.pluginPath = line.value("--plugin", defaultPluginPath());
    for (const auto& option : line.options)
        if (option.first == "--set") options.settings.push_back(parseSetting(option.second));
    if (line.has("--program")) options.program = parseInteger("--program", line.value("--program"), 0, 1000000);
    if (line.has("--tempo")) options.tempo = parseReal("--tempo", line.value("--tempo"), 1.0, 999.0);
    if (line.has("--block")) options.blockSize = parseInteger("--block", line.value("--block"), 1, kLargestBlock);
    if (line.has("--tail")) options.tailSeconds = parseReal("--tail", line.value("--tail"), 0.0, 3600.0);
    if (line.has("--rate")) {
        if (!options.inputPath.empty())
            throw UsageError{"--rate is for the built-in demo; a file is processed at its own rate"};
        options.demoSampleRate = parseInteger("--rate", line.value("--rate"), 8000, 768000);
    }

    RenderOutput output;
    output.report = &streams.out;
    output.log = line.has("--verbose") ? &streams.err : nullptr;
    output.progress = streams.progress;
    output.progressColumns = streams.progressColumns;
    RenderResult result;
    std::string error;
    if (!renderAudio(options, output, result, error)) {
        streams.err << "parfelle-host: " << error << "\n";
        return kExitFailure;
    }
    return kExitSuccess;
}

int runBenchCommand(const std::vector<std::string>& words, const HostStreams& streams)
{
    const CommandLine line = parseCommandLine(
        words, {"--plugin", "--set", "--seconds", "--block", "--silence", "--verbose"}, "bench");
    if (!line.positionals.empty()) throw UsageError{"bench takes no file names: name plug-ins with --plugin"};

    BenchOptions options;
    options.silencePhase = line.has("--silence");
    if (line.has("--seconds")) options.seconds = parseReal("--seconds", line.value("--seconds"), 0.001, 86400.0);
    if (line.has("--block")) options.blockSize = parseInteger("--block", line.value("--block"), 1, kLargestBlock);

    // --set before the first --plugin is for every plug-in; after one, for that one.
    std::vector<ParameterSetting> common;
    for (const auto& option : line.options) {
        if (option.first == "--plugin") {
            options.plugins.push_back({option.second, common});
        } else if (option.first == "--set") {
            const ParameterSetting setting = parseSetting(option.second);
            if (options.plugins.empty())
                common.push_back(setting);
            else
                options.plugins.back().settings.push_back(setting);
        }
    }
    if (options.plugins.empty()) options.plugins.push_back({defaultPluginPath(), common});

    std::vector<BenchResult> results;
    std::string error;
    if (!runBench(options, results, streams.out, error)) {
        streams.err << "parfelle-host: " << error << "\n";
        return kExitFailure;
    }
    printBenchResults(results, streams.out);
    return kExitSuccess;
}

int runEditorCommand(const std::vector<std::string>& words, const HostStreams& streams)
{
    const CommandLine line =
        parseCommandLine(words, {"--plugin", "--set", "--tempo", "--screenshot", "--after", "--verbose"}, "editor");
    if (line.positionals.size() > 1 || (line.positionals.size() == 1 && line.has("--plugin")))
        throw UsageError{"editor takes one plug-in"};
    if (line.has("--screenshot") != line.has("--after"))
        throw UsageError{"--screenshot and --after go together"};

    EditorOptions options;
    options.pluginPath = !line.positionals.empty() ? line.positionals[0] : line.value("--plugin", defaultPluginPath());
    for (const auto& option : line.options)
        if (option.first == "--set") options.settings.push_back(parseSetting(option.second));
    if (line.has("--tempo")) options.tempo = parseReal("--tempo", line.value("--tempo"), 1.0, 999.0);
    if (line.has("--screenshot")) {
        options.screenshotPath = line.value("--screenshot");
        if (options.screenshotPath.empty()) throw UsageError{"--screenshot needs a file name"};
        options.screenshotAfter = parseReal("--after", line.value("--after"), 0.0, 86400.0);
    }

    if (line.has("--verbose")) options.log = &streams.err;

    EditorResult result;
    std::string error;
    if (!runEditor(options, streams.out, result, error)) {
        streams.err << "parfelle-host: " << error << "\n";
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

std::string usageText()
{
    return std::string(
               "Usage:\n"
               "  parfelle-host info [PLUGIN] [--verbose]\n"
               "  parfelle-host render [--plugin PLUGIN] [IN] OUT [options]\n"
               "  parfelle-host bench [--plugin PLUGIN]... [options]\n"
               "  parfelle-host editor [PLUGIN] [options]\n"
               "  parfelle-host --help | --version\n"
               "\n"
               "Without a plug-in named, the one beside this program is used (") +
           defaultPluginFileName() +
           ").\n"
           "\n"
           "info      Lists the plug-in's identity, its record, every parameter and\n"
           "          every program.\n"
           "\n"
           "render    Processes IN (WAV, FLAC or AIFF) through the plug-in into OUT.\n"
           "          OUT's extension sets its format: .wav 32-bit float; .flac, .aif and\n"
           "          .aiff 24-bit. A mono IN feeds every input of the plug-in. Without\n"
           "          IN, a built-in demo of 6 seconds is rendered.\n"
           "  --set NAME=VALUE   sets a parameter, in its own units: \"Delay Time=0.5\",\n"
           "                     \"Filter Type=Band\", \"Triplet=On\", \"Filter Cutoff=2000\".\n"
           "                     A number ending in n is normalised: \"Feedback=0.25n\".\n"
           "                     #N names parameter N. May be repeated.\n"
           "  --program N        selects program N before the --set values\n"
           "  --tempo BPM        gives the plug-in a playing timeline at BPM, 4/4;\n"
           "                     without it the host has no timeline\n"
           "  --block N          frames per processing call (default 512)\n"
           "  --rate HZ          sample rate of the built-in demo (default 44100);\n"
           "                     a file is processed at its own rate\n"
           "  --tail SECONDS     silence processed after the input, so that echoes\n"
           "                     die away (default 3)\n"
           "  --verbose          logs what the plug-in asks of the host\n"
           "\n"
           "bench     Times the processing of stereo white noise at 44100 Hz and\n"
           "          prints the realtime factor (audio time / processing time).\n"
           "  --plugin PLUGIN    a plug-in to time; repeat to compare with the first\n"
           "  --seconds S        length of the noise (default 60)\n"
           "  --block N          frames per processing call (default 512)\n"
           "  --silence          then processes silence as long again, timed apart\n"
           "  --set NAME=VALUE   before any --plugin: for every plug-in;\n"
           "                     after one: for that plug-in only\n"
           "\n"
           "editor    Opens the plug-in's editor in a window of its own, with the\n"
           "          built-in demo going through the plug-in, unheard, at its real\n"
           "          pace, so that its displays move. Runs until the window is closed.\n"
           "  --set NAME=VALUE   sets a parameter before the editor opens\n"
           "  --tempo BPM        gives the plug-in a playing timeline at BPM, 4/4\n"
           "  --screenshot FILE  saves what the window shows as a PNG file and\n"
           "  --after SECONDS    ends, that many seconds after the editor opened\n"
           "                     (if the window is still one colour then, once the\n"
           "                     editor has drawn, waiting at most 15 s more)\n"
           "  --verbose          logs what the plug-in asks of the host, knob moves\n"
           "                     (begin edit, automate with the value, end edit) included\n"
           "\n"
           "Exit status: 0 success; 1 failure (a file, the plug-in or a parameter);\n"
           "2 a mistake in the command line.\n";
}

int runHost(const std::vector<std::string>& arguments, const HostStreams& streams)
{
    if (arguments.empty()) {
        streams.err << usageText();
        return kExitUsage;
    }
    if (contains(arguments, "--help") || contains(arguments, "-h") || arguments[0] == "help") {
        streams.out << usageText();
        return kExitSuccess;
    }
    if (arguments[0] == "--version") {
        streams.out << "parfelle-host " << PARFELLE_VERSION << "\n";
        return kExitSuccess;
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> words(arguments.begin() + 1, arguments.end());
    try {
        if (command == "info") return runInfo(words, streams);
        if (command == "render") return runRender(words, streams);
        if (command == "bench") return runBenchCommand(words, streams);
        if (command == "editor") return runEditorCommand(words, streams);
        throw UsageError{"unknown command " + command + " (info, render, bench or editor)"};
    } catch (const UsageError& usage) {
        streams.err << "parfelle-host: " << usage.message << "\nTry parfelle-host --help\n";
        return kExitUsage;
    }
}

}  // namespace host
