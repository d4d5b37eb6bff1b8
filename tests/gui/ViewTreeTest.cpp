// The view tree: container drawing, invalidation, and the reference conventions of adding and
// removing views. Frames here have no window; drawing goes into an off-screen surface.
#include "GuiTestSupport.h"
#include "RecordingViews.h"

namespace
{
const CColor kGray{50, 50, 50, 255};

// frame 100 x 80: A (10,10,50,50) red, B (30,30,70,70) green over it, and container C
// (60,0,100,40), gray, holding D (5,5,15,15) blue in C's coordinates.
class ViewTreeTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        frame = new RecordingFrame(CRect(0, 0, 100, 80));
        a = new RecordingView(CRect(10, 10, 50, 50), kRed);
        b = new RecordingView(CRect(30, 30, 70, 70), kGreen);
        c = new RecordingContainer(CRect(60, 0, 100, 40));
        c->setBackgroundColor(kGray);
        d = new RecordingView(CRect(5, 5, 15, 15), kBlue);
        c->addView(d);
        frame->addView(a);
        frame->addView(b);
        frame->addView(c);
        surface = new COffscreenContext(frame, 100, 80, kBlackCColor);
    }
    void TearDown() override
    {
        surface->forget();
        frame->forget(); // removes every view with the forget flag
        ToolkitTest::TearDown();
    }
    CColor at(int x, int y) { return PixelOf(surface, x, y); }

    RecordingFrame* frame = nullptr;
    RecordingView* a = nullptr;
    RecordingView* b = nullptr;
    RecordingContainer* c = nullptr;
    RecordingView* d = nullptr;
    COffscreenContext* surface = nullptr;
};
} // namespace

TEST_F(ViewTreeTest, DrawsBackgroundThenChildrenInOrder)
{
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    EXPECT_EQ(at(5, 5), kBlackCColor); // the frame's own background
    EXPECT_EQ(at(15, 15), kRed);
    EXPECT_EQ(at(40, 40), kGreen); // added later, drawn on top
    EXPECT_EQ(at(62, 2), kGray);   // the inner container's background
    EXPECT_EQ(at(66, 6), kBlue);   // D, shifted by C's corner
    EXPECT_EQ(at(75, 6), kGray);
    EXPECT_EQ(at(80, 45), kBlackCColor);
    EXPECT_EQ(d->lastOffset, CPoint(60, 0)); // D drew in C's coordinates
    EXPECT_EQ(d->lastClip, CRect(5, 5, 15, 15));
    EXPECT_EQ(surface->getOffset(), CPoint(0, 0)); // offsets restored
    EXPECT_EQ(surface->getClipRect(), CRect(0, 0, 100, 80));
    EXPECT_FALSE(frame->isDirty());
}

TEST_F(ViewTreeTest, UpdatesOnlyTheUpdateArea)
{
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    const int drawsOfB = b->draws, drawsOfD = d->draws;
    a->color = kBlue;
    frame->drawRect(surface, CRect(0, 0, 20, 20));
    EXPECT_EQ(at(15, 15), kBlue);
    EXPECT_EQ(at(25, 25), kRed); // outside the update area: untouched
    EXPECT_EQ(a->lastClip, CRect(10, 10, 20, 20));
    EXPECT_EQ(b->draws, drawsOfB); // not in the update area
    EXPECT_EQ(d->draws, drawsOfD);

    // An invisible view is not drawn; what was under it is.
    b->setVisible(false);
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    EXPECT_EQ(at(45, 45), kBlue);
    EXPECT_EQ(at(60, 60), kBlackCColor);
    EXPECT_EQ(b->draws, drawsOfB);
}

