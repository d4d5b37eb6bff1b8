// File and text drops: the drag container's items, the drop target's answers and routing, and
// the frame's registration with OLE.
#include "GuiTestSupport.h"
#include "RecordingViews.h"
#include "TestDataObject.h"
#include "WindowTestSupport.h"

#include "gui/CDropTarget.h"
#include "gui/WideText.h"
#include "gui/WinDragContainer.h"

#include <shlobj.h>

#include <memory>

namespace
{
using Kinds = std::vector<std::string>;

std::string itemText(void* item, int32_t size)
{
    return item ? std::string(static_cast<const char*>(item), size_t(size)) : "<null>";
}

std::wstring longPathOf(const std::wstring& path)
{
    wchar_t buffer[4096] = L"";
    return GetLongPathNameW(path.c_str(), buffer, 4096) ? buffer : L"";
}

// A temporary folder with a long-named file and an upper-case .LNK shortcut to it.
class ShortcutFiles
{
  public:
    ShortcutFiles()
    {
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"quar2 drop test";
        CreateDirectoryW(folder.c_str(), nullptr);
        target = folder + L"\\Levelled take \x00fc.wav";
        CloseHandle(
            CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        shortcut = folder + L"\\TAKE.LNK";
        IShellLinkW* link = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(&link))))
        {
            link->SetPath(target.c_str());
            IPersistFile* file = nullptr;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
            {
                saved = SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
                file->Release();
            }
            link->Release();
        }
    }
    ~ShortcutFiles()
    {
        DeleteFileW(shortcut.c_str());
        DeleteFileW(target.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    std::wstring folder, target, shortcut;
    bool saved = false;
};

class DragContainerTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override
    {
        OleUninitialize();
        ToolkitTest::TearDown();
    }
};
} // namespace

TEST_F(DragContainerTest, FileListWithAResolvedShortcut)
{
    ShortcutFiles files;
    ASSERT_TRUE(files.saved);
    const std::wstring plain = L"C:\\Z\x00fcrich\\gr\x00f6\x00df"
                               L"e \x65e5\x672c.wav";
    TestDataObject* data = TestDataObject::withFiles({plain, files.shortcut});
    WinDragContainer* drag = new WinDragContainer(data);
    EXPECT_EQ(drag->getCount(), 2);
    EXPECT_EQ(drag->getType(0), CDragContainer::kFile);

    int32_t size = -1, type = -1;
    void* item = drag->first(size, type);
    EXPECT_EQ(itemText(item, size), "C:\\Z\xC3\xBCrich\\gr\xC3\xB6\xC3\x9F"
                                    "e \xE6\x97\xA5\xE6\x9C\xAC.wav");
    EXPECT_EQ(size, int32_t(std::strlen(static_cast<const char*>(item))));
    EXPECT_EQ(type, CDragContainer::kFile);

    // The shortcut arrives as its target (in the short form where the system has one).
    item = drag->next(size, type);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(type, CDragContainer::kFile);
    const std::wstring resolved = utf8ToWide(static_cast<const char*>(item));
    EXPECT_EQ(_wcsicmp(longPathOf(resolved).c_str(), longPathOf(files.target).c_str()), 0)
        << itemText(item, size);

    EXPECT_EQ(drag->next(size, type), nullptr);
    EXPECT_EQ(type, CDragContainer::kUnknown);
    EXPECT_EQ(size, 0);
    EXPECT_NE(drag->first(size, type), nullptr); // first() starts over

    drag->forget();
    EXPECT_EQ(data->outstandingMedia(), 0) << "every medium obtained is released";
    EXPECT_EQ(data->referenceCount(), 1);
    data->Release();
}

TEST_F(DragContainerTest, UnresolvableShortcutsAndLongPaths)
{
    // A shortcut that does not exist stays as it was; a path longer than any fixed buffer
    // arrives whole.
    const std::wstring missing = L"C:\\nowhere\\Gone.Lnk";
    const std::wstring longPath = L"C:\\" + std::wstring(3000, L'x') + L".wav";
    TestDataObject* data = TestDataObject::withFiles({missing, longPath});
    WinDragContainer* drag = new WinDragContainer(data);
    int32_t size = 0, type = 0;
    void* item = drag->first(size, type);
    EXPECT_EQ(itemText(item, size), "C:\\nowhere\\Gone.Lnk");
    item = drag->next(size, type);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(size, int32_t(longPath.size()));
    EXPECT_EQ(itemText(item, size), wideToUtf8(longPath.c_str()));
    drag->forget();
    EXPECT_EQ(data->outstandingMedia(), 0);
    data->Release();
}

