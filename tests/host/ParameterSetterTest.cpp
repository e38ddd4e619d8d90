// Setting parameters by name and value text, against the real Parfelle
// build and the probe. Expected normalised values are worked out here from
// the parameters' documented ranges, not taken from the plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "HostTestSupport.h"
#include "tools/ParameterSetter.h"
#include "tools/PluginHost.h"

using namespace host;
using namespace host_test;

namespace {

class SetterTest : public ::testing::Test
{
protected:
    void loadPlugin(const std::string& path)
    {
        std::string error;
        ASSERT_TRUE(plugin.load(path, error)) << error;
        plugin.open();
        plugin.setSampleRate(44100.0);
        plugin.setBlockSize(512);
    }

    // Sets NAME=VALUE and expects it to work.
    ParameterOutcome set(const std::string& name, const std::string& value)
    {
        ParameterSetter setter(plugin);
        ParameterOutcome outcome;
        std::string error;
        EXPECT_TRUE(setter.apply({name, value}, outcome, error)) << name << "=" << value << ": " << error;
        return outcome;
    }

    // Sets NAME=VALUE, expects it to fail, and returns the message.
    std::string refuse(const std::string& name, const std::string& value)
    {
        ParameterSetter setter(plugin);
        ParameterOutcome outcome;
        std::string error;
        EXPECT_FALSE(setter.apply({name, value}, outcome, error)) << name << "=" << value;
        return error;
    }

    PluginHost plugin;
};

class ParfelleSetterTest : public SetterTest
{
protected:
    void SetUp() override { loadPlugin(parfelleFile()); }
};

class ProbeSetterTest : public SetterTest
{
protected:
    void SetUp() override { loadPlugin(probeFile()); }
};

}  // namespace

TEST(ParameterSettingParse, SplitsAtTheFirstEqualsSign)
{
    ParameterSetting setting;
    std::string error;
    ASSERT_TRUE(parseParameterSetting("  Delay Time = 0.5 ", setting, error));
    EXPECT_EQ(setting.name, "Delay Time");
    EXPECT_EQ(setting.value, "0.5");
    ASSERT_TRUE(parseParameterSetting("Mode=a=b", setting, error));
    EXPECT_EQ(setting.name, "Mode");
    EXPECT_EQ(setting.value, "a=b");
    for (const char* bad : {"Delay Time", "=0.5", "Delay Time=", " = "}) {
        EXPECT_FALSE(parseParameterSetting(bad, setting, error)) << bad;
        EXPECT_NE(error.find("NAME=VALUE"), std::string::npos);
    }
}

TEST_F(ParfelleSetterTest, NumbersInTheParametersOwnUnits)
{
    // Linear seconds, 0..30.
    ParameterOutcome outcome = set("Delay Time", "0.5");
    EXPECT_EQ(outcome.index, 0);
    EXPECT_EQ(outcome.display, "0.500");
    EXPECT_EQ(outcome.label, "seconds");
    EXPECT_NEAR(outcome.normalised, 0.5 / 30.0, 1e-6);

    // Exponential hertz, 50..12000.
    outcome = set("Filter Cutoff", "2000");
    EXPECT_EQ(outcome.display, "2000");
    EXPECT_EQ(outcome.label, "Hz");
    EXPECT_NEAR(outcome.normalised, std::log(2000.0 / 50.0) / std::log(12000.0 / 50.0), 1e-5);

    // Percent, with the unit written out.
    outcome = set("Feedback", "35 %");
    EXPECT_EQ(outcome.display, "35.00");
    EXPECT_NEAR(outcome.normalised, 0.35, 1e-6);

    // A range that crosses zero: -3..3.
    outcome = set("Filter LFO Amount", "-1.5");
    EXPECT_EQ(outcome.display, "-1.500");
    EXPECT_NEAR(outcome.normalised, 0.25, 1e-6);

    // Whole beats, 1..16: any value showing 7 will do, the middle is chosen.
    outcome = set("Beats", "7");
    EXPECT_EQ(outcome.display, "7.000");
    EXPECT_NEAR(outcome.normalised, 6.0 / 15.0, 1e-6);
}

TEST_F(ParfelleSetterTest, EndsOfTheRangeAreReachedExactly)
{
    EXPECT_EQ(set("Delay Time", "0").normalised, 0.0f);
    EXPECT_EQ(set("Delay Time", "30").normalised, 1.0f);
    EXPECT_EQ(set("Feedback", "100").normalised, 1.0f);
    EXPECT_EQ(set("Filter Cutoff", "50").normalised, 0.0f);
    EXPECT_EQ(set("Filter Cutoff", "12000").display, "12000");
}

