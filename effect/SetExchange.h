#pragma once
// Hands complete sets of values (a group of coefficients) from the threads that compute them to
// the threads that use them, without a lock and without allocation.
//
// The slider code runs on whatever thread the host or the editor uses, sometimes on two at once,
// while the audio thread runs the sample loop. Values written one double at a time could be seen
// half old, half new: a filter with three coefficients of one setting and two of another may be
// unstable. Here every writer fills a slot of its own and then makes that slot the newest one
// in a single atomic step; a reader only ever sees a slot that one writer filled completely.
//
// Each run that computes a set takes a ticket when it starts (TakeTicket). A set whose ticket is
// older than the one already published is dropped: when two runs overlap, the one that started
// last (and so read the newest inputs) wins, whatever order they finish in.
//
// Slots: the newest set, the slots readers hold and one slot per writer that is filling one
// must all be distinct, so kSlots - 2 writers can fill sets at the same time with one reader
// holding an older set. A writer that finds no free slot (more writers than that at once) tries
// again until one of the others has finished; readers never wait.

#include <array>
#include <atomic>
#include <cstdint>

template <typename Set, int kSlots = 8> class CSetExchange
{
    static_assert(kSlots >= 3 && kSlots <= 255, "slot number must fit the low byte of a tag");

  public:
    // A published set is named by its tag: the ticket of the run that made it and its slot.
    using Tag = uint64_t;

    CSetExchange() { claimed[0].store(true, std::memory_order_relaxed); }
    CSetExchange(const CSetExchange&) = delete;
    CSetExchange& operator=(const CSetExchange&) = delete;

    // [any thread] A ticket for a run that starts now; later runs get larger tickets.
    uint64_t TakeTicket() { return nextTicket.fetch_add(1, std::memory_order_relaxed) + 1; }

    // [any thread] Makes `set`, computed by the run that holds `ticket`, the newest set, unless a
    // run with a later ticket has already published its set. No lock, no allocation.
    void Publish(const Set& set, uint64_t ticket)
    {
        const int slot = ClaimSlot();
        slots[static_cast<size_t>(slot)] = set;
        const Tag mine = (ticket << 8) | static_cast<Tag>(slot);
        Tag seen = current.load(std::memory_order_seq_cst);
        for (;;)
        {
            if ((seen >> 8) > ticket)
            {
                // A run that started later has published already: its set stands.
                claimed[static_cast<size_t>(slot)].store(false, std::memory_order_release);
                return;
            }
            if (current.compare_exchange_weak(seen, mine, std::memory_order_seq_cst))
            {
                claimed[static_cast<size_t>(seen & 0xFF)].store(false, std::memory_order_release);
                return;
            }
        }
    }

    // [any thread] The tag of the newest set: equal tags mean the same set, unchanged.
    Tag Newest() const { return current.load(std::memory_order_acquire); }

    // [any thread] Copies the newest set into `out` and answers its tag. Lock-free: it tries
    // again only when a writer published in between.
    Tag Read(Set& out) const
    {
        for (;;)
        {
            const Tag tag = current.load(std::memory_order_seq_cst);
            const size_t slot = static_cast<size_t>(tag & 0xFF);
            readers[slot].fetch_add(1, std::memory_order_seq_cst);
            // Still the newest after the reader count went up: no writer can claim the slot
            // until the count goes down again, and the slot's content is complete.
            if (current.load(std::memory_order_seq_cst) == tag)
            {
                out = slots[slot];
                readers[slot].fetch_sub(1, std::memory_order_release);
                return tag;
            }
            readers[slot].fetch_sub(1, std::memory_order_release);
        }
    }

  private:
    // A slot that is neither the newest, nor read, nor filled by another writer.
    int ClaimSlot()
    {
        for (;;)
        {
            for (int s = 0; s < kSlots; ++s)
            {
                const size_t i = static_cast<size_t>(s);
                if (claimed[i].load(std::memory_order_relaxed) ||
                    claimed[i].exchange(true, std::memory_order_seq_cst))
                    continue;
                // Claimed first, then checked: a reader that counted itself in before this
                // check is seen here; one that comes later finds the slot no longer newest.
                if (readers[i].load(std::memory_order_seq_cst) == 0) return s;
                claimed[i].store(false, std::memory_order_release);
            }
        }
    }

    std::array<Set, kSlots> slots{};
    std::array<std::atomic<bool>, kSlots> claimed{};
    mutable std::array<std::atomic<int32_t>, kSlots> readers{};
    // Ticket of the newest set in the high 56 bits, its slot in the low 8.
    std::atomic<Tag> current{0};
    std::atomic<uint64_t> nextTicket{0};
};
