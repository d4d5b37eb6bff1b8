#pragma once
// A host callback for the VST layer's tests: records every call and answers what the test set.
// The callback is a plain function, so the recorder is one process-wide object; each test resets
// it first.

#include "vst/AEffectX.h"

#include <map>
#include <vector>

struct HostCall
{
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

struct RecordingHost
{
    std::vector<HostCall> calls;
    std::map<VstInt32, VstIntPtr> answers; // opcode -> answer; missing opcodes answer 0

    static RecordingHost& get()
    {
        static RecordingHost host;
        return host;
    }
    static void reset()
    {
        get().calls.clear();
        get().answers.clear();
    }
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt)
    {
        get().calls.push_back({effect, opcode, index, value, ptr, opt});
        auto it = get().answers.find(opcode);
        return it == get().answers.end() ? 0 : it->second;
    }
    int count(VstInt32 opcode) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c.opcode == opcode;
        return n;
    }
};
