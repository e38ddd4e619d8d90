#include "framework/ParameterInfo.h"

#include <cmath>
#include <cstdio>
#include <cstring>

float valueFromNormalised(const ParameterInfo& info, float normalised)
{
    const double v = normalised;
    const double lo = info.minimum;
    const double hi = info.maximum;
    switch (info.unit) {
    case kUnitIndexed:
    case kUnitBeats:
        return static_cast<float>(std::floor(lo + v * (hi - lo) + 0.5));
    case kUnitHertz:
        return static_cast<float>(lo * std::exp2(v * std::log2(hi / lo)));
    default:
        return static_cast<float>(lo + v * (hi - lo));
    }
}

float normalisedFromValue(const ParameterInfo& info, float value)
{
    const double x = value;
    const double lo = info.minimum;
    const double hi = info.maximum;
    if (hi == lo) return 0.0f;
    if (info.unit == kUnitHertz) return static_cast<float>(std::log(x / lo) / std::log(hi / lo));
    return static_cast<float>((x - lo) / (hi - lo));
}

const char* unitLabel(int32_t unit)
{
    switch (unit) {
    case kUnitPercent: return "%";
    case kUnitSeconds: return "seconds";
    case kUnitHertz: return "Hz";
    case kUnitCents: return "cents";
    case kUnitDecibels: return "dB";
    case kUnitPan: return "L/R";
    case kUnitBPM: return "BPM";
    case kUnitBeats: return "beats";
    case kUnitMilliseconds: return "ms";
    default: return "";
    }
}

void formatNumericValue(float value, char* text)
{
    const double x = value;
    const char* format = x < 10 ? "%.3f" : x < 100 ? "%.2f" : x < 1000 ? "%.1f" : "%.0f";
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, x);
    if (length < 0 || length >= kValueTextBytes) std::snprintf(buffer, sizeof buffer, "%.6g", x);
    std::memcpy(text, buffer, std::strlen(buffer) + 1);
}

void formatFallbackValue(float value, char* text)
{
    constexpr int width = 8;
    const double x = value;
    if (!(x <= 99999999.0 && x >= -9999999.0)) {  // NaN lands here too
        std::memcpy(text, "Huge!", 6);
        return;
    }
    char out[width + 1];
    int n = 0;
    double magnitude = std::fabs(x);
    if (x < 0) out[n++] = '-';
    const long long whole = static_cast<long long>(magnitude);  // in range: |x| < 1e8
    char digits[12];
    const int count = std::snprintf(digits, sizeof digits, "%lld", whole);
    std::memcpy(out + n, digits, static_cast<size_t>(count));
    n += count;
    // A whole part that leaves no room for a digit after the point stands alone.
    if (n < width - 1) {
        out[n++] = '.';
        double fraction = magnitude - static_cast<double>(whole);
        while (n < width) {
            fraction *= 10.0;
            const int digit = static_cast<int>(fraction);
            out[n++] = static_cast<char>('0' + digit);
            fraction -= digit;
        }
    }
    out[n] = 0;
    std::memcpy(text, out, static_cast<size_t>(n) + 1);
}
