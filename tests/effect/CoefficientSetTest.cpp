// The hand-over of complete coefficient sets from the threads that run the slider code to the
// audio thread (effect/SetExchange.h): under writers on several threads a reader sees only whole
// sets, never an older set after a newer one, and the run that started last is what stays.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "effect/LevellerCoefficients.h"
#include "effect/SetExchange.h"

namespace
{

// A set large enough that copying it takes many stores; every value carries the writer's ticket.
struct MarkedSet
{
    double values[24] = {};
    bool Whole() const
    {
        for (double v : values)
            if (v != values[0]) return false;
        return true;
    }
};

} // namespace

TEST(CoefficientSets, ReadersSeeWholeSetsInTicketOrderAndTheLastRunStays)
{
    CSetExchange<MarkedSet, 5> exchange;
    std::atomic<bool> stop{false};
    std::atomic<long> torn{0}, backwards{0}, mislabelled{0}, reads{0};
    std::atomic<uint64_t> published{0};

    // Three writers, like two hosts' threads and the editor, each reading the newest set first
    // as the slider code does.
    const auto writer = [&]
    {
        MarkedSet previous;
        while (!stop.load(std::memory_order_relaxed))
        {
            const uint64_t ticket = exchange.TakeTicket();
            exchange.Read(previous);
            if (!previous.Whole()) torn.fetch_add(1);
            MarkedSet set;
            for (double& v : set.values)
                v = static_cast<double>(ticket);
            exchange.Publish(set, ticket);
            published.fetch_add(1);
        }
    };
    // The audio thread: through the copy it keeps, as the leveller does.
    std::thread audio(
        [&]
        {
            CSetCopy<MarkedSet, 5> copy;
            double last = 0.0;
            while (!stop.load(std::memory_order_relaxed))
            {
                if (!copy.Latest(exchange).Whole()) torn.fetch_add(1);
                MarkedSet raw;
                const auto tag = exchange.Read(raw);
                if (!raw.Whole()) torn.fetch_add(1);
                if (raw.values[0] != static_cast<double>(tag >> 8)) mislabelled.fetch_add(1);
                if (raw.values[0] < last) backwards.fetch_add(1);
                last = raw.values[0];
                reads.fetch_add(1);
            }
        });
    std::vector<std::thread> writers;
    for (int i = 0; i < 3; ++i)
        writers.emplace_back(writer);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stop = true;
    for (std::thread& t : writers)
        t.join();
    audio.join();

    EXPECT_GT(published.load(), 1000u);
    EXPECT_GT(reads.load(), 1000);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(mislabelled.load(), 0);
    EXPECT_EQ(backwards.load(), 0);
    // Every ticket taken was published or dropped for a later one: the last ticket stands.
    MarkedSet final;
    exchange.Read(final);
    EXPECT_EQ(final.values[0], static_cast<double>(published.load()));
}

TEST(CoefficientSets, CopyFollowsTheNewestSetAndOlderRunsAreDropped)
{
    CSetExchange<LevellerSliderSet> exchange;
    CSetCopy<LevellerSliderSet> copy;
    EXPECT_EQ(copy.Latest(exchange).targetLevel, 0.0); // the start: all 0

    const uint64_t early = exchange.TakeTicket();
    const uint64_t late = exchange.TakeTicket();
    LevellerSliderSet a;
    a.targetLevel = 0.5;
    a.lowCut = BiquadCoefficients::HighPass(2.0, 0.01);
    exchange.Publish(a, late);
    EXPECT_EQ(copy.Latest(exchange).targetLevel, 0.5);
    EXPECT_EQ(copy.Held().lowCut.a2, a.lowCut.a2);

    // A run that started before the published one but finishes after it changes nothing.
    LevellerSliderSet b;
    b.targetLevel = 0.25;
    exchange.Publish(b, early);
    EXPECT_EQ(copy.Latest(exchange).targetLevel, 0.5);

    // More publications than slots, with the copy held in between: each one arrives.
    for (int i = 0; i < 20; ++i)
    {
        LevellerSliderSet c;
        c.outputGain = i;
        exchange.Publish(c, exchange.TakeTicket());
        EXPECT_EQ(copy.Latest(exchange).outputGain, i);
    }
}
