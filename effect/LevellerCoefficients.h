#pragma once
// The numbers the leveller's sample loop works with, in the two groups that are computed
// together: what the init hook derives from the sample rate, and what one run of the slider
// code derives from the slider values. Each group is handed to the audio thread whole through a
// CSetExchange, so the loop never mixes the results of two runs (for example three low-cut
// coefficients of one setting with two of another, which can make the filter unstable).
// The same values also stay in the script's variables (LevellerVariables), where the editor and
// the rest of the script read them.

#include "effect/BiquadSection.h"
#include "effect/SetExchange.h"

// From the init hook: depends only on the sample rate.
struct LevellerInitSet
{
    double smooth20ms = 0.0;
    double smooth200ms = 0.0;
    double releaseScale = 0.0;
    BiquadCoefficients emphasis;
    double delayLengthL = 0.0;
    double delayLengthR = 0.0;
    double delayBaseL = 0.0;
    double delayBaseR = 0.0;
    double historyBase = 0.0;
};

// From one run of the slider code.
struct LevellerSliderSet
{
    double targetLevel = 0.0; // gain law: target and knee always of the same run
    double kneeLevel = 0.0;
    double brakeLevel = 0.0; // 0: the Brake is off
    double brakeFall = 0.0;  // fall of the Brake's own level (30 ms)
    double releaseCoef = 0.0;
    double slowReleaseTrim = 0.0;
    double outputGain = 0.0;
    BiquadCoefficients lowCut; // both channels
    double attackCoef = 0.0;
    double emphasisAmount = 0.0;
    double lowCutInMain = 0.0;
    double lowCutInSideChain = 0.0;
};

using LevellerInitExchange = CSetExchange<LevellerInitSet>;
using LevellerSliderExchange = CSetExchange<LevellerSliderSet>;

// [one reading thread] Keeps a copy of the newest set of an exchange and refreshes it only when
// a newer one was published: one atomic load when nothing changed.
template <typename Set, int kSlots = 8> class CSetCopy
{
  public:
    const Set& Latest(const CSetExchange<Set, kSlots>& exchange)
    {
        if (exchange.Newest() != tag) tag = exchange.Read(copy);
        return copy;
    }
    // The copy as the last Latest() left it.
    const Set& Held() const { return copy; }

  private:
    Set copy{};
    typename CSetExchange<Set, kSlots>::Tag tag = ~typename CSetExchange<Set, kSlots>::Tag(0);
};
