#pragma once
// The parameter edits a plug-in told a recording host of (audioMasterBeginEdit,
// audioMasterAutomate, audioMasterEndEdit), and the check that a run of them is one whole
// gesture of the editor's mouse. Shared by the editor tests of QUAR2.so and QUAR2.dll.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "host/lib/HostCallback.h"

// The edit requests among everything the plug-in asked, in the order made.
inline std::vector<HostRequest> EditRequests(const CHostCallback& host)
{
    std::vector<HostRequest> edits;
    for (const HostRequest& r : host.requests())
        if (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterAutomate ||
            r.opcode == audioMasterEndEdit)
            edits.push_back(r);
    return edits;
}

// Whether `edits` is exactly one gesture on parameter `index`, made on this thread: a begin, then
// one automate per change (each value new, and the one getParameter answered during the call),
// then an end. The parameter read `before` at the press and reads `after` now; `changes` is the
// number of automates expected, or -1 for at least one.
inline ::testing::AssertionResult IsGesture(const std::vector<HostRequest>& edits, VstInt32 index,
                                            float before, float after, int changes = -1)
{
    auto fail = [&](const char* what, size_t at) {
        return ::testing::AssertionFailure() << what << " at edit " << at << " of " << edits.size();
    };
    if (edits.size() < 2) return fail("no begin and end", 0);
    if (edits.front().opcode != audioMasterBeginEdit) return fail("no begin", 0);
    if (edits.back().opcode != audioMasterEndEdit) return fail("no end", edits.size() - 1);
    float last = before;
    for (size_t i = 0; i < edits.size(); ++i)
    {
        const HostRequest& r = edits[i];
        if (r.index != index) return fail("another parameter", i);
        if (r.thread != std::this_thread::get_id()) return fail("another thread", i);
        if (i == 0 || i + 1 == edits.size()) continue;
        if (r.opcode != audioMasterAutomate) return fail("a second begin or end", i);
        if (r.opt == last) return fail("an automate without a change", i);
        if (r.opt != r.readBack) return fail("a value getParameter does not answer", i);
        last = r.opt;
    }
    const int automates = static_cast<int>(edits.size()) - 2;
    if (changes >= 0 ? automates != changes : automates < 1)
        return ::testing::AssertionFailure()
               << automates << " automates, " << changes << " expected";
    if (last != after)
        return ::testing::AssertionFailure() << "last value told " << last << ", reads " << after;
    return ::testing::AssertionSuccess();
}
