#pragma once
// The Windows test plug-in's editor window (see cli_test_editor.cpp). [UI thread]

constexpr int kTestEditorWidth = 200;
constexpr int kTestEditorHeight = 100;

bool testEditorOpen(void* parentWindow);
void testEditorIdle(int blocksProcessed);
void testEditorClose();
