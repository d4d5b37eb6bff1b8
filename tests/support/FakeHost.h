#pragma once
// The one fake of the plug-in object as the runtime sees it (its host adapter): every value the
// runtime can ask for is a plain field the test sets, every request is counted, and the editor's
// drawing surface is whatever target or context the test hands it.

#include <cstdint>

#include "plugin/EditorSize.h"
#include "runtime/XlatAdapter.h"

class CFakeHost : public CXlatAdapter
{
  public:
    // --- Host values ---
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    int32_t channels = 2;
    int32_t outputs = 2;
    double tempo = 120.0;
    double numerator = 4.0;
    double denominator = 4.0;
    bool playing = false;
    bool recording = false;
    double ppq = 0.0;
    double barStart = 0.0;

    // --- The editor ---
    // Whether there is an editor (of kEditorWidth x kEditorHeight).
    bool hasEditor = true;
    // Whether the script view is drawing: only then do `target` and `context` reach the runtime.
    bool drawing = true;
    CGfxTarget* target = nullptr;
    CDrawContext* context = nullptr;
    CFontCache* fontCache = nullptr;

    // --- What the runtime asked of the host (plain counters: no allocation on the audio path) ---
    int32_t timeRequests = 0;
    int32_t latencyCalls = 0;
    int32_t lastLatency = -1;
    int32_t redraws = 0;

    int32_t getChannelCount() override { return channels; }
    int32_t getOutputChannelCount() override { return outputs; }
    double getSampleRate() override { return sampleRate; }
    int32_t getBlockSize() override { return blockSize; }
    double getTempo() override;
    void getTempoAndTimeSig(double& t, double& num, double& den) override;
    bool isPlaying() override;
    bool isRecording() override;
    double getPpqPosition() override;
    double getBarStart() override;
    int32_t setLatency(int32_t frames) override;
    int32_t redrawEditor() override;
    bool getEditorSize(int32_t& width, int32_t& height) override;
    CDrawContext* getScriptDrawContext() override { return drawing ? context : nullptr; }
    CGfxTarget* getScriptDrawTarget() override { return drawing ? target : nullptr; }
    CFontCache* getFontCache() override { return fontCache; }
};
