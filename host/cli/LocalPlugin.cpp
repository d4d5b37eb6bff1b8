#include "host/cli/LocalPlugin.h"

#include "host/lib/ProcessTiming.h"

CLocalPlugin::CLocalPlugin(std::unique_ptr<CLoadedPlugin> loaded) : loadedPlugin(std::move(loaded))
{
    const AEffect* e = plugin().effect();
    channels.prepare(e->numInputs, e->numOutputs, 1024);
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
    channels.prepare(e->numInputs, e->numOutputs, frames);
}

void CLocalPlugin::process(const float* const in[2], float* const out[2], int frames)
{
    channels.process(plugin(), in, out, frames);
    // The host keeps a log of the plug-in's requests (one time query per block); a long file
    // would grow it without bound.
    loadedPlugin->host().clearRequests();
}

bool CLocalPlugin::openEditor(int& width, int& height)
{
    if (!editor.open(plugin(), failureText)) return false;
    width = editor.width();
    height = editor.height();
    return true;
}

bool CLocalPlugin::captureEditor(EditorImage& image)
{
    return editor.capture(image.rgb, image.width, image.height, failureText);
}

std::vector<float> CLocalPlugin::takeEditorPaintTimes()
{
    const std::vector<double> ms = editor.takePaintTimes();
    return std::vector<float>(ms.begin(), ms.end());
}

double CLocalPlugin::timeProcessing(const float* left, const float* right, long long frames,
                                    int block)
{
    return timeBlocks(channels, plugin(), loadedPlugin->host(), left, right, frames, block);
}
