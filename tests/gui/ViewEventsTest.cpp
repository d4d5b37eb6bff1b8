// Event routing through the tree: presses, releases and moves, mouse-over tracking, the wheel,
// keys and the focus walk, modal views and the editor interface. Frames here have no window.
#include "GuiTestSupport.h"
#include "RecordingViews.h"

#include "gui/CEditorInterface.h"

namespace
{
using Kinds = std::vector<std::string>;

class RecordingEditor : public CEditorInterface
{
  public:
    void doIdleStuff() override { ++idles; }
    int32_t getKnobMode() const override { return 2; }
    void beginEdit(int32_t index) override { edits.push_back(index); }
    void endEdit(int32_t index) override { edits.push_back(-index); }
    int idles = 0;
    std::vector<int32_t> edits;
};

// frame 100 x 80: A (10,10,50,50), B (30,30,70,70) on top of it, container C (60,0,100,40)
// holding D (5,5,15,15).
class ViewEventsTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        frame = new RecordingFrame(CRect(0, 0, 100, 80), &editor);
        a = new RecordingView(CRect(10, 10, 50, 50), kRed);
        b = new RecordingView(CRect(30, 30, 70, 70), kGreen);
        c = new RecordingContainer(CRect(60, 0, 100, 40));
        d = new RecordingView(CRect(5, 5, 15, 15), kBlue);
        c->addView(d);
        frame->addView(a);
        frame->addView(b);
        frame->addView(c);
    }
    void TearDown() override
    {
        frame->forget();
        ToolkitTest::TearDown();
    }
    int32_t down(double x, double y, int32_t buttons = kLButton)
    {
        CPoint p(x, y);
        return frame->onMouseDown(p, buttons);
    }
    int32_t up(double x, double y, int32_t buttons = 0)
    {
        CPoint p(x, y);
        return frame->onMouseUp(p, buttons);
    }
    int32_t move(double x, double y, int32_t buttons = 0)
    {
        CPoint p(x, y);
        return frame->onMouseMoved(p, buttons);
    }

    RecordingEditor editor;
    RecordingFrame* frame = nullptr;
    RecordingView* a = nullptr;
    RecordingView* b = nullptr;
    RecordingContainer* c = nullptr;
    RecordingView* d = nullptr;
};
} // namespace

TEST_F(ViewEventsTest, PressMoveReleaseGoToTheTopmostView)
{
    EXPECT_EQ(down(40, 40, kLButton | kShift), kMouseEventHandled);
    EXPECT_EQ(frame->getMouseDownView(), b);
    ASSERT_EQ(b->kinds(), Kinds{"down"});
    EXPECT_EQ(b->events[0].where, CPoint(40, 40));
    EXPECT_EQ(b->events[0].buttons, kLButton | kShift);
    EXPECT_TRUE(a->events.empty());

    // While pressed, moves and the release go to B wherever the mouse is.
    EXPECT_EQ(move(5, 5, kLButton), kMouseEventHandled);
    EXPECT_EQ(up(-20, 300), kMouseEventHandled);
    EXPECT_EQ(b->kinds(), (Kinds{"down", "moved", "up"}));
    EXPECT_EQ(b->events[2].where, CPoint(-20, 300));
    EXPECT_EQ(frame->getMouseDownView(), nullptr);
    EXPECT_EQ(up(40, 40), kMouseEventNotHandled);

    // Points inside a container arrive in the container's coordinates.
    EXPECT_EQ(down(70, 10, kRButton), kMouseEventHandled);
    ASSERT_EQ(d->kinds(), Kinds{"down"});
    EXPECT_EQ(d->events[0].where, CPoint(10, 10));
    EXPECT_EQ(d->events[0].buttons, kRButton);
    up(70, 10);

    // Nothing under the point: not handled.
    EXPECT_EQ(down(5, 75), kMouseEventNotHandled);
}

TEST_F(ViewEventsTest, RejectedAndUnimplementedPresses)
{
    // A view whose hit test fails is skipped; A below it gets the press.
    b->acceptsHits = false;
    EXPECT_EQ(down(40, 40), kMouseEventHandled);
    EXPECT_TRUE(b->events.empty());
    EXPECT_EQ(a->kinds(), Kinds{"down"});
    up(40, 40);

    // A lone child that rejects: not handled, and no press is remembered.
    a->acceptsHits = false;
    EXPECT_EQ(down(20, 20), kMouseEventNotHandled);
    EXPECT_EQ(frame->getMouseDownView(), nullptr);
    b->acceptsHits = a->acceptsHits = true;

    // A view that does not implement the press gets the older event form.
    b->downAnswer = kMouseEventNotImplemented;
    EXPECT_EQ(down(40, 40), kMouseEventNotImplemented);
    EXPECT_EQ(b->kinds(), (Kinds{"down", "mouse"}));
    EXPECT_EQ(frame->getMouseDownView(), nullptr);

    // A view that stops handling moves loses the press.
    b->downAnswer = kMouseEventHandled;
    b->movedAnswer = kMouseEventNotHandled;
    down(40, 40);
    move(41, 41, kLButton);
    EXPECT_EQ(frame->getMouseDownView(), nullptr);

    // Disabled and invisible views are skipped.
    b->setMouseEnabled(false);
    a->setVisible(false);
    EXPECT_EQ(down(40, 40), kMouseEventNotHandled);
}

