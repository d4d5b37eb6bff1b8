#pragma once
// The timed processing loop of `bench`, shared by quar2-host (Linux plug-ins) and the bridge
// (Windows plug-ins), so both measure exactly the same thing.

#include "host/lib/ChannelAdapter.h"
#include "host/lib/HostCallback.h"

// Runs `frames` stereo frames through `plugin` in blocks of `block` frames (the adapter must be
// prepared for at least that) and answers the wall-clock seconds taken. [audio thread]
double timeBlocks(CChannelAdapter& channels, CVstPlugin& plugin, CHostCallback& host,
                  const float* left, const float* right, long long frames, int block);
