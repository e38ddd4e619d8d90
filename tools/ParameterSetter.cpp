#include "tools/ParameterSetter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>

#include "tools/PluginHost.h"

namespace host {

namespace {

constexpr int kBisectionSteps = 40;

std::string trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

// A number at the start of a display text, followed by nothing but a unit:
// "0.500", "-6.0 dB", "2000Hz". "1/8" or "1:2" are names, not numbers.
bool parseNumber(const std::string& text, double& value, std::string& suffix, int& decimals)
{
    const std::string body = trim(text);
    if (body.empty()) return false;
    const char* start = body.c_str();
    char* end = nullptr;
    value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value)) return false;
    suffix = trim(std::string(end));
    for (char c : suffix)
        if (std::isdigit(static_cast<unsigned char>(c))) return false;
    const std::string number(start, static_cast<size_t>(end - start));
    const size_t point = number.find('.');
    decimals = 0;
    if (point != std::string::npos)
        while (point + 1 + static_cast<size_t>(decimals) < number.size() &&
               std::isdigit(static_cast<unsigned char>(number[point + 1 + static_cast<size_t>(decimals)])))
            ++decimals;
    return true;
}

bool parseNormalised(const std::string& text, double& value)
{
    if (text.size() < 2 || (text.back() != 'n' && text.back() != 'N')) return false;
    const std::string number = text.substr(0, text.size() - 1);
    char* end = nullptr;
    value = std::strtod(number.c_str(), &end);
    return end != number.c_str() && *end == 0 && std::isfinite(value);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& error)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "expected NAME=VALUE, not " + quoted(text);
        return false;
    }
    setting.name = trim(text.substr(0, equals));
    setting.value = trim(text.substr(equals + 1));
    if (setting.name.empty() || setting.value.empty()) {
        error = "expected NAME=VALUE, not " + quoted(text);
        return false;
    }
    return true;
}

int ParameterSetter::find(const std::string& name, std::string& error)
{
    const int count = host_.parameterCount();
    const std::string wanted = lower(trim(name));

    if (wanted.size() > 1 && wanted[0] == '#') {
        char* end = nullptr;
        const long index = std::strtol(wanted.c_str() + 1, &end, 10);
        if (*end == 0 && end != wanted.c_str() + 1 && index >= 0 && index < count) return static_cast<int>(index);
        error = "no parameter " + quoted(name) + ": the plug-in has parameters #0 to #" + std::to_string(count - 1);
        return -1;
    }

    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) names.push_back(host_.parameterName(i));

    std::vector<int> exact;
    std::vector<int> shortened;
    for (int i = 0; i < count; ++i) {
        const std::string have = lower(names[static_cast<size_t>(i)]);
        if (have == wanted) exact.push_back(i);
        // Names are often cut to fit 8, 16, 24 or 32 bytes (with or without
        // the terminating zero); the full name still finds them.
        const size_t n = have.size();
        const bool cutLength = n == 7 || n == 8 || n == 15 || n == 16 || n == 23 || n == 24 || n == 31 || n == 32;
        if (cutLength && wanted.size() > n && wanted.compare(0, n, have) == 0) shortened.push_back(i);
    }
    const std::vector<int>& found = exact.empty() ? shortened : exact;
    if (found.size() == 1) return found[0];
    if (found.size() > 1) {
        error = "several parameters are called " + quoted(name) + ":";
        for (int i : found) error += " #" + std::to_string(i);
        error += "; name one by its number";
        return -1;
    }
    error = "the plug-in has no parameter called " + quoted(name) + "; its parameters are:";
    for (int i = 0; i < count; ++i) error += "\n  #" + std::to_string(i) + " " + quoted(names[static_cast<size_t>(i)]);
    return -1;
}

std::string ParameterSetter::displayAt(int index, double normalised)
{
    host_.setParameter(index, static_cast<float>(normalised));
    return host_.parameterDisplay(index);
}

