// Host value <-> units, labels and value texts, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "framework/ParameterInfo.h"

namespace {

std::string numeric(float value)
{
    char text[64];
    std::memset(text, 'x', sizeof text);
    formatNumericValue(value, text);
    return text;
}

std::string fallback(float value)
{
    char text[64];
    std::memset(text, 'x', sizeof text);
    formatFallbackValue(value, text);
    return text;
}

const ParameterInfo cutoff{"Filter Cutoff", kUnitHertz, 50.0f, 12000.0f, 1000.0f};
const ParameterInfo beats{"Beats", kUnitBeats, 1.0f, 16.0f, 4.0f};
const ParameterInfo divisor{"Beat Divisor", kUnitIndexed, 0.0f, 5.0f, 2.0f};
const ParameterInfo toggle{"Triplet", kUnitBoolean, 0.0f, 1.0f, 0.0f};
const ParameterInfo lfoAmount{"Filter LFO Amount", kUnitGeneric, -3.0f, 3.0f, 0.0f};

}  // namespace

TEST(ParameterMapping, HertzIsExponential)
{
    EXPECT_FLOAT_EQ(valueFromNormalised(cutoff, 0.0f), 50.0f);
    EXPECT_FLOAT_EQ(valueFromNormalised(cutoff, 1.0f), 12000.0f);
    EXPECT_NEAR(valueFromNormalised(cutoff, 0.5f), 50.0 * std::sqrt(240.0), 1e-3);  // 774.597
    EXPECT_NEAR(normalisedFromValue(cutoff, 1000.0f), 0.5466027, 1e-6);              // ln 20 / ln 240
    // Outside 0..1 extrapolates: one more decade of the range each way.
    EXPECT_NEAR(valueFromNormalised(cutoff, 2.0f), 50.0 * 240.0 * 240.0, 1.0);
    EXPECT_NEAR(valueFromNormalised(cutoff, -1.0f), 50.0 / 240.0, 1e-5);
}

TEST(ParameterMapping, BeatsAndIndexedRoundToWholeNumbers)
{
    EXPECT_EQ(valueFromNormalised(beats, 0.5f), 9.0f);   // 8.5 rounds up
    EXPECT_EQ(valueFromNormalised(beats, 0.49f), 8.0f);  // 8.35
    EXPECT_NEAR(normalisedFromValue(beats, 9.0f), 8.0 / 15.0, 1e-7);
    EXPECT_EQ(valueFromNormalised(divisor, 0.55f), 3.0f);  // 2.75
    EXPECT_EQ(valueFromNormalised(divisor, 0.5f), 3.0f);   // 2.5 rounds up
    EXPECT_EQ(valueFromNormalised(divisor, -0.2f), -1.0f); // -0.5 rounds up to -1
    EXPECT_EQ(valueFromNormalised(divisor, 2.0f), 10.0f);
    EXPECT_NEAR(normalisedFromValue(divisor, 3.0f), 0.6, 1e-7);
}

TEST(ParameterMapping, OtherUnitsAreLinearAndUnrounded)
{
    EXPECT_FLOAT_EQ(valueFromNormalised(toggle, 0.3f), 0.3f);
    EXPECT_FLOAT_EQ(valueFromNormalised(lfoAmount, 0.25f), -1.5f);
    EXPECT_FLOAT_EQ(valueFromNormalised(lfoAmount, 1.5f), 6.0f);
    EXPECT_FLOAT_EQ(normalisedFromValue(lfoAmount, 3.0f), 1.0f);
    EXPECT_FLOAT_EQ(normalisedFromValue(lfoAmount, -6.0f), -0.5f);
    const ParameterInfo flat{"Flat", kUnitGeneric, 2.0f, 2.0f, 2.0f};
    EXPECT_TRUE(std::isfinite(normalisedFromValue(flat, 2.0f)));
}

TEST(ParameterMapping, UnitLabels)
{
    EXPECT_STREQ(unitLabel(kUnitSeconds), "seconds");
    EXPECT_STREQ(unitLabel(kUnitCents), "cents");
    EXPECT_STREQ(unitLabel(kUnitBeats), "beats");
    EXPECT_STREQ(unitLabel(kUnitGeneric), "");
    EXPECT_STREQ(unitLabel(kUnitPercent), "%");
    EXPECT_STREQ(unitLabel(kUnitHertz), "Hz");
    EXPECT_STREQ(unitLabel(kUnitDecibels), "dB");
    EXPECT_STREQ(unitLabel(kUnitPan), "L/R");
    EXPECT_STREQ(unitLabel(kUnitBPM), "BPM");
    EXPECT_STREQ(unitLabel(kUnitMilliseconds), "ms");
    EXPECT_STREQ(unitLabel(kUnitIndexed), "");
    EXPECT_STREQ(unitLabel(kUnitMixerFaderCurve), "");
    EXPECT_STREQ(unitLabel(999), "");
}

TEST(ValueText, NumericFormatChosenBeforeRounding)
{
    EXPECT_EQ(numeric(30.0f), "30.00");
    EXPECT_EQ(numeric(12000.0f), "12000");
    EXPECT_EQ(numeric(0.1f), "0.100");
    EXPECT_EQ(numeric(-3.0f), "-3.000");
    EXPECT_EQ(numeric(-2.5f), "-2.500");
    EXPECT_EQ(numeric(-2500.0f), "-2500.000");
    EXPECT_EQ(numeric(9.9996f), "10.000");
    EXPECT_EQ(numeric(99.996f), "100.00");
    EXPECT_EQ(numeric(999.96f), "1000.0");
    EXPECT_EQ(numeric(774.597f), "774.6");
}

TEST(ValueText, NumericTextsAlwaysFitTheHostBuffer)
{
    for (float value : {1e30f, -1e30f, 3.4e38f, -3.4e38f, 1e23f, -1e19f, 123456789012.0f}) {
        const std::string text = numeric(value);
        EXPECT_LT(text.size(), static_cast<size_t>(kValueTextBytes)) << value;
        EXPECT_NEAR(std::stod(text) / value, 1.0, 1e-5) << text;
    }
    EXPECT_EQ(numeric(1e30f), "1e+30");
    EXPECT_EQ(numeric(-1e19f), "-1e+19");
}

TEST(ValueText, FallbackConversionHasEightCharacters)
{
    EXPECT_EQ(fallback(2.0f), "2.000000");
    EXPECT_EQ(fallback(-2.0f), "-2.00000");
    EXPECT_EQ(fallback(10.0f), "10.00000");
    EXPECT_EQ(fallback(0.5f), "0.500000");
    EXPECT_EQ(fallback(-0.25f), "-0.25000");
    EXPECT_EQ(fallback(123456.0f), "123456.0");
    EXPECT_EQ(fallback(1234567.0f), "1234567");
    EXPECT_EQ(fallback(99999992.0f), "99999992");  // the float nearest 99999999 is 1e8: too big
    EXPECT_EQ(fallback(99999999.0f), "Huge!");
    EXPECT_EQ(fallback(12345678.0f), "12345678");
    EXPECT_EQ(fallback(-9999999.0f), "-9999999");
    EXPECT_EQ(fallback(100000000.0f), "Huge!");
    EXPECT_EQ(fallback(-10000000.0f), "Huge!");
    EXPECT_EQ(fallback(std::nanf("")), "Huge!");
    for (float value : {3.14159f, -1.5f, 7654321.0f, -765432.0f, 0.0f})
        EXPECT_LE(fallback(value).size(), 8u) << value;
}