TEST_F(DragContainerTest, TextIsOneItem)
{
    TestDataObject* data = TestDataObject::withText(L"Level \x00e9 up");
    WinDragContainer* drag = new WinDragContainer(data);
    EXPECT_EQ(drag->getCount(), 1);
    EXPECT_EQ(drag->getType(0), CDragContainer::kText);
    int32_t size = 0, type = 0;
    void* item = drag->first(size, type);
    EXPECT_EQ(itemText(item, size), "Level \xC3\xA9 up");
    EXPECT_EQ(size, 11);
    EXPECT_EQ(type, CDragContainer::kUnicodeText);
    EXPECT_EQ(drag->next(size, type), nullptr);
    EXPECT_EQ(drag->next(size, type), nullptr);
    drag->forget();
    EXPECT_EQ(data->outstandingMedia(), 0);
    data->Release();

    // Text without a terminating zero is read within its memory.
    data = TestDataObject::withText(L"abc", false);
    drag = new WinDragContainer(data);
    item = drag->first(size, type);
    EXPECT_EQ(itemText(item, size), "abc");
    drag->forget();
    data->Release();

    // Data offering neither gives no items; no data at all gives errors.
    data = TestDataObject::withNothing();
    drag = new WinDragContainer(data);
    EXPECT_EQ(drag->getCount(), 0);
    EXPECT_EQ(drag->first(size, type), nullptr);
    EXPECT_EQ(type, CDragContainer::kUnknown);
    drag->forget();
    data->Release();
    drag = new WinDragContainer(nullptr);
    EXPECT_EQ(drag->getType(0), CDragContainer::kError);
    EXPECT_EQ(drag->next(size, type), nullptr);
    EXPECT_EQ(type, CDragContainer::kError);
    drag->forget();
}

namespace
{
// A 200 x 150 frame in a real window with views A (left half) and B (right half).
class DropTargetTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        parent = std::make_unique<ParentWindow>();
        frame = new CFrame(CRect(0, 0, 200, 150), parent->window, nullptr);
        a = new RecordingView(CRect(0, 0, 100, 150), kRed);
        b = new RecordingView(CRect(100, 0, 200, 150), kGreen);
        frame->addView(a);
        frame->addView(b);
        CEditorHostWindow::pumpFor(50);
    }
    void TearDown() override
    {
        if (frame) frame->forget();
        parent.reset();
        EXPECT_EQ(CDropTarget::getLiveCount(), 0);
        EXPECT_EQ(CDropTarget::getCurrentDragContainer(), nullptr);
        ToolkitTest::TearDown();
    }
    // Puts the cursor over frame coordinates (x, y): the target reads the mouse from there.
    void cursorAt(int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(frame->getSystemWindow(), &p);
        SetCursorPos(p.x, p.y);
        CEditorHostWindow::pumpFor(20);
        a->events.clear();
        b->events.clear();
    }

    std::unique_ptr<ParentWindow> parent;
    CFrame* frame = nullptr;
    RecordingView* a = nullptr;
    RecordingView* b = nullptr;
};
} // namespace

