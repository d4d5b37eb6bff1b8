#include "host/cli/LocalPlugin.h"

#include "host/lib/ProcessTiming.h"

CLocalPlugin::CLocalPlugin(std::unique_ptr<CLoadedPlugin> loaded) : loaded_(std::move(loaded))
{
    const AEffect* e = plugin().effect();
    channels_.prepare(e->numInputs, e->numOutputs, 1024);
}

bool CLocalPlugin::getChunk(bool isPreset, std::vector<uint8_t>& chunk)
{
    chunk = plugin().getChunk(isPreset);
    return !chunk.empty();
}

void CLocalPlugin::setChunk(bool isPreset, const std::vector<uint8_t>& chunk)
{
    plugin().setChunk(chunk, isPreset);
}

void CLocalPlugin::setBlockSize(int frames)
{
    plugin().setBlockSize(frames);
    const AEffect* e = plugin().effect();
    channels_.prepare(e->numInputs, e->numOutputs, frames);
}

void CLocalPlugin::process(const float* const in[2], float* const out[2], int frames)
{
    channels_.process(plugin(), in, out, frames);
    // The host keeps a log of the plug-in's requests (one time query per block); a long file
    // would grow it without bound.
    loaded_->host().clearRequests();
}

bool CLocalPlugin::openEditor(int&, int&)
{
    failure_ = "editors are shown only for Windows plug-ins, through the Wine bridge";
    return false;
}

double CLocalPlugin::timeProcessing(const float* left, const float* right, long long frames,
                                    int block)
{
    return timeBlocks(channels_, plugin(), loaded_->host(), left, right, frames, block);
}
