#pragma once
// The plug-in's editor in a real top-level window of the bridge, for pictures of it: opened
// with the size the plug-in reports, kept painting through idle calls and the window's message
// loop, and read back with BitBlt from the window's device context.

#include "host/cli/PluginInstance.h"
#include "host/lib/VstPlugin.h"

#include <string>

class CBridgeEditor
{
public:
    ~CBridgeEditor() { close(); }
    // [UI thread] False with a reason when the plug-in has no editor or it does not open.
    bool open(CVstPlugin& plugin, int& width, int& height, std::string& error);
    // [UI thread] Runs the message loop and effEditIdle (every 10 ms) for `milliseconds`.
    void idle(int milliseconds);
    // [UI thread] The client area's pixels.
    bool capture(EditorImage& image, std::string& error);
    void close();
    bool isOpen() const { return window_ != nullptr; }

private:
    void pump();
    CVstPlugin* plugin_ = nullptr;
    void* window_ = nullptr; // HWND
    int width_ = 0;
    int height_ = 0;
};