TEST_F(ViewEventsTest, ViewsRemovedDuringEventsAreForgotten)
{
    // A view that removes (and so destroys) itself while handling the press.
    b->removeSelfOnPress = true;
    EXPECT_EQ(down(40, 40), kMouseEventHandled);
    b = nullptr;
    EXPECT_EQ(frame->getMouseDownView(), nullptr);
    EXPECT_EQ(frame->getNbViews(), 2);
    EXPECT_EQ(up(40, 40), kMouseEventNotHandled);

    // Removing the container that holds the pressed and the hovered view.
    down(70, 10);
    EXPECT_EQ(c->getMouseDownView(), d);
    up(70, 10);
    move(70, 10);
    EXPECT_EQ(frame->getMouseOverView(), d);
    frame->removeView(c, true);
    c = nullptr;
    d = nullptr;
    EXPECT_EQ(frame->getMouseOverView(), nullptr);
    move(70, 12); // must not reach the destroyed view
    down(20, 20);
    EXPECT_EQ(frame->getMouseDownView(), a);
    frame->removeView(a, true);
    a = nullptr;
    EXPECT_EQ(frame->getMouseDownView(), nullptr);
    EXPECT_EQ(up(20, 20), kMouseEventNotHandled);
}

TEST_F(ViewEventsTest, MouseOverTracking)
{
    move(20, 20, kShift);
    EXPECT_EQ(a->kinds(), Kinds{"entered"}); // the first move only enters
    EXPECT_EQ(a->events[0].buttons, kShift);
    move(21, 20, kShift);
    EXPECT_EQ(a->kinds(), (Kinds{"entered", "moved"}));
    EXPECT_EQ(a->events[1].buttons, 0); // moves report no buttons
    move(40, 40);
    EXPECT_EQ(a->kinds(), (Kinds{"entered", "moved", "exited"}));
    EXPECT_EQ(b->kinds(), Kinds{"entered"});
    move(70, 10); // deep: the view inside the container
    EXPECT_EQ(frame->getMouseOverView(), d);
    EXPECT_EQ(d->events[0].where, CPoint(10, 10));

    // A press ends hovering; the next move enters again without a move event.
    down(70, 10);
    EXPECT_EQ(d->kinds(), (Kinds{"entered", "exited", "down"}));
    EXPECT_EQ(frame->getMouseOverView(), nullptr);
    up(70, 10);
    move(71, 10);
    EXPECT_EQ(d->kinds(), (Kinds{"entered", "exited", "down", "up", "entered"}));
    move(72, 10);
    EXPECT_EQ(d->events.back().kind, "moved");

    // Leaving the window.
    CPoint outside(-1, -1);
    frame->onMouseExited(outside, 0);
    EXPECT_EQ(d->events.back().kind, "exited");
    EXPECT_EQ(frame->getMouseOverView(), nullptr);
}

TEST_F(ViewEventsTest, WheelGoesToTheViewUnderTheMouse)
{
    EXPECT_TRUE(frame->onWheel(CPoint(40, 40), 2.0f, kControl));
    ASSERT_EQ(b->kinds(), Kinds{"wheel"});
    EXPECT_EQ(b->events[0].distance, 2.0f);
    EXPECT_EQ(b->events[0].buttons, kControl);
    EXPECT_TRUE(frame->onWheel(CPoint(40, 40), kMouseWheelAxisX, 1.0f, 0));
    EXPECT_EQ(b->events.back().distance, -1.0f); // horizontal: negated
    EXPECT_FALSE(frame->onWheel(CPoint(5, 75), 1.0f, 0));

    down(40, 40);
    EXPECT_FALSE(frame->onWheel(CPoint(40, 40), 1.0f, 0)); // not during a press
    up(40, 40);
}

