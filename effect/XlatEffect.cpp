#include "effect/XlatEffect.h"

#include <cmath>
#include <string_view>

#include "effect/LevellerParameters.h"
#include "effect/OnePole.h"

namespace
{

// Texts of the string constants kStrBuild .. kStrBrakeUnit, in handle order (the editor's
// captions, units, step labels, fonts and formats; LevellerStrings.h names each handle). What
// the editor letters for a parameter comes from the parameter table.
namespace texts = leveller_parameter_texts;
constexpr const LevellerParameter& kLowCut = LevellerParameterAt(1);
constexpr const LevellerParameter& kAttack = LevellerParameterAt(2);
constexpr const LevellerParameter& kPushDown = LevellerParameterAt(3);
constexpr const LevellerParameter& kPullUp = LevellerParameterAt(4);
constexpr const LevellerParameter& kRecovery = LevellerParameterAt(5);
constexpr const LevellerParameter& kEmphasis = LevellerParameterAt(6);
constexpr const LevellerParameter& kOutput = LevellerParameterAt(7);
constexpr const LevellerParameter& kDisplaySpeed = LevellerParameterAt(8);
constexpr const LevellerParameter& kBrake = LevellerParameterAt(9);
constexpr const LevellerParameter& kSideChain = LevellerParameterAt(0);

// clang-format off
const char* const kStrings[] = {
    "Build 170206",
    texts::kLowCutLettering[0], texts::kLowCutLettering[1], texts::kLowCutLettering[2],
    texts::kLowCutLettering[3], texts::kLowCutLettering[4], texts::kLowCutLettering[5],
    texts::kLowCutLettering[6], texts::kLowCutLettering[7], texts::kLowCutLettering[8],
    texts::kAttackLettering[0], texts::kAttackLettering[1], texts::kAttackLettering[2],
    texts::kAttackLettering[3], texts::kAttackLettering[4], texts::kAttackLettering[5],
    texts::kAttackLettering[6], texts::kAttackLettering[7], texts::kAttackLettering[8],
    texts::kAttackLettering[9], texts::kAttackLettering[10], texts::kAttackLettering[11],
    "Courier New", "%.1f", "Arial",
    kLowCut.caption, kAttack.caption,
    kPushDown.unit, kPushDown.caption,
    kPullUp.unit, kPullUp.caption,
    kRecovery.unit, kRecovery.caption,
    kEmphasis.unit, kEmphasis.caption,
    kOutput.unit, kOutput.caption,
    kSideChain.caption,
    kDisplaySpeed.unit, kDisplaySpeed.caption,
    "Arial", "Dyn.Range Reduction:", "%.2f", " dB",
    "Max Gain: ", "%.2f", " dB", "Max Attenuation: ", "%.2f", " dB", "Arial",
    kBrake.caption, kBrake.unit,
};
// clang-format on
static_assert(sizeof(kStrings) / sizeof(kStrings[0]) == kStrEnd - kStrBuild);

} // namespace

TXlatEffect::TXlatEffect()
{
    // Host parameter i is row i of the parameter table.
    for (const LevellerParameter& p : kLevellerParameters)
    {
        AddSlider(p.slider, nullptr, p.defaultValue, p.minimum, p.maximum, p.step, "", "", "",
                  p.name);
        for (const char* stepName : p.stepNames)
            AddEnumName(stepName);
        if (p.zeroName) SetZeroName(p.zeroName);
    }
    effectName = "QUAR2";
    productString = "QUAR2";
    programName = "QUAR2";
    vendorString = "Tessel Audio";
    version = 1000;
    uniqueId = ('Q' << 24) | ('U' << 16) | ('A' << 8) | 'R';
    channelCount = 2;
    latencyFrames = static_cast<int32_t>(kLookAhead);
}

void TXlatEffect::DoOpen()
{
    TXlat::DoOpen();
    vars = LevellerVariables{};
    RegisterFileName(0, "quar2_gfx\\bg.png");
    RegisterFileName(1, "quar2_gfx\\sliderknob.png");
    for (int32_t k = 0; k < kStrEnd - kStrBuild; ++k)
        RegisterString(kStrBuild + k, kStrings[k]);
    // The memory was just cleared: point the audio path at fresh pages of the (all-zero) layout,
    // so that a block processed before the first resume still touches only prepared memory.
    PrepareMemory();
    // The audio thread's coefficients start from 0 like every script variable, and so do the
    // places where it last found its memory (the lines there were just cleared).
    audioDelayBaseL = 0.0;
    audioDelayBaseR = 0.0;
    audioHistoryBase = 0.0;
    initSets.Publish(LevellerInitSet{}, initSets.TakeTicket());
    sliderSets.Publish(LevellerSliderSet{}, sliderSets.TakeTicket());
}

