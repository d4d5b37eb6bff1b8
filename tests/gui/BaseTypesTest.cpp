// Value types, drawing codes and the counted base object.
#include "gui/ButtonBits.h"
#include "gui/CBaseObject.h"
#include "gui/CColor.h"
#include "gui/CRect.h"
#include "gui/DrawingCodes.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(CColorTest, MemoryOrderAndConversions)
{
    const CColor c{0x11, 0x22, 0x33, 0x44};
    uint8_t bytes[4];
    std::memcpy(bytes, &c, 4);
    EXPECT_EQ(bytes[0], 0x11); // red first in memory
    EXPECT_EQ(bytes[3], 0x44); // alpha last
    EXPECT_EQ(c.toValue(), 0x44332211u);
    EXPECT_EQ(c.toARGB(), 0x44112233u);
    EXPECT_EQ(CColor::fromValue(0x44332211u), c);

    EXPECT_EQ(kBlackCColor.toValue(), 0xff000000u);
    EXPECT_EQ(kWhiteCColor.toValue(), 0xffffffffu);
    EXPECT_EQ(kWhiteCColor.toARGB(), 0xffffffffu);
    EXPECT_EQ(kBlackCColor.toARGB(), 0xff000000u);
    EXPECT_NE(kBlackCColor, (CColor{0, 0, 0, 254}));
}

TEST(CRectTest, GeometryRules)
{
    CRect r(30, 40, 10, 20);
    r.normalize();
    EXPECT_EQ(r, CRect(10, 20, 30, 40));
    EXPECT_EQ(r.getWidth(), 20);
    EXPECT_EQ(r.getHeight(), 20);

    // Hit tests include every edge; plain inside tests exclude right and bottom.
    EXPECT_TRUE(r.pointInsideInclusive(CPoint(30, 40)));
    EXPECT_FALSE(r.pointInside(CPoint(30, 40)));
    EXPECT_FALSE(r.pointInsideInclusive(CPoint(30.5, 40)));

    // Touching rectangles overlap for the update check.
    EXPECT_TRUE(r.touchesOrOverlaps(CRect(30, 0, 50, 20)));
    EXPECT_FALSE(r.touchesOrOverlaps(CRect(31, 0, 50, 20)));

    // An empty intersection has zero, never negative, size.
    CRect a(0, 0, 10, 10);
    a.bound(CRect(20, 20, 30, 30));
    EXPECT_EQ(a.getWidth(), 0);
    EXPECT_EQ(a.getHeight(), 0);
    EXPECT_TRUE(a.isEmpty());
    CRect b(0, 0, 10, 10);
    b.bound(CRect(5, -5, 20, 7));
    EXPECT_EQ(b, CRect(5, 0, 10, 7));
    b.offset(1, 2);
    EXPECT_EQ(b, CRect(6, 2, 11, 9));
}

TEST(CodesTest, ValuesAsHandedOver)
{
    EXPECT_EQ(kLButton | kMButton | kRButton | kShift | kControl | kAlt, 2 + 4 + 8 + 16 + 32 + 64);
    EXPECT_EQ(kButton4 | kButton5 | kDoubleClick, 256 + 512 + 1024);
    EXPECT_TRUE(isFilledStyle(kDrawFilledAndStroked) && isStrokedStyle(kDrawFilledAndStroked));
    EXPECT_FALSE(isFilledStyle(kDrawStroked));
    EXPECT_FALSE(isStrokedStyle(kDrawFilled));
}

namespace
{
int destroyed = 0;

class Probe : public CBaseObject
{
  public:
    ~Probe() override
    {
        ++destroyed;
        // Teardown that releases its own object again must not destroy it a second time.
        remember();
        forget();
        forget();
    }
};

const char kOtherCheck[] = "kMsgCheckIfViewContainer"; // same text, different address
} // namespace

TEST(CBaseObjectTest, CountsAndLiveObjects)
{
    const int32_t live = CBaseObject::getLiveObjectCount();
    destroyed = 0;
    auto* probe = new Probe;
    EXPECT_EQ(probe->getNbReference(), 1);
    EXPECT_EQ(CBaseObject::getLiveObjectCount(), live + 1);
    probe->remember();
    probe->forget();
    EXPECT_EQ(probe->getNbReference(), 1);
    EXPECT_EQ(destroyed, 0);
    probe->forget();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(CBaseObject::getLiveObjectCount(), live);

    // A copy is a separate object with its own first reference.
    CBaseObject original;
    original.remember();
    CBaseObject copy(original);
    EXPECT_EQ(copy.getNbReference(), 1);
    EXPECT_EQ(CBaseObject::getLiveObjectCount(), live + 2);
}

TEST(CBaseObjectTest, MessagesAreComparedByAddress)
{
    CBaseObject object;
    EXPECT_EQ(object.notify(nullptr, kMsgCheckIfViewContainer), kMessageUnknown);
    EXPECT_STREQ(kOtherCheck, kMsgCheckIfViewContainer);
    EXPECT_NE(static_cast<CMessage>(kOtherCheck), static_cast<CMessage>(kMsgCheckIfViewContainer));
    EXPECT_NE(static_cast<CMessage>(kMsgNewFocusView), static_cast<CMessage>(kMsgOldFocusView));
}