TEST_F(ViewEventsTest, TabWalksTheFocus)
{
    VstKeyCode tab{0, 2, 0};
    EXPECT_EQ(frame->onKeyDown(tab), -1); // nobody wants the focus

    a->setWantsFocus(true);
    d->setWantsFocus(true);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(frame->getFocusView(), a);
    EXPECT_EQ(a->kinds(), Kinds{"take-focus"});
    EXPECT_TRUE(a->isDirty());

    EXPECT_EQ(frame->onKeyDown(tab), 1); // into the container
    EXPECT_EQ(frame->getFocusView(), d);
    EXPECT_EQ(a->kinds(), (Kinds{"take-focus", "loose-focus"}));
    EXPECT_EQ(c->messages, (std::vector<CMessage>{kMsgNewFocusView}));

    VstKeyCode shiftTab{0, 2, 1};
    EXPECT_EQ(frame->onKeyDown(shiftTab), 1);
    EXPECT_EQ(frame->getFocusView(), a);
    EXPECT_EQ(c->messages, (std::vector<CMessage>{kMsgNewFocusView, kMsgOldFocusView}));
    EXPECT_EQ(frame->onKeyDown(shiftTab), -1); // nothing before A

    // Other keys go to the focus view (not handled here), and a press clears the focus.
    VstKeyCode letter{'a', 0, 0};
    EXPECT_EQ(frame->onKeyDown(letter), -1);
    EXPECT_EQ(frame->onKeyUp(letter), -1);
    down(20, 20);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    up(20, 20);

    // Removing the focus view forgets it.
    frame->setFocusView(d);
    frame->removeView(c, true);
    c = nullptr;
    d = nullptr;
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(ViewEventsTest, ModalViewTakesAllInput)
{
    RecordingView* modal = new RecordingView(CRect(0, 0, 20, 20), kRed);
    EXPECT_EQ(frame->setModalView(modal), 1);
    EXPECT_EQ(frame->getModalView(), modal);
    RecordingView* second = new RecordingView(CRect(0, 0, 5, 5), kRed);
    EXPECT_EQ(frame->setModalView(second), 0); // one at a time
    second->forget();

    EXPECT_EQ(down(40, 40), kMouseEventNotHandled); // B is not asked
    EXPECT_TRUE(b->events.empty());
    EXPECT_EQ(down(10, 10), kMouseEventHandled);
    EXPECT_EQ(up(10, 10), kMouseEventHandled);
    EXPECT_EQ(modal->kinds(), (Kinds{"down", "up"}));

    EXPECT_EQ(frame->setModalView(nullptr), 1);
    EXPECT_EQ(frame->getNbViews(), 3);
    EXPECT_EQ(modal->getNbReference(), 1); // the creator's reference is left
    modal->forget();
}

TEST_F(ViewEventsTest, DragRouting)
{
    frame->onDragEnter(nullptr, CPoint(20, 20));
    frame->onDragMove(nullptr, CPoint(21, 20));
    frame->onDragMove(nullptr, CPoint(40, 40)); // into B
    EXPECT_EQ(a->kinds(), (Kinds{"drag-enter", "drag-move", "drag-leave"}));
    EXPECT_EQ(b->kinds(), Kinds{"drag-enter"});
    frame->onDragLeave(nullptr, CPoint(40, 40));
    EXPECT_EQ(b->kinds(), (Kinds{"drag-enter", "drag-leave"}));

    b->dropAnswer = true;
    frame->onDragEnter(nullptr, CPoint(20, 20));
    EXPECT_TRUE(frame->onDrop(nullptr, CPoint(40, 40))); // A is left, B gets the drop
    EXPECT_EQ(a->events.back().kind, "drag-leave");
    EXPECT_EQ(b->kinds(), (Kinds{"drag-enter", "drag-leave", "drop", "drag-leave"}));
    EXPECT_EQ(b->events[2].where, CPoint(40, 40));
    EXPECT_FALSE(frame->onDrop(nullptr, CPoint(5, 75)));
}

TEST_F(ViewEventsTest, EditorInterface)
{
    EXPECT_EQ(a->getEditor(), &editor);
    EXPECT_EQ(frame->getKnobMode(), 2);
    frame->beginEdit(3);
    frame->endEdit(3);
    EXPECT_EQ(editor.edits, (std::vector<int32_t>{3, -3}));
    frame->doIdleStuff();
    EXPECT_EQ(editor.idles, 1);
    EXPECT_FALSE(frame->setPosition(1, 1));
    double x = 0, y = 0;
    EXPECT_FALSE(frame->getPosition(x, y)); // no window
    CRect size;
    EXPECT_TRUE(frame->getSize(size));
    EXPECT_EQ(size, CRect(0, 0, 100, 80));
    EXPECT_TRUE(frame->isOpen());
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
}