double ParameterSetter::centreOfRun(int index, const TextMatch& matches, double inside,
                                    const std::vector<std::string>& scan)
{
    // The run of values whose texts match, found on the scan and refined by
    // bisection at both ends. Its middle is the safest choice: rounding in
    // the plug-in's own mapping cannot push it into a neighbour.
    const int steps = static_cast<int>(scan.size()) - 1;
    int below = std::clamp(static_cast<int>(std::floor(inside * steps)), 0, steps);
    while (below >= 0 && matches(scan[static_cast<size_t>(below)])) --below;
    int above = std::clamp(static_cast<int>(std::ceil(inside * steps)), 0, steps);
    while (above <= steps && matches(scan[static_cast<size_t>(above)])) ++above;

    const bool reachesZero = below < 0;
    const bool reachesOne = above > steps;
    // A run at an end of the range means "as far as it goes": a switch that is
    // "On" anywhere above zero is set fully on.
    if (reachesZero && !reachesOne) return 0.0;
    if (reachesOne && !reachesZero) return 1.0;
    if (reachesZero && reachesOne) return inside;

    auto edge = [&](double outside) {
        double match = inside;
        for (int i = 0; i < kBisectionSteps; ++i) {
            const double mid = 0.5 * (outside + match);
            (matches(displayAt(index, mid)) ? match : outside) = mid;
        }
        return match;
    };
    const double middle = 0.5 * (edge(static_cast<double>(below) / steps) + edge(static_cast<double>(above) / steps));
    return matches(displayAt(index, middle)) ? middle : inside;
}

std::string ParameterSetter::knownTexts(const std::vector<std::string>& texts) const
{
    std::vector<std::string> distinct;
    for (const std::string& text : texts)
        if (std::find(distinct.begin(), distinct.end(), text) == distinct.end()) distinct.push_back(text);
    constexpr size_t kShown = 16;
    std::string list;
    for (size_t i = 0; i < distinct.size() && i < kShown; ++i) list += (i ? ", " : "") + quoted(distinct[i]);
    if (distinct.size() > kShown) list += ", ...";
    return list;
}

