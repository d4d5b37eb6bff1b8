// The plug-in object when allocations fail: each allocation of the instance, its calls and the
// state chunk failing in turn never throws into the host and leaves the plug-in usable.

#include "plugin/OstraInstance.h"
#include "tests/plugin/FailingAllocation.h"
#include "tests/plugin/ProbeRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// A host that answers its version and nothing else, and allocates nothing itself: the only
// allocations in these calls are the plug-in's.
VstIntPtr QuietHost(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                    void* /*ptr*/, float /*opt*/)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::vector<uint8_t> ChunkOf(AEffect* e)
{
    void* data = nullptr;
    const VstIntPtr size = Dispatch(e, effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

std::string ProgramNameOf(AEffect* e)
{
    char name[256] = {};
    Dispatch(e, effGetProgramName, 0, 0, name);
    return name;
}

// Runs `call` with the first, the second, ... allocation made in it failing, until it makes
// none that fails; `check(failed)` looks at the plug-in after each run. Answers the number of
// runs in which an allocation failed.
template <typename Call, typename Check> int WithEachAllocationFailing(Call call, Check check)
{
    int failures = 0;
    for (long n = 0; n < 100000; ++n)
    {
        FailAllocationAfter(n);
        call();
        const bool failed = StopFailingAllocations();
        check(failed);
        if (!failed) break;
        ++failures;
    }
    return failures;
}
} // namespace

TEST(COstra, FailedAllocationsNeverThrowIntoTheHost)
{
    // The instance itself: each of its allocations failing in turn gives no instance and leaves
    // nothing behind (the sanitized build checks for leaks), or, where the runtime does without
    // what it could not get (script memory pages come later), an instance that works.
    AEffect* e = nullptr;
    int madeAnyway = 0;
    const int creationFailures = WithEachAllocationFailing(
        [&] { e = MakeOstraInstance(QuietHost); },
        [&](bool failed)
        {
            if (!failed)
            {
                EXPECT_NE(e, nullptr);
                return;
            }
            if (!e) return;
            ++madeAnyway;
            Dispatch(e, effOpen);
            Dispatch(e, effMainsChanged, 0, 1);
            std::vector<float> left(64, 0.25f), right(64, -0.25f);
            float* io[2] = {left.data(), right.data()};
            e->processReplacing(e, io, io, 64);
            EXPECT_TRUE(std::isfinite(left[63]) && std::isfinite(right[63]));
            Dispatch(e, effClose);
            e = nullptr;
        });
    EXPECT_GT(creationFailures, madeAnyway);
    ASSERT_NE(e, nullptr);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(e, effSetBlockSize, 0, 64);
    Dispatch(e, effMainsChanged, 0, 1);

    const std::vector<uint8_t> before = ChunkOf(e);
    ASSERT_EQ(before.size(), 260u);
    std::vector<float> parameters;
    for (VstInt32 i = 0; i < e->numParams; ++i)
        parameters.push_back(e->getParameter(e, i));
    auto unchanged = [&]
    {
        EXPECT_EQ(ChunkOf(e), before);
        for (VstInt32 i = 0; i < e->numParams; ++i)
            EXPECT_EQ(e->getParameter(e, i), parameters[static_cast<size_t>(i)]) << i;
    };
    // Audio goes on after every failure.
    auto levels = [&]
    {
        std::vector<float> left(64, 0.25f), right(64, -0.25f);
        float* io[2] = {left.data(), right.data()};
        e->processReplacing(e, io, io, 64);
        EXPECT_TRUE(std::isfinite(left[63]) && std::isfinite(right[63]));
    };

    // A state chunk, larger than any before (so that taking it needs memory): loaded whole, or
    // (answer 0) not at all.
    std::vector<uint8_t> other = before;
    const float pushDown = -15.0f; // slider 5, the fifth value after the marker
    std::memcpy(other.data() + 5 * sizeof(float), &pushDown, sizeof pushDown);
    const std::vector<uint8_t> saved = other;
    other.resize(64 * 1024); // values past slider 64 are not read
    VstIntPtr answer = 0;
    const int chunkFailures = WithEachAllocationFailing(
        [&] {
            answer =
                Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(other.size()), other.data());
        },
        [&](bool failed)
        {
            if (failed)
            {
                EXPECT_EQ(answer, 0);
                unchanged();
                levels();
            }
            else
            {
                EXPECT_EQ(answer, static_cast<VstIntPtr>(other.size()));
                EXPECT_EQ(ChunkOf(e), saved);
            }
        });
    EXPECT_GT(chunkFailures, 0);
    ASSERT_EQ(Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(before.size()),
                       const_cast<uint8_t*>(before.data())),
              260);

    // A program name far longer than any buffer: kept whole, or not at all.
    std::string longName(5000, 'n');
    WithEachAllocationFailing([&] { Dispatch(e, effSetProgramName, 0, 0, longName.data()); },
                              [&](bool failed)
                              {
                                  if (failed)
                                      EXPECT_EQ(ProgramNameOf(e), "QUAR2");
                                  else
                                      EXPECT_EQ(ProgramNameOf(e)[0], 'n');
                              });

    // Saving the state: the whole chunk, or no chunk.
    VstIntPtr size = 0;
    WithEachAllocationFailing(
        [&]
        {
            void* data = nullptr;
            size = Dispatch(e, effGetChunk, 0, 0, &data);
        },
        [&](bool failed) { EXPECT_EQ(size, failed ? 0 : 260); });
    unchanged();
    levels();
    Dispatch(e, effClose);
}