TEST_F(ViewTreeTest, ContainerBackgroundRules)
{
    // A transparent container with an opaque background colour paints no background.
    c->setTransparency(true);
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    EXPECT_EQ(at(62, 2), kBlackCColor);
    c->setTransparency(false);

    // With a background bitmap, the bitmap is drawn from the background offset.
    CBitmap* bitmap = new CBitmap(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            bitmap->getBitmap()->SetPixel(x, y, Gdiplus::Color(255, 0, 128, x < 10 ? 255 : 0));
    c->setBackground(bitmap);
    c->setBackground(bitmap); // the same bitmap again keeps it alive
    bitmap->forget();
    c->setBackgroundOffset(CPoint(5, 0));
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    EXPECT_EQ(at(61, 20), (CColor{0, 128, 255, 255}));
    EXPECT_EQ(at(66, 20), (CColor{0, 128, 0, 255}));
    EXPECT_EQ(at(66, 6), kBlue);

    // Drawing through an off-screen buffer of its own gives the same picture.
    c->setBackground(nullptr);
    c->setDrawInOffscreen(true);
    ClearToBlack(surface);
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    EXPECT_EQ(at(62, 2), kGray);
    EXPECT_EQ(at(66, 6), kBlue);
    EXPECT_EQ(at(15, 15), kRed);
}

TEST_F(ViewTreeTest, InvalidationTravelsUpShiftedAndClipped)
{
    EXPECT_EQ(frame->invalidated.size(), 3u); // each view added to the frame asked for a paint
    frame->invalidated.clear();
    d->invalid();
    ASSERT_EQ(frame->invalidated.size(), 1u);
    EXPECT_EQ(frame->invalidated.back(), CRect(65, 5, 75, 15));

    d->invalidRect(CRect(30, 30, 60, 60)); // partly outside C
    EXPECT_EQ(frame->invalidated.back(), CRect(90, 30, 100, 40));
    const size_t count = frame->invalidated.size();
    d->invalidRect(CRect(50, 50, 60, 60)); // wholly outside C: dropped
    c->setVisible(false);
    d->invalid(); // an invisible container passes nothing up
    EXPECT_EQ(frame->invalidated.size(), count);
    c->setVisible(true);
    c->setDirty(false); // visibility changes mark it dirty

    // Idle asks dirty views for a redraw, through their containers.
    frame->invalidated.clear();
    d->setDirty(true);
    EXPECT_TRUE(c->isDirty());
    EXPECT_TRUE(frame->isDirty());
    frame->idle();
    ASSERT_EQ(frame->invalidated.size(), 1u);
    EXPECT_EQ(frame->invalidated.back(), CRect(65, 5, 75, 15));
    EXPECT_FALSE(d->isDirty());

    // A dirty container is redrawn whole.
    c->setBackgroundColor(kRed); // marks it dirty
    frame->idle();
    EXPECT_EQ(frame->invalidated.back(), CRect(60, 0, 100, 40));

    // frame->invalidate marks the children it overlaps.
    frame->invalidate(CRect(0, 0, 20, 20));
    EXPECT_TRUE(a->isDirty());
    EXPECT_FALSE(b->isDirty());
}

TEST_F(ViewTreeTest, AddingFollowsTheReferenceConvention)
{
    EXPECT_EQ(a->getNbReference(), 2); // the creator's reference went to the frame
    EXPECT_TRUE(a->isAttached());
    EXPECT_EQ(d->getFrame(), frame);
    EXPECT_EQ(d->getParentView(), c);
    EXPECT_EQ(frame->getNbViews(), 3);
    EXPECT_EQ(frame->getView(1), b);
    EXPECT_EQ(frame->getView(3), nullptr);

    // Refused: null, an attached view, a view already in the list, a container in itself.
    RecordingContainer* loose = new RecordingContainer(CRect(0, 0, 10, 10));
    RecordingView* e = new RecordingView(CRect(0, 0, 5, 5), kRed);
    EXPECT_FALSE(frame->addView(nullptr));
    EXPECT_FALSE(loose->addView(a));
    EXPECT_EQ(loose->getNbViews(), 0);
    EXPECT_EQ(a->getParentView(), frame);
    EXPECT_TRUE(loose->addView(e));
    EXPECT_FALSE(loose->addView(e));
    EXPECT_FALSE(loose->addView(loose));
    EXPECT_FALSE(e->isAttached()); // the container itself is not attached
    EXPECT_FALSE(loose->removeView(a));

    // Attaching the container attaches its children.
    EXPECT_TRUE(frame->addView(loose, a)); // inserted ahead of A
    EXPECT_EQ(frame->getView(0), loose);
    EXPECT_TRUE(e->isAttached());
    EXPECT_EQ(e->getFrame(), frame);

    // Removing without the forget flag leaves the creator's reference.
    loose->remember();
    EXPECT_TRUE(frame->removeView(loose, false));
    EXPECT_FALSE(e->isAttached());
    EXPECT_EQ(loose->getNbReference(), 2);
    loose->forget();
    EXPECT_TRUE(frame->removeView(b, true)); // destroys B
    b = nullptr;
    EXPECT_EQ(frame->getNbViews(), 2);
    loose->forget(); // destroys the container and E with it
}

TEST_F(ViewTreeTest, ReleasingTheCreatorsReferenceEarlyIsSafe)
{
    // A caller that balances its own references (forgets after adding) leaves the list's
    // reference as the only one: removal must not release the view twice.
    RecordingView* early = new RecordingView(CRect(0, 0, 5, 5), kRed);
    frame->addView(early);
    early->forget();
    EXPECT_EQ(early->getNbReference(), 1);
    const int32_t live = CBaseObject::getLiveObjectCount();
    EXPECT_TRUE(frame->removeView(early, true));
    EXPECT_EQ(CBaseObject::getLiveObjectCount(), live - 1);

    RecordingView* another = new RecordingView(CRect(0, 0, 5, 5), kRed);
    c->addView(another);
    another->forget();
    // The frame's destruction (TearDown) removes it with the forget flag.
}

TEST_F(ViewTreeTest, EmptyFramePaintsBlack)
{
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    frame->removeAll(true);
    a = b = d = nullptr;
    c = nullptr;
    frame->drawRect(surface, CRect(0, 0, 100, 80));
    for (int y = 0; y < 80; y += 7)
        for (int x = 0; x < 100; x += 7)
            ASSERT_EQ(at(x, y), kBlackCColor) << x << "," << y;
}

TEST_F(ViewTreeTest, GeometryHelpers)
{
    CPoint p(70, 10);
    d->frameToLocal(p); // into C's coordinates, where D's size lives
    EXPECT_EQ(p, CPoint(10, 10));
    d->localToFrame(p);
    EXPECT_EQ(p, CPoint(70, 10));
    CPoint corner;
    d->getFrameTopLeftPos(corner);
    EXPECT_EQ(corner, CPoint(65, 5));

    d->setViewSize(CRect(30, 30, 50, 50), false);
    EXPECT_EQ(d->getVisibleSize(), CRect(30, 30, 40, 40)); // C ends at 40 x 40
    EXPECT_EQ(a->getVisibleSize(), CRect(10, 10, 50, 50));

    EXPECT_EQ(frame->getViewAt(CPoint(40, 40)), b);
    EXPECT_EQ(frame->getViewAt(CPoint(70, 70)), b); // edges count
    EXPECT_EQ(frame->getViewAt(CPoint(71, 71)), nullptr);
    EXPECT_EQ(frame->getViewAt(CPoint(65, 5)), c);
    EXPECT_EQ(frame->getViewAt(CPoint(95, 35), true), nullptr); // D's mouseable area stayed
    d->setMouseableArea(d->getViewSize());
    EXPECT_EQ(frame->getViewAt(CPoint(95, 35), true), d);
    EXPECT_EQ(frame->getViewAt(CPoint(62, 2), true), nullptr); // C's answer is final
    EXPECT_EQ(frame->getContainerAt(CPoint(62, 2)), c);
    EXPECT_EQ(frame->getContainerAt(CPoint(2, 2)), frame);
    b->setVisible(false);
    EXPECT_EQ(frame->getViewAt(CPoint(40, 40)), a);

    EXPECT_TRUE(frame->isTypeOf("CFrame"));
    EXPECT_TRUE(c->isTypeOf("CViewContainer"));
    EXPECT_TRUE(c->isTypeOf("CView"));
    EXPECT_FALSE(a->isTypeOf("CViewContainer"));
    EXPECT_EQ(c->notify(nullptr, kMsgCheckIfViewContainer), kMessageNotified);
    EXPECT_EQ(a->notify(nullptr, kMsgCheckIfViewContainer), kMessageUnknown);

    // Copies are detached, with their own references to what they share.
    CView* copy = c->newCopy();
    EXPECT_FALSE(copy->isAttached());
    EXPECT_EQ(static_cast<CViewContainer*>(copy)->getNbViews(), 1);
    EXPECT_NE(static_cast<CViewContainer*>(copy)->getView(0), d);
    copy->forget();

    uint32_t length = 0;
    char buffer[8] = {};
    EXPECT_TRUE(a->setAttribute(7, "level", 6));
    EXPECT_FALSE(a->getAttribute(7, buffer, 3, length)); // too small
    EXPECT_TRUE(a->getAttribute(7, buffer, sizeof(buffer), length));
    EXPECT_EQ(length, 6u);
    EXPECT_STREQ(buffer, "level");
    EXPECT_FALSE(a->getAttribute(8, buffer, sizeof(buffer), length));
}
