#pragma once
// A script value that more than one thread touches: the slider values, the script's variables
// (coefficients, followers, the meters the editor shows), the gain history in script memory.
//
// One thread writes such a value while others read it, with no lock: the slider code runs on
// whatever thread the host or the editor uses, the followers on the audio thread, the meters on
// the editor's. A value from just before or just after a change is equally good for the next
// frame or the next drawing; what must never happen is a half-written value, and in C++ a plain
// double read and written on two threads at once is a data race (undefined behaviour, and a
// compiler may split or repeat such accesses). So every access here is a relaxed atomic load or
// store (std::atomic_ref): on x86-64 that is one aligned 64-bit move, as for a plain double,
// with the same bits and no fence or lock prefix (GCC routes the value through a general
// register, one register transfer more). The audio path's loops keep their values in locals and
// touch shared values only at the start and end of a block.
//
// Relaxed means no order between two values: a reader may see one value's new state and
// another's old. Values that must be seen together travel as one set (effect/SetExchange.h).
// A compound change (+=) is a load and a store, not one atomic step: each value has one writer
// at a time by design, and two writers at once leave one of their results, as before.

#include <atomic>

// [any thread] One relaxed atomic load or store of a double kept in ordinary memory (script
// memory cells, a plain double member): the accessors SharedDouble uses, for storage that is not
// one.
inline double LoadShared(const double& cell)
{
    // atomic_ref needs a non-const object; a load never writes through it.
    return std::atomic_ref<double>(const_cast<double&>(cell)).load(std::memory_order_relaxed);
}

inline void StoreShared(double& cell, double value)
{
    std::atomic_ref<double>(cell).store(value, std::memory_order_relaxed);
}

class SharedDouble
{
  public:
    static_assert(std::atomic_ref<double>::is_always_lock_free,
                  "a shared double must be one lock-free load and store");

    constexpr SharedDouble() = default;
    constexpr SharedDouble(double v) : value(v) {}
    SharedDouble(const SharedDouble& other) : value(other.load()) {}

    SharedDouble& operator=(const SharedDouble& other)
    {
        store(other.load());
        return *this;
    }
    SharedDouble& operator=(double v)
    {
        store(v);
        return *this;
    }

    // [any thread]
    double load() const { return LoadShared(value); }
    void store(double v) { StoreShared(value, v); }
    operator double() const { return load(); }

    SharedDouble& operator+=(double d)
    {
        store(load() + d);
        return *this;
    }
    SharedDouble& operator-=(double d)
    {
        store(load() - d);
        return *this;
    }

  private:
    alignas(std::atomic_ref<double>::required_alignment) double value = 0.0;
};

static_assert(sizeof(SharedDouble) == sizeof(double));
