#pragma once
// A plug-in loaded into this process (a Linux .so), driven directly through its effect record.

#include "host/lib/ChannelAdapter.h"
#include "host/lib/EditorHostWindow.h"
#include "host/lib/LoadedPlugin.h"
#include "host/lib/PluginInstance.h"

#include <memory>

class CLocalPlugin final : public CPluginInstance
{
  public:
    explicit CLocalPlugin(std::unique_ptr<CLoadedPlugin> loaded);

    PluginInfo info() override { return loadedPlugin->describe(); }
    std::string parameterName(int index) override { return plugin().parameterName(index); }
    std::string parameterLabel(int index) override { return plugin().parameterLabel(index); }
    std::string parameterDisplay(int index) override { return plugin().parameterDisplay(index); }
    float getParameter(int index) override { return plugin().getParameter(index); }
    void setParameter(int index, float v) override { plugin().setParameter(index, v); }
    std::string programName() override { return plugin().programName(); }
    // Program names are at most 24 bytes with the terminator in the interface; a preset's may
    // be longer.
    void setProgramName(const std::string& name) override
    {
        plugin().setProgramName(name.substr(0, kVstMaxProgNameLen - 1));
    }
    bool getChunk(bool isPreset, std::vector<uint8_t>& chunk) override;
    void setChunk(bool isPreset, const std::vector<uint8_t>& chunk) override;
    void setSampleRate(float rate) override { plugin().setSampleRate(rate); }
    void setBlockSize(int frames) override;
    void resume() override { plugin().resume(); }
    void suspend() override { plugin().suspend(); }
    void process(const float* const in[2], float* const out[2], int frames) override;
    int latency() override { return plugin().latency(); }
    double timeProcessing(const float* left, const float* right, long long frames,
                          int block) override;
    // The editor in an X11 window of this process (the display DISPLAY names).
    bool openEditor(int& width, int& height) override;
    void idleEditor(int milliseconds) override { editor.idle(milliseconds); }
    bool captureEditor(EditorImage& image) override;
    void closeEditor() override { editor.close(); }
    std::vector<float> takeEditorPaintTimes() override;
    bool failed() const override { return false; }
    std::string failure() const override { return failureText; }

  private:
    CVstPlugin& plugin() { return loadedPlugin->plugin(); }
    std::unique_ptr<CLoadedPlugin> loadedPlugin;
    CChannelAdapter channels;
    std::string failureText;
    // Declared last: closed (effEditClose) before the plug-in goes.
    CEditorHostWindow editor;
};
