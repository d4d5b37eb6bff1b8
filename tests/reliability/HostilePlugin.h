#pragma once
// Audio blocks for driving the built plug-in with hostile and ordinary input: two or more
// channels of float or double, separate input and output buffers, with checks of the output.

#include <cmath>
#include <cstddef>
#include <vector>

template <typename Sample> class TTestBlock
{
  public:
    TTestBlock(size_t channels, size_t frames, Sample level)
        : inputs(channels, std::vector<Sample>(frames ? frames : 1)),
          outputs(channels, std::vector<Sample>(frames ? frames : 1)), inPtrs(channels),
          outPtrs(channels)
    {
        fillSine(level, 0);
    }
    TTestBlock(const TTestBlock& other) : inputs(other.inputs), outputs(other.outputs) { bind(); }
    TTestBlock& operator=(const TTestBlock&) = delete;

    Sample** in() { return bind(), inPtrs.data(); }
    Sample** out() { return bind(), outPtrs.data(); }
    Sample* input(size_t c) { return inputs[c].data(); }
    Sample* output(size_t c) { return outputs[c].data(); }

    // A 440 Hz-like tone (at 44.1 kHz) whose phase continues with `block`.
    void fillSine(Sample level, int block)
    {
        for (size_t c = 0; c < inputs.size(); ++c)
            for (size_t f = 0; f < inputs[c].size(); ++f)
            {
                const double n =
                    static_cast<double>(f + static_cast<size_t>(block) * inputs[c].size());
                inputs[c][f] = static_cast<Sample>(level * std::sin(0.0627 * n + 0.5 * c));
            }
    }
    void fillConstant(Sample value)
    {
        for (auto& channel : inputs)
            for (auto& s : channel)
                s = value;
    }
    void fillOutput(Sample value)
    {
        for (auto& channel : outputs)
            for (auto& s : channel)
                s = value;
    }
    bool outputFinite() const
    {
        for (const auto& channel : outputs)
            for (Sample s : channel)
                if (!std::isfinite(s)) return false;
        return true;
    }
    Sample outputPeak() const
    {
        Sample peak = 0;
        for (const auto& channel : outputs)
            for (Sample s : channel)
                if (std::fabs(s) > peak) peak = std::fabs(s);
        return peak;
    }

  private:
    void bind()
    {
        inPtrs.resize(inputs.size());
        outPtrs.resize(outputs.size());
        for (size_t c = 0; c < inputs.size(); ++c)
        {
            inPtrs[c] = inputs[c].data();
            outPtrs[c] = outputs[c].data();
        }
    }

    std::vector<std::vector<Sample>> inputs;
    std::vector<std::vector<Sample>> outputs;
    std::vector<Sample*> inPtrs;
    std::vector<Sample*> outPtrs;
};

using TestBlock = TTestBlock<float>;
using TestBlockD = TTestBlock<double>;
