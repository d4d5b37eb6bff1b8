#pragma once
// The editor's parameter edits on their way to the host: the main thread (the editor's mouse)
// pushes gesture begins, values and gesture ends; the next process or params.flush, on whatever
// thread the host runs it, pops them into the host's output event list. One producer, one
// consumer, a fixed ring: no lock and no allocation. When the ring is full an edit is dropped;
// the value is in force in the plug-in already and the host reads it with params.get_value.

#include <array>
#include <atomic>
#include <cstdint>

struct TClapEdit
{
    uint16_t type = 0; // CLAP_EVENT_PARAM_GESTURE_BEGIN, _VALUE or _GESTURE_END
    uint32_t paramId = 0;
    double value = 0.0; // plain value, for _VALUE
};

class CClapEditQueue
{
  public:
    static constexpr uint32_t kCapacity = 256; // a power of two

    // [main] False when full.
    bool push(const TClapEdit& edit)
    {
        const uint32_t w = writeIndex.load(std::memory_order_relaxed);
        if (w - readIndex.load(std::memory_order_acquire) >= kCapacity) return false;
        ring[w & (kCapacity - 1)] = edit;
        writeIndex.store(w + 1, std::memory_order_release);
        return true;
    }
    // [the consumer] The oldest edit without taking it; false when empty.
    bool peek(TClapEdit& edit) const
    {
        const uint32_t r = readIndex.load(std::memory_order_relaxed);
        if (r == writeIndex.load(std::memory_order_acquire)) return false;
        edit = ring[r & (kCapacity - 1)];
        return true;
    }
    // [the consumer] Takes the edit peek() answered.
    void pop()
    {
        readIndex.store(readIndex.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

  private:
    std::array<TClapEdit, kCapacity> ring{};
    std::atomic<uint32_t> writeIndex{0};
    std::atomic<uint32_t> readIndex{0};
};