TEST_F(DropTargetTest, EffectsAndRoutingToTheViewUnderTheMouse)
{
    auto* target = new CDropTarget(frame);
    target->AddRef();
    TestDataObject* data = TestDataObject::withText(L"gain");
    const POINTL ignored{9999, 9999}; // the target reads the mouse itself

    cursorAt(50, 70);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(data, 0, ignored, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    ASSERT_EQ(a->kinds(), Kinds{"drag-enter"});
    EXPECT_EQ(a->events[0].where, CPoint(50, 70));
    ASSERT_NE(CDropTarget::getCurrentDragContainer(), nullptr);

    effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragOver(0, ignored, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    EXPECT_EQ(a->kinds(), (Kinds{"drag-enter", "drag-move"}));

    cursorAt(150, 70); // across into B
    effect = DROPEFFECT_LINK;
    target->DragOver(0, ignored, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));
    EXPECT_EQ(a->kinds(), Kinds{"drag-leave"});
    EXPECT_EQ(b->kinds(), Kinds{"drag-enter"});
    effect = DROPEFFECT_NONE;
    target->DragOver(0, ignored, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));

    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(b->kinds(), (Kinds{"drag-enter", "drag-move", "drag-leave"}));
    EXPECT_EQ(CDropTarget::getCurrentDragContainer(), nullptr);

    // Enter and drop on B: B gets the drop (and can read the items), then a leave.
    b->events.clear();
    effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, ignored, &effect);
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(data, 0, ignored, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE)); // unchanged by the drop
    EXPECT_EQ(b->kinds(), (Kinds{"drag-enter", "drop", "drag-leave"}));
    EXPECT_EQ(b->droppedItem, "gain");
    EXPECT_EQ(CDropTarget::getCurrentDragContainer(), nullptr);

    // Notifications without a drag in progress, or without data, do nothing.
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, ignored, &effect), S_OK);
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(target->Drop(data, 0, ignored, &effect), S_OK);
    EXPECT_EQ(target->DragEnter(nullptr, 0, ignored, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(b->kinds(), (Kinds{"drag-enter", "drop", "drag-leave"}));

    // A target that goes away in the middle of a drag takes the drag with it.
    effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, ignored, &effect);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_EQ(CDropTarget::getCurrentDragContainer(), nullptr);
    EXPECT_EQ(data->outstandingMedia(), 0);
    EXPECT_EQ(data->referenceCount(), 1);
    data->Release();
}

TEST_F(DropTargetTest, FrameRegistersAndRevokesItsTarget)
{
    HWND window = frame->getSystemWindow();
    EXPECT_TRUE(frame->isDropActive());
    EXPECT_EQ(CDropTarget::getLiveCount(), 1);
    auto* other = new CDropTarget(frame);
    other->AddRef();
    EXPECT_EQ(RegisterDragDrop(window, other), DRAGDROP_E_ALREADYREGISTERED);

    frame->setDropActive(false);
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(CDropTarget::getLiveCount(), 1); // only ours is left
    EXPECT_EQ(RegisterDragDrop(window, other), S_OK);
    EXPECT_EQ(RevokeDragDrop(window), S_OK);
    other->Release();
    EXPECT_EQ(CDropTarget::getLiveCount(), 0);

    frame->setDropActive(true);
    EXPECT_EQ(CDropTarget::getLiveCount(), 1);
    // The host destroying its window first revokes the target with it.
    DestroyWindow(parent->window);
    EXPECT_EQ(CDropTarget::getLiveCount(), 0);
    EXPECT_FALSE(frame->isDropActive());
}

TEST_F(DropTargetTest, PlainViewsIgnoreDrops)
{
    // A view with the base behaviour (like the editor's script view) takes no drop.
    frame->removeAll(true);
    a = b = nullptr;
    frame->addView(new CView(CRect(0, 0, 200, 150)));
    frame->getView(0)->forget();
    TestDataObject* data = TestDataObject::withFiles({L"C:\\take.wav"});
    WinDragContainer* drag = new WinDragContainer(data);
    frame->onDragEnter(drag, CPoint(20, 20));
    frame->onDragMove(drag, CPoint(30, 20));
    EXPECT_FALSE(frame->onDrop(drag, CPoint(30, 20)));
    drag->forget();
    EXPECT_EQ(data->outstandingMedia(), 0);
    data->Release();
}

namespace
{
// A drag source that lets the platform's drag loop run a few rounds and then drops.
class CountingDropSource : public IDropSource
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource))
        {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override
    {
        if (escape) return DRAGDROP_S_CANCEL;
        return ++rounds >= 6 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        lastEffect = effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    int rounds = 0;
    DWORD lastEffect = 0;
};
} // namespace

TEST_F(DropTargetTest, RealDragLoopDropsOnTheViewUnderTheCursor)
{
    cursorAt(150, 70); // over B
    b->dropAnswer = true;
    TestDataObject* data = TestDataObject::withFiles({L"C:\\takes\\take one.wav"});
    CountingDropSource source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    EXPECT_EQ(source.lastEffect, DWORD(DROPEFFECT_COPY)); // what the frame's target answered
    ASSERT_FALSE(b->events.empty());
    EXPECT_EQ(b->events.front().kind, "drag-enter");
    EXPECT_EQ(b->droppedItem, "C:\\takes\\take one.wav");
    EXPECT_EQ(b->events.back().kind, "drag-leave");
    EXPECT_TRUE(a->events.empty());
    EXPECT_EQ(data->outstandingMedia(), 0);
    data->Release();
}
