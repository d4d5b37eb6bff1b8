// --set NAME=VALUE against a fake plug-in whose parameters quantise and display their values the
// way QUAR2's do (stepped numbers, step names, a fine 0.1 step) plus a continuous one.

#include "host/cli/ParameterSetter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace
{

struct FakeParam
{
    const char* name;
    const char* label;
    double minimum, maximum, step;
    std::vector<const char*> steps; // step names, empty for a number
    const char* format;             // display format for numbers
    double value;
};

class CFakePlugin final : public CPluginInstance
{
  public:
    std::vector<FakeParam> params = {
        {"Pull Up [dB]", "", 0, 30, 1, {}, "%.2f", 0},
        {"Attack Mode",
         "",
         0,
         11,
         1,
         {"Zero", "250us", "500us", "1ms", "5ms", "10ms", "20ms", "50ms", "100ms", "200ms", "500ms",
          "1sec"},
         nullptr,
         0},
        {"[Display Speed]", "", 1, 10, 0.1, {}, "%.2f", 10},
        {"Threshold", "dB", -60, 0, 0, {}, "%.1f", -20},
        {"Pull Down", "", 0, 1, 1, {}, "%.0f", 0},
    };
    int setCalls = 0;

    PluginInfo info() override
    {
        PluginInfo i;
        i.numParams = int(params.size());
        return i;
    }
    std::string parameterName(int i) override { return params[size_t(i)].name; }
    std::string parameterLabel(int i) override { return params[size_t(i)].label; }
    std::string parameterDisplay(int i) override
    {
        const FakeParam& p = params[size_t(i)];
        if (!p.steps.empty())
        {
            int j =
                int((double(p.steps.size()) - 1) * (p.value - p.minimum) / (p.maximum - p.minimum));
            j = std::clamp(j, 0, int(p.steps.size()) - 1);
            return p.steps[size_t(j)];
        }
        char text[32];
        std::snprintf(text, sizeof text, p.format, p.value);
        return text;
    }
    float getParameter(int i) override
    {
        const FakeParam& p = params[size_t(i)];
        return float((p.value - p.minimum) / (p.maximum - p.minimum));
    }
    void setParameter(int i, float v) override
    {
        ++setCalls;
        FakeParam& p = params[size_t(i)];
        const double x = (p.maximum - p.minimum) * double(v) + p.minimum;
        p.value = p.step > 0 ? std::floor((x + 0.5 * p.step) / p.step) * p.step : x;
    }
    std::string programName() override { return "fake"; }
    void setProgramName(const std::string&) override {}
    bool getChunk(bool, std::vector<uint8_t>&) override { return false; }
    void setChunk(bool, const std::vector<uint8_t>&) override {}
    void setSampleRate(float) override {}
    void setBlockSize(int) override {}
    void resume() override {}
    void suspend() override {}
    void process(const float* const[2], float* const[2], int) override {}
    int latency() override { return 0; }
    double timeProcessing(const float*, const float*, long long, int) override { return -1; }
    bool openEditor(int&, int&) override { return false; }
    void idleEditor(int) override {}
    bool captureEditor(EditorImage&) override { return false; }
    void closeEditor() override {}
    bool failed() const override { return false; }
    std::string failure() const override { return {}; }
};

std::string set(CFakePlugin& plugin, const std::string& setting, bool expectOk = true)
{
    ParameterAssignment result;
    std::string error;
    const bool ok = applyParameterSetting(plugin, setting, result, error);
    EXPECT_EQ(ok, expectOk) << setting << ": " << error;
    return ok ? result.display : error;
}

} // namespace

TEST(ParameterSetter, NamesMatchExactlyThenLooselyAndUnknownNamesListTheValidOnes)
{
    CFakePlugin plugin;
    std::string error;
    EXPECT_EQ(findParameter(plugin, "Pull Up [dB]", error), 0);
    EXPECT_EQ(findParameter(plugin, "attack mode", error), 1);
    EXPECT_EQ(findParameter(plugin, " display speed ", error), 2);
    EXPECT_EQ(findParameter(plugin, "pull up", error), 0);
    EXPECT_EQ(findParameter(plugin, "Pull", error), -1);
    EXPECT_NE(error.find("unknown parameter \"Pull\""), std::string::npos) << error;
    EXPECT_NE(error.find("\"Pull Up [dB]\", \"Attack Mode\", \"[Display Speed]\""),
              std::string::npos)
        << error;
}

