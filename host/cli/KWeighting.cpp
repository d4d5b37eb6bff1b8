#include "host/cli/KWeighting.h"

#include <cmath>
#include <initializer_list>

CKWeighting::CKWeighting(int channels, int sampleRate) : channelCount(channels == 1 ? 1 : 2)
{
    // The two filters of BS.1770 (defined at 48 kHz), through the bilinear transform at the
    // stream's rate.
    const double rate = sampleRate;
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(M_PI * f0 / rate);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                 (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                 (1.0 - k / q + k * k) / a0};
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(M_PI * f0 / rate);
        const double a0 = 1.0 + k / q + k * k;
        highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    }
}

void CKWeighting::add(const float* left, const float* right, int frames, float* energy)
{
    for (int i = 0; i < frames; ++i)
        energy[i] = 0.0f;
    for (int c = 0; c < channelCount; ++c)
    {
        const float* in = c == 0 ? left : right;
        double* s = state[c];
        // Direct form II transposed, in double: the high-pass sits at 1/1000 of the rate.
        double s0 = s[0], s1 = s[1], s2 = s[2], s3 = s[3];
        for (int i = 0; i < frames; ++i)
        {
            const double x = in[i];
            const double y = shelf.b0 * x + s0;
            s0 = shelf.b1 * x - shelf.a1 * y + s1;
            s1 = shelf.b2 * x - shelf.a2 * y;
            const double z = highPass.b0 * y + s2;
            s2 = highPass.b1 * y - highPass.a1 * z + s3;
            s3 = highPass.b2 * y - highPass.a2 * z;
            energy[i] += float(z * z);
        }
        // Silence lets the states decay into subnormal numbers, which are slow: flush them.
        for (double* v : {&s0, &s1, &s2, &s3})
            if (std::fabs(*v) < 1e-30) *v = 0.0;
        s[0] = s0;
        s[1] = s1;
        s[2] = s2;
        s[3] = s3;
    }
}
