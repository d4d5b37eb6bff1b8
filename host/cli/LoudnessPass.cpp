#include "host/cli/LoudnessPass.h"

#include "host/cli/LimitedGain.h"
#include "host/cli/PeakEnvelope.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace
{

bool readAll(int fd, void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0)
    {
        const ssize_t n = read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

bool writeLoudnessTarget(const LoudnessTarget& target, const KeptAudio& kept,
                         const CPeakEnvelope& envelope, int block, const EmitFrames& emit,
                         const std::string& input, const std::string& output, FileReport& report,
                         std::string& error)
{
    const double integrated = envelope.integrated();
    LoudnessTarget aimed = target;
    aimed.ceilingDbtp -= kTruePeakMarginDb;
    StaticGain& chosen = report.staticGain;
    chosen = computeStaticGain(aimed, integrated, envelope.truePeak());
    report.targetApplied = true;
    LimiterSummary& summary = report.limiter;
    summary.enabled = target.limiter;
    summary.ceilingDb = aimed.ceilingDbtp;
    if (target.limiter && !chosen.silent)
    {
        // The limiter keeps the peaks down: the gain goes for the loudness alone.
        const LimitedGain g = chooseLimitedGain(envelope, kept.sampleRate, target.lufs,
                                                aimed.ceilingDbtp, kMostLimiterGainDb);
        chosen.gainDb = g.gainDb;
        // Only a limiter that would have to take more than it may leaves the target missed.
        chosen.missLu = std::max(0.0, target.lufs - g.predictedLufs);
        if (chosen.missLu < 0.05) chosen.missLu = 0;
        chosen.limitedByPeak = chosen.missLu > 0;
        summary.addedDb = g.gainDb - (target.lufs - integrated);
    }
    const float gain = float(std::pow(10.0, chosen.gainDb / 20.0));
    CLimiterGains limiter(envelope, kept.sampleRate, chosen.silent ? 0.0 : chosen.gainDb,
                          aimed.ceilingDbtp);
    const bool limiting = target.limiter && !chosen.silent && limiter.acts();

    if (lseek(kept.fd, 0, SEEK_SET) != 0)
    {
        error = input + ": cannot read the levelled audio back: " + std::strerror(errno);
        return false;
    }
    const int channels = kept.channels;
    const size_t frames = size_t(block);
    std::vector<float> interleaved(frames * size_t(channels)), left(frames), right(frames);
    std::vector<double> gainsDb(frames);
    for (long long done = 0; done < kept.frames;)
    {
        const int count = int(std::min<long long>(block, kept.frames - done));
        if (!readAll(kept.fd, interleaved.data(), size_t(count * channels) * sizeof(float)))
        {
            error = input + ": cannot read the levelled audio back: " + std::strerror(errno);
            return false;
        }
        for (int i = 0; i < count; ++i)
        {
            left[size_t(i)] = interleaved[size_t(i * channels)] * gain;
            right[size_t(i)] = interleaved[size_t(i * channels + channels - 1)] * gain;
        }
        // Frames the limiter leaves alone stay exactly as the static gain made them.
        if (limiting && limiter.next(count, gainsDb.data()))
        {
            for (int i = 0; i < count; ++i)
            {
                const double g = gainsDb[size_t(i)];
                summary.add(g);
                if (g == 0) continue;
                const float scale = float(std::pow(10.0, g / 20.0));
                left[size_t(i)] *= scale;
                right[size_t(i)] *= scale;
            }
        }
        else
        {
            summary.addUnreduced(count);
        }
        if (!emit(left.data(), right.data(), count))
        {
            error = output + ": write failed";
            return false;
        }
        done += count;
    }
    return true;
}
