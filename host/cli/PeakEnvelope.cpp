#include "host/cli/PeakEnvelope.h"

#include "host/cli/FileOutput.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace
{
constexpr size_t kPendingValues = 1 << 16;
constexpr int kPiece = 1024;
constexpr double kAbsoluteGate = -70.0; // LUFS
constexpr double kRelativeGate = -10.0; // LU
constexpr int kBlockHops = 4;           // 400 ms
} // namespace

CMappedFloats::~CMappedFloats()
{
    if (mapped != nullptr) munmap(mapped, size_t(count) * sizeof(float));
    if (fd >= 0) close(fd);
}

bool CMappedFloats::open()
{
    pending.reserve(kPendingValues);
    fd = anonymousTemporaryFile();
    return fd >= 0;
}

bool CMappedFloats::append(const float* v, int n)
{
    for (int done = 0; done < n;)
    {
        const size_t take = std::min(kPendingValues - pending.size(), size_t(n - done));
        pending.insert(pending.end(), v + done, v + done + take);
        done += int(take);
        count += static_cast<long long>(take);
        if (pending.size() == kPendingValues)
        {
            if (!writeAll(fd, pending.data(), pending.size() * sizeof(float))) return false;
            pending.clear();
        }
    }
    return true;
}

bool CMappedFloats::map()
{
    if (!pending.empty() && !writeAll(fd, pending.data(), pending.size() * sizeof(float)))
        return false;
    pending.clear();
    if (count == 0) return true;
    void* p = mmap(nullptr, size_t(count) * sizeof(float), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return false;
    mapped = static_cast<float*>(p);
    return true;
}

CPeakEnvelope::CPeakEnvelope(int channels, int sampleRate)
    : detector(channels, sampleRate), weighting(channels, sampleRate),
      channelCount(channels == 1 ? 1 : 2), hop(std::max(1, sampleRate / 10)),
      scratch(kPiece + CTruePeakDetector::kDelay)
{
    // About 1 ms, dividing the 100 ms hop so that no tick straddles two.
    tick = std::max(1, sampleRate / 1000);
    while (tick > 1 && hop % tick != 0)
        --tick;
}

bool CPeakEnvelope::open(std::string& error)
{
    if (peakValues.open() && energyValues.open()) return true;
    error = "cannot keep the true-peak envelope in a temporary file in " + temporaryFolder() +
            ": " + std::strerror(errno);
    return false;
}

bool CPeakEnvelope::storePeaks(const float* values, int n)
{
    for (int i = 0; i < n; ++i)
    {
        const size_t t = size_t((peaksIn + i) / tick);
        if (t >= peaks.size()) peaks.resize(t + 1, 0.0f);
        peaks[t] = std::max(peaks[t], values[i]);
    }
    peaksIn += n;
    return peakValues.append(values, n);
}

bool CPeakEnvelope::add(const float* left, const float* right, int frames)
{
    const float* r = channelCount == 2 ? right : nullptr;
    for (int done = 0; done < frames;)
    {
        const int n = std::min(kPiece, frames - done);
        weighting.add(left + done, r == nullptr ? nullptr : r + done, n, scratch.data());
        for (int i = 0; i < n; ++i)
        {
            const size_t t = size_t((framesIn + i) / tick);
            if (t >= energies.size()) energies.resize(t + 1, 0.0);
            energies[t] += scratch[size_t(i)];
        }
        framesIn += n;
        if (!energyValues.append(scratch.data(), n)) return false;
        const int got =
            detector.add(left + done, r == nullptr ? nullptr : r + done, n, scratch.data());
        if (!storePeaks(scratch.data(), got)) return false;
        done += n;
    }
    return true;
}

bool CPeakEnvelope::finish(std::string& error)
{
    const int got = detector.finish(scratch.data());
    // The tail of silence adds values only for frames that exist.
    if (!storePeaks(scratch.data(), int(std::min<long long>(got, framesIn - peaksIn))) ||
        !peakValues.map() || !energyValues.map())
    {
        error = std::string("cannot keep the true-peak envelope: ") + std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<double> CPeakEnvelope::hopEnergies() const
{
    const long long perHop = hop / tick;
    std::vector<double> hops(size_t(framesIn / hop), 0.0);
    for (size_t h = 0; h < hops.size(); ++h)
    {
        for (long long k = 0; k < perHop; ++k)
            hops[h] += energies[size_t(h * perHop + k)];
        hops[h] /= double(hop);
    }
    return hops;
}

double CPeakEnvelope::integrated() const
{
    return gatedLoudness(hopEnergies(), 1.0);
}

double gatedLoudness(const std::vector<double>& hops, double scale)
{
    std::vector<double> blocks;
    const double absolute = std::pow(10.0, (kAbsoluteGate + 0.691) / 10.0);
    double sum = 0;
    for (size_t j = kBlockHops - 1; j < hops.size(); ++j)
    {
        double e = 0;
        for (int k = 0; k < kBlockHops; ++k)
            e += hops[j - size_t(k)];
        e = scale * e / kBlockHops;
        if (e > absolute)
        {
            blocks.push_back(e);
            sum += e;
        }
    }
    if (blocks.empty()) return -HUGE_VAL;
    const double relative = sum / double(blocks.size()) * std::pow(10.0, kRelativeGate / 10.0);
    double kept = 0;
    size_t n = 0;
    for (double e : blocks)
        if (e > relative)
        {
            kept += e;
            ++n;
        }
    return n == 0 ? -HUGE_VAL : -0.691 + 10.0 * std::log10(kept / double(n));
}