TEST_F(ParfelleSetterTest, TextsOfListsAndSwitches)
{
    // Whole "Filter Type" values 0..4 have names; 2 is Band, 3 is High.
    ParameterOutcome outcome = set("Filter Type", "Band");
    EXPECT_EQ(outcome.display, "Band");
    EXPECT_NEAR(outcome.normalised, 2.0 / 4.0, 1e-6);
    outcome = set("filter type", "high");
    EXPECT_EQ(outcome.display, "High");
    EXPECT_NEAR(outcome.normalised, 3.0 / 4.0, 1e-6);
    // "Thru" is both ends; the first is taken.
    EXPECT_EQ(set("Filter Type", "Thru").normalised, 0.0f);

    // Divisors 1/1..1/32 are values 0..5; 1/8 is 3.
    outcome = set("Beat Divisor", "1/8");
    EXPECT_EQ(outcome.display, "1/8");
    EXPECT_NEAR(outcome.normalised * 5.0f, 3.0f, 0.5f);
    EXPECT_EQ(set("LFO Beat Divisor", "1/32").normalised, 1.0f);
    EXPECT_EQ(set("Beat Divisor", "1/1").normalised, 0.0f);

    // A switch is set fully on or off.
    outcome = set("Triplet", "On");
    EXPECT_EQ(outcome.display, "On");
    EXPECT_EQ(outcome.normalised, 1.0f);
    EXPECT_EQ(set("Triplet", "off").normalised, 0.0f);
}

TEST_F(ParfelleSetterTest, NormalisedValuesAndOtherWaysToName)
{
    ParameterOutcome outcome = set("Feedback", "0.25n");
    EXPECT_EQ(outcome.normalised, 0.25f);
    EXPECT_EQ(outcome.display, "25.00");
    EXPECT_EQ(set("#1", "0.5n").index, 1);
    EXPECT_EQ(set("  DELAY time ", "1").index, 0);
    // The plug-in cuts names to 15 characters; the full name still finds them.
    EXPECT_EQ(set("Saturation Amount", "3").index, 12);
    EXPECT_EQ(set("Saturation Amount", "3").display, "3.000");
    EXPECT_EQ(set("LFO Beat Divisor", "1/16").index, 19);
}

TEST_F(ParfelleSetterTest, RefusalsSayWhyAndLeaveTheValueAlone)
{
    const float before = plugin.parameter(0);

    std::string error = refuse("Delay Time", "40");
    EXPECT_NE(error.find("0.000 to 30.00 seconds"), std::string::npos) << error;
    EXPECT_EQ(plugin.parameter(0), before);

    error = refuse("Triplet", "maybe");
    EXPECT_NE(error.find("\"Off\", \"On\""), std::string::npos) << error;

    error = refuse("Delay Time", "0.5 Hz");
    EXPECT_NE(error.find("seconds"), std::string::npos) << error;
    EXPECT_EQ(plugin.parameter(0), before);

    error = refuse("Feedback", "1.5n");
    EXPECT_NE(error.find("0..1"), std::string::npos) << error;

    error = refuse("Echo Colour", "1");
    EXPECT_NE(error.find("no parameter called \"Echo Colour\""), std::string::npos) << error;
    EXPECT_NE(error.find("#0 \"Delay Time\""), std::string::npos) << error;
    EXPECT_NE(error.find("#20 \"LFO Triplet\""), std::string::npos) << error;

    error = refuse("#21", "1");
    EXPECT_NE(error.find("#0 to #20"), std::string::npos) << error;
    // A short name is not taken for a longer one it begins.
    refuse("Filter", "1");
}

TEST_F(ProbeSetterTest, DecreasingDisplayIsSearchedToo)
{
    // "Gain" shows 10 - 20 v: -2.5 is at v = 0.625; 10 and -10 are the ends.
    ParameterOutcome outcome = set("Gain", "-2.5");
    EXPECT_EQ(outcome.display, "-2.5");
    EXPECT_NEAR(outcome.normalised, 0.625, 1e-6);
    EXPECT_EQ(set("Gain", "10").normalised, 0.0f);
    EXPECT_EQ(set("Gain", "-10 dB").normalised, 1.0f);
    EXPECT_NE(refuse("Gain", "12").find("-10.0 to 10.0 dB"), std::string::npos);
}

TEST_F(ProbeSetterTest, ListRunsAndOddNames)
{
    // Alpha below 1/3, Beta to 2/3, Gamma above: the middle and the ends.
    EXPECT_EQ(set("Mode", "Alpha").normalised, 0.0f);
    EXPECT_NEAR(set("Mode", "Beta").normalised, 0.5, 1e-6);
    EXPECT_EQ(set("Mode", "Gamma").normalised, 1.0f);

    EXPECT_EQ(set("Resonance", "0.5").index, 2);
    EXPECT_NEAR(plugin.parameter(2), 0.5, 1e-6);

    const std::string error = refuse("Twin", "0.5n");
    EXPECT_NE(error.find("#3 #4"), std::string::npos) << error;
    EXPECT_EQ(set("#4", "0.5n").index, 4);
}

TEST_F(ParfelleSetterTest, ReportsEachSettingOnItsOwnLine)
{
    std::ostringstream report;
    std::string error;
    ASSERT_TRUE(applyParameterSettings(plugin, {{"Delay Time", "0.25"}, {"Filter Type", "Low"}}, report, error))
        << error;
    EXPECT_EQ(report.str(),
              "Set Delay Time = 0.250 seconds (normalised 0.008333)\n"
              "Set Filter Type = Low (normalised 0.250000)\n");
    // The first failure stops the rest.
    EXPECT_FALSE(applyParameterSettings(plugin, {{"Nope", "1"}, {"Delay Time", "2"}}, report, error));
    EXPECT_NEAR(plugin.parameter(0), 0.25 / 30.0, 1e-6);
}
