#pragma once
// The Windows test plug-in's editor window (see CliTestEditor.cpp). [UI thread]

constexpr int kTestEditorWidth = 200;
constexpr int kTestEditorHeight = 100;

bool TestEditorOpen(void* parentWindow);
void TestEditorIdle(int blocksProcessed);
void TestEditorClose();