void TXlatEffect::DoInit()
{
    // The set handed to the audio thread starts as the newest complete one: values that need a
    // usable sample rate keep their previous value without one.
    const uint64_t ticket = initSets.TakeTicket();
    LevellerInitSet k;
    initSets.Read(k);

    LevellerVariables& v = vars;
    // Drawing start values; the editor sets its own colour before it draws anything.
    colorR = 0.0;
    colorG = 0.0;
    colorB = 0.0;
    colorA = 0.0;
    v.spareDrawStart1 = 1.0;
    v.spareDrawStart2 = 0.0;
    redrawRate = 30.0;

    // Host values: the sample rate as the host's 32-bit value, NaN and infinities as 0.
    v.hostSampleRate = ScriptFinite(static_cast<double>(static_cast<float>(HostSampleRate())));
    v.hostInputCount = ScriptFinite(static_cast<double>(HostChannelCount()));
    v.hostBlockSize = ScriptFinite(static_cast<double>(HostBlockSize()));
    v.hostTempo = ScriptFinite(HostTempo());
    v.hostTimeSigNumerator = ScriptFinite(v.hostTimeSigNumerator);
    v.hostTimeSigDenominator = ScriptFinite(v.hostTimeSigDenominator);
    RefreshHostValues();

    v.buildLabel = kStrBuild;
    v.maxAttenuationDb = 0.0;
    v.maxGainDb = 0.0;

    // Everything that divides by the sample rate keeps its previous value while the rate is
    // unusable (no host, or a host answer of 0): the old set-up keeps working instead of
    // turning every coefficient into infinity or NaN.
    const double sr = v.sampleRate;
    const bool rateUsable = SampleRateUsable(sr);
    if (rateUsable)
    {
        k.smooth20ms = OnePoleCoefficient(0.02 * sr);
        k.smooth200ms = OnePoleCoefficient(0.2 * sr);
        v.smooth20ms = k.smooth20ms;
        v.smooth200ms = k.smooth200ms;
    }
    v.monoBlocks = 32.0;
    if (rateUsable)
    {
        k.releaseScale = 44100.0 / sr * 0.0003;
        v.releaseScale = k.releaseScale;
        // Emphasis: second-order high-pass at 1 kHz (2 pi 1000 = 6283.185307179586), damping 5.
        k.emphasis = BiquadCoefficients::HighPass(5.0, std::tan(6283.185307179586 / sr));
        v.emphasis.SetCoefficients(k.emphasis);
        k.delayLengthL = std::fmin(sr, kLookAhead);
        k.delayLengthR = std::fmin(sr, kLookAhead);
        k.delayBaseL = sr * 0.0;
        k.delayBaseR = sr;
        v.delayLengthL = k.delayLengthL;
        v.delayLengthR = k.delayLengthR;
        v.delayBaseL = k.delayBaseL;
        v.delayBaseR = k.delayBaseR;
    }
    v.latency = kLookAhead;
    if (rateUsable)
    {
        v.historyBase = 2.0 * sr + 1.0;
        k.historyBase = v.historyBase;
    }
    v.graphPoints = 360.0;
    // Editor layout.
    v.graphX = 27.0;
    v.graphY = 300.0;
    v.graphTop = 290.0;
    v.curveLastY = 360.0;
    v.smoothLastY = 360.0;
    v.readoutX = 107.0;
    v.readoutY = 480.0;

    // The editor's step labels: string handles of the low-cut and attack step texts.
    for (int32_t k = 0; k < kLowCutStepCount; ++k)
        StoreShared(Element(kLowCutLabelTable + k), kStrLowCutSteps + k);
    for (int32_t k = 0; k < kAttackStepCount; ++k)
        StoreShared(Element(kAttackLabelTable + k), kStrAttackSteps + k);

    v.rerunSliderCode = 1.0;
    PrepareMemory();
    // Published once the delay lines' memory is ready at the new places.
    initSets.Publish(k, ticket);
    ReportLatency();
}

void TXlatEffect::DoSerialize()
{
    // Sliders 1 .. 64 as 32-bit floats, taken back as stored (no range limit, no step). A value
    // that is missing at the end of a short chunk, or that is NaN or infinite, leaves the slider
    // as it is: a non-finite level or gain would silence the effect for good.
    for (vars.serializeIndex = 1.0; vars.serializeIndex <= 64.0; vars.serializeIndex += 1.0)
    {
        SharedDouble& slider =
            sliders[static_cast<size_t>(ScriptInt(vars.serializeIndex) % kSliderCount)];
        double value = slider;
        FileVar(0, value);
        if (std::isfinite(value)) slider = value;
    }
}

void TXlatEffect::RefreshHostValues()
{
    LevellerVariables& v = vars;
    v.sampleRate = v.hostSampleRate;
    v.inputCount = v.hostInputCount;
    v.blockSize = v.hostBlockSize;
    v.tempo = v.hostTempo;
    v.timeSigNumerator = v.hostTimeSigNumerator;
    v.timeSigDenominator = v.hostTimeSigDenominator;
}

bool TXlatEffect::SampleRateUsable() const
{
    return SampleRateUsable(vars.sampleRate);
}

bool TXlatEffect::SampleRateUsable(double rate)
{
    return rate > 0.0 && rate <= kMaxSampleRate;
}

bool TXlatEffect::HistoryUsable() const
{
    return SampleRateUsable() && vars.blockSize >= 1.0 &&
           historyWindow.Last() >= historyWindow.First();
}

void TXlatEffect::PrepareMemory()
{
    const LevellerVariables& v = vars;
    // Each delay line is read and written at base + 0 .. base + 64; one more slot absorbs the
    // rounding of a fractional base.
    const int32_t delaySlots = static_cast<int32_t>(kLookAhead) + 2;
    delayWindowL.Prepare(*this, ScriptInt(v.delayBaseL), delaySlots);
    delayWindowR.Prepare(*this, ScriptInt(v.delayBaseR), delaySlots);
    // The history reaches ceil(display span / block size) + 1 entries; it is prepared for the
    // longest display span and at most CMemoryWindow::kMaxElements entries.
    int32_t historyEntries = 0;
    if (SampleRateUsable() && v.blockSize >= 1.0)
    {
        const double reach = std::ceil(kLongestDisplaySeconds * v.sampleRate / v.blockSize);
        historyEntries = static_cast<int32_t>(std::fmin(reach + 2.0, CMemoryWindow::kMaxElements));
    }
    historyWindow.Prepare(*this, ScriptInt(v.historyBase), historyEntries);
}
