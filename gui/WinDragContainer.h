#pragma once
// The items of a platform drag: the paths of dropped files (shortcuts resolved to their
// targets) or one piece of UTF-16 text, handed out as UTF-8.
// All operations: [UI thread].

#include "gui/CDragContainer.h"

#include <windows.h>
#include <objidl.h>

#include <string>

class WinDragContainer : public CDragContainer
{
  public:
    // Counts the items: 1 for text, else the number of files, else 0. The data object is
    // referenced for the container's lifetime.
    explicit WinDragContainer(IDataObject* dataObject);
    WinDragContainer(const WinDragContainer&) = delete;
    WinDragContainer& operator=(const WinDragContainer&) = delete;
    ~WinDragContainer() override;

    void* first(int32_t& size, int32_t& type) override;
    void* next(int32_t& size, int32_t& type) override;
    // Error without data; text (kText) when the data offers UTF-16 text, else file.
    int32_t getType(int32_t index) const override;
    int32_t getCount() override { return itemCount; }

    // [UI thread] The target of the shortcut file `path` (short form where the system has
    // one), or `path` itself when it cannot be resolved.
    static std::wstring resolveShortcut(const std::wstring& path);

  private:
    bool offersText() const;

    IDataObject* dataObject = nullptr;
    int32_t itemCount = 0;
    int32_t nextItem = 0;
    std::string itemBuffer; // copy of the last item handed out
    bool hasItem = false;
};
