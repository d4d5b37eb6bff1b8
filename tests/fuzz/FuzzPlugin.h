#pragma once
// The leveller made through the same function the exported entry points call, driven through
// its real dispatcher and audio entries by the host library; checks that end a fuzzing run
// with a report (abort) when the plug-in breaks a promise it makes to every host.

#include "host/lib/VstPlugin.h"
#include "plugin/OstraInstance.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

inline std::unique_ptr<CVstPlugin> MakeFuzzPlugin(CHostCallback& host)
{
    std::string error;
    auto plugin = CVstPlugin::create(&MakeOstraInstance, host, error);
    if (!plugin)
    {
        std::fprintf(stderr, "no instance: %s\n", error.c_str());
        std::abort();
    }
    return plugin;
}

inline void FuzzCheck(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

// Two blocks of a finite tone through both sample formats; every output sample must be finite.
inline void ProcessAndCheck(CVstPlugin& p, int frames)
{
    std::vector<float> l(frames), r(frames), ol(frames), orr(frames);
    std::vector<double> dl(frames), dr(frames), dol(frames), dor(frames);
    for (int i = 0; i < frames; ++i)
    {
        l[i] = r[i] = static_cast<float>(0.5 * std::sin(0.05 * i));
        dl[i] = dr[i] = l[i];
    }
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    double* din[2] = {dl.data(), dr.data()};
    double* dout[2] = {dol.data(), dor.data()};
    for (int block = 0; block < 2; ++block)
    {
        p.processReplacing(in, out, frames);
        p.processDoubleReplacing(din, dout, frames);
        for (int i = 0; i < frames; ++i)
        {
            FuzzCheck(std::isfinite(ol[i]) && std::isfinite(orr[i]), "finite float output");
            FuzzCheck(std::isfinite(dol[i]) && std::isfinite(dor[i]), "finite double output");
        }
    }
}

// Every parameter's value, name, label and display text; texts must stay inside 64 bytes.
inline void QueryAll(CVstPlugin& p)
{
    for (VstInt32 i = 0; i < p.numParams(); ++i)
    {
        (void)p.getParameter(i);
        bool overrun = false;
        for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        {
            (void)p.text(op, i, 64, &overrun);
            FuzzCheck(!overrun, "parameter text inside 64 bytes");
        }
    }
    bool overrun = false;
    (void)p.text(effGetProgramName, 0, 24, &overrun);
    FuzzCheck(!overrun, "program name inside 24 bytes");
}
