#pragma once
// The plug-in description as it crosses the bridge (the answer to kHello and kInfo).

#include "host/lib/BridgeProtocol.h"
#include "host/lib/PluginInstance.h"

inline void writeInfo(CMessageWriter& w, const PluginInfo& i)
{
    for (int32_t v :
         {i.magic, i.uniqueId, i.version, i.flags, i.numPrograms, i.numParams, i.numInputs,
          i.numOutputs, i.initialDelay, i.vendorVersion, i.vstVersion, i.category})
        w.i32(v);
    w.text(i.effectName);
    w.text(i.vendor);
    w.text(i.product);
}

inline PluginInfo readInfo(CMessageReader& r)
{
    PluginInfo i;
    for (int32_t* v :
         {&i.magic, &i.uniqueId, &i.version, &i.flags, &i.numPrograms, &i.numParams, &i.numInputs,
          &i.numOutputs, &i.initialDelay, &i.vendorVersion, &i.vstVersion, &i.category})
        *v = r.i32();
    i.effectName = r.text();
    i.vendor = r.text();
    i.product = r.text();
    return i;
}