bool ParameterSetter::set(int index, const std::string& requested, ParameterOutcome& outcome, std::string& error)
{
    if (index < 0 || index >= host_.parameterCount()) {
        error = "no parameter #" + std::to_string(index);
        return false;
    }
    const std::string name = host_.parameterName(index);
    const std::string value = trim(requested);
    if (value.empty()) {
        error = "no value given for " + quoted(name);
        return false;
    }
    const float original = host_.parameter(index);

    auto finish = [&](double normalised) {
        host_.setParameter(index, static_cast<float>(normalised));
        outcome.index = index;
        outcome.name = name;
        outcome.normalised = host_.parameter(index);
        outcome.display = host_.parameterDisplay(index);
        outcome.label = host_.parameterLabel(index);
        return true;
    };
    auto fail = [&](const std::string& why) {
        host_.setParameter(index, original);
        error = why;
        return false;
    };

    double normalised = 0.0;
    if (parseNormalised(value, normalised)) {
        if (normalised < 0.0 || normalised > 1.0)
            return fail("a normalised value lies in 0..1, not " + value + " (" + quoted(name) + ")");
        return finish(normalised);
    }

    std::vector<std::string> scan(static_cast<size_t>(kScanSteps) + 1);
    for (int i = 0; i <= kScanSteps; ++i)
        scan[static_cast<size_t>(i)] = displayAt(index, static_cast<double>(i) / kScanSteps);

    // A text the parameter shows: the widest run of it wins, the first among equals.
    for (int pass = 0; pass < 2; ++pass) {
        int bestStart = -1;
        int bestLength = 0;
        for (int i = 0; i <= kScanSteps;) {
            const std::string& text = scan[static_cast<size_t>(i)];
            const bool matches = pass == 0 ? text == value : sameIgnoringCase(text, value);
            int j = i + 1;
            if (matches) {
                while (j <= kScanSteps && scan[static_cast<size_t>(j)] == text) ++j;
                if (j - i > bestLength) bestStart = i, bestLength = j - i;
            }
            i = j;
        }
        if (bestStart >= 0) {
            const std::string text = scan[static_cast<size_t>(bestStart)];
            const double inside = (bestStart + 0.5 * (bestLength - 1)) / kScanSteps;
            return finish(centreOfRun(index, [&text](const std::string& t) { return t == text; }, inside, scan));
        }
    }

    // A number: the value whose displayed number is nearest to it.
    double target = 0.0;
    std::string unit;
    int decimals = 0;
    if (!parseNumber(value, target, unit, decimals)) {
        return fail(quoted(value) + " is not a value of " + quoted(name) + "; it shows " + knownTexts(scan));
    }
    struct Point
    {
        double normalised;
        double number;
        int decimals;
    };
    std::vector<Point> points;
    std::string displayUnit;
    for (int i = 0; i <= kScanSteps; ++i) {
        double number = 0.0;
        std::string suffix;
        int places = 0;
        if (!parseNumber(scan[static_cast<size_t>(i)], number, suffix, places)) continue;
        if (points.empty()) displayUnit = suffix;
        points.push_back({static_cast<double>(i) / kScanSteps, number, places});
    }
    if (points.empty())
        return fail(quoted(value) + " is not a value of " + quoted(name) + "; it shows " + knownTexts(scan));
    const std::string label = host_.parameterLabel(index);
    if (!unit.empty() && !sameIgnoringCase(unit, label) && !sameIgnoringCase(unit, displayUnit))
        return fail("cannot read " + quoted(value) + " for " + quoted(name) + ": its unit is " +
                    quoted(label.empty() ? displayUnit : label));

    const auto lowest = std::min_element(points.begin(), points.end(),
                                         [](const Point& a, const Point& b) { return a.number < b.number; });
    const auto highest = std::max_element(points.begin(), points.end(),
                                          [](const Point& a, const Point& b) { return a.number < b.number; });
    // Within half a step of the display's last digit, the end of the range counts as reached.
    const double lowTolerance = 0.5 * std::pow(10.0, -lowest->decimals);
    const double highTolerance = 0.5 * std::pow(10.0, -highest->decimals);
    if (target < lowest->number - lowTolerance || target > highest->number + highTolerance) {
        const std::string lowText = scan[static_cast<size_t>(std::lround(lowest->normalised * kScanSteps))];
        const std::string highText = scan[static_cast<size_t>(std::lround(highest->normalised * kScanSteps))];
        return fail(quoted(name) + " cannot reach " + value + ": it shows " + lowText + " to " + highText +
                    (label.empty() ? "" : " " + label));
    }
    target = std::clamp(target, lowest->number, highest->number);

    // The first neighbouring pair that brackets the target; there is one,
    // since the target lies between the smallest and largest numbers seen.
    size_t pair = 0;
    while (pair + 1 < points.size() &&
           (points[pair].number - target) * (points[pair + 1].number - target) > 0.0)
        ++pair;
    double candidate = points[pair].normalised;
    if (pair + 1 < points.size()) {
        Point low = points[pair];
        Point high = points[pair + 1];
        for (int i = 0; i < kBisectionSteps; ++i) {
            const double mid = 0.5 * (low.normalised + high.normalised);
            double number = 0.0;
            std::string suffix;
            int places = 0;
            if (!parseNumber(displayAt(index, mid), number, suffix, places)) break;
            const bool sameSideAsLow = (number - target) * (low.number - target) > 0.0;
            (sameSideAsLow ? low : high) = Point{mid, number, places};
        }
        candidate = std::fabs(low.number - target) < std::fabs(high.number - target) ? low.normalised
                                                                                      : high.normalised;
    }
    // Texts that differ but read as the same number ("100.00", "100.0") are one run.
    double shown = 0.0;
    std::string suffix;
    int places = 0;
    if (!parseNumber(displayAt(index, candidate), shown, suffix, places)) return finish(candidate);
    const auto sameNumber = [shown](const std::string& t) {
        double number = 0.0;
        std::string rest;
        int digits = 0;
        return parseNumber(t, number, rest, digits) && number == shown;
    };
    return finish(centreOfRun(index, sameNumber, candidate, scan));
}

bool ParameterSetter::apply(const ParameterSetting& setting, ParameterOutcome& outcome, std::string& error)
{
    const int index = find(setting.name, error);
    if (index < 0) return false;
    return set(index, setting.value, outcome, error);
}

bool applyParameterSettings(PluginHost& host, const std::vector<ParameterSetting>& settings, std::ostream& report,
                            std::string& error)
{
    ParameterSetter setter(host);
    for (const ParameterSetting& setting : settings) {
        ParameterOutcome outcome;
        if (!setter.apply(setting, outcome, error)) return false;
        char normalised[32];
        std::snprintf(normalised, sizeof normalised, "%.6f", static_cast<double>(outcome.normalised));
        report << "Set " << outcome.name << " = " << outcome.display << (outcome.label.empty() ? "" : " ")
               << outcome.label << " (normalised " << normalised << ")\n";
    }
    return true;
}

}  // namespace host