TEST(ParameterSetter, SteppedNumbersAndStepNamesAreFoundByTheirDisplay)
{
    CFakePlugin plugin;
    EXPECT_EQ(set(plugin, "Pull Up [dB]=12"), "12.00");
    EXPECT_DOUBLE_EQ(plugin.params[0].value, 12.0);
    EXPECT_EQ(set(plugin, "pull up=30 dB"), "30.00");
    EXPECT_EQ(set(plugin, "Pull Up [dB]=0"), "0.00");
    EXPECT_EQ(set(plugin, "Attack Mode=5ms"), "5ms");
    EXPECT_DOUBLE_EQ(plugin.params[1].value, 4.0);
    EXPECT_EQ(set(plugin, "Attack Mode= 1 SEC"), "1sec");
    EXPECT_EQ(set(plugin, "Attack Mode=Zero"), "Zero");
    EXPECT_EQ(set(plugin, "[Display Speed]=2.5"), "2.50");
    EXPECT_NEAR(plugin.params[2].value, 2.5, 1e-9);
    EXPECT_EQ(set(plugin, "[Display Speed]=1"), "1.00");
    EXPECT_EQ(set(plugin, "Pull Down=1"), "1");
}

TEST(ParameterSetter, ContinuousValuesAreFoundToTheDisplayedPrecision)
{
    CFakePlugin plugin;
    EXPECT_EQ(set(plugin, "Threshold=-17.3"), "-17.3 dB");
    EXPECT_NEAR(plugin.params[3].value, -17.3, 0.05);
    EXPECT_EQ(set(plugin, "Threshold=-42.04 dB"), "-42.0 dB"); // as precise as the display
    EXPECT_EQ(set(plugin, "threshold=-60"), "-60.0 dB");
}

TEST(ParameterSetter, NumbersBetweenStepsOrDisplayedDigitsTakeTheNearestValueAndSaySo)
{
    CFakePlugin plugin;
    ParameterAssignment result;
    std::string error;
    ASSERT_TRUE(applyParameterSetting(plugin, "Pull Up [dB]=12.4", result, error)) << error;
    EXPECT_EQ(result.display, "12.00");
    EXPECT_NE(result.note.find("between the steps 12.00 and 13.00"), std::string::npos)
        << result.note;
    EXPECT_NE(result.note.find("steps of 1.00"), std::string::npos) << result.note;
    ASSERT_TRUE(applyParameterSetting(plugin, "[Display Speed]=2.37", result, error)) << error;
    EXPECT_EQ(result.display, "2.40");
    ASSERT_TRUE(applyParameterSetting(plugin, "Threshold=-12.34", result, error)) << error;
    EXPECT_EQ(result.display, "-12.3 dB");
    EXPECT_TRUE(result.note.empty()) << result.note; // shown as the display rounds it
    ASSERT_TRUE(applyParameterSetting(plugin, "Pull Up [dB]=12", result, error)) << error;
    EXPECT_TRUE(result.note.empty()) << result.note;
}

TEST(ParameterSetter, InvalidValuesListTheValidOnesAndLeaveTheParameterAlone)
{
    CFakePlugin plugin;
    set(plugin, "Pull Up [dB]=7");
    // Out of range is invalid; a number between two steps is not (it takes the nearer step).
    std::string e = set(plugin, "Pull Up [dB]=31", false);
    EXPECT_NE(e.find("invalid value \"31\" for parameter \"Pull Up [dB]\""), std::string::npos)
        << e;
    EXPECT_NE(e.find("\"0.00\", \"1.00\""), std::string::npos) << e;
    EXPECT_NE(e.find("\"30.00\""), std::string::npos) << e;
    EXPECT_DOUBLE_EQ(plugin.params[0].value, 7.0);

    e = set(plugin, "Attack Mode=7ms", false);
    EXPECT_NE(e.find("\"Zero\", \"250us\""), std::string::npos) << e;
    EXPECT_NE(e.find("\"1sec\""), std::string::npos) << e;
    EXPECT_DOUBLE_EQ(plugin.params[1].value, 0.0);
    // A bare number is not a step name: "5" is not "5ms".
    set(plugin, "Attack Mode=5", false);

    e = set(plugin, "Threshold=5", false);
    EXPECT_NE(e.find("numbers from -60.0 to 0.0 dB"), std::string::npos) << e;
    EXPECT_NEAR(plugin.params[3].value, -20.0, 1e-5); // back where it was, to float precision
    e = set(plugin, "Threshold=-10 Hz", false);       // a unit that is not the parameter's
    EXPECT_NEAR(plugin.params[3].value, -20.0, 1e-5);

    e = set(plugin, "Pull Up [dB]", false);
    EXPECT_NE(e.find("NAME=VALUE"), std::string::npos) << e;
    e = set(plugin, "Nothing=1", false);
    EXPECT_NE(e.find("unknown parameter"), std::string::npos) << e;
}
