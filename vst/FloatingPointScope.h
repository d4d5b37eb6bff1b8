#pragma once
// The floating-point environment the plug-in's arithmetic is written for, held for the length of
// one call from the host, and the host's own given back exactly when the call returns.
//
// The leveller's filters, the slider code and the drawing follow IEEE 754 with every exception
// masked: at extreme settings a coefficient overflows to infinity and is settled, a division by
// zero gives an infinity that the next formula turns into 0. Hosts do not all run their threads
// that way: some unmask the overflow, division or invalid-operation traps (the process then dies
// inside our processing), some set flush-to-zero or denormals-are-zero for their own mixing (our
// results would then differ from every other host's). So each entry a host calls that computes
// opens a scope: all exceptions masked, round to nearest, no flush-to-zero, no
// denormals-are-zero, for both the SSE unit (MXCSR, where all double arithmetic runs) and the x87
// unit (which some of the C library's mathematical functions use). The x87 precision control is
// left as the host set it: the platform's libraries are built for its own default there.
//
// When the scope closes, the host's MXCSR comes back whole, status flags included, and so does
// the x87 environment when the scope had to change it. With the usual environment already in
// place the scope costs two register reads on entry and at most one write on exit, so results
// and speed are those of a call without it.
//
// Calls the plug-in makes back into the host from inside a scope (time information, automation,
// idle) run in the plug-in's environment: they are bookkeeping, and switching there and back for
// each would put register writes on the audio path for nothing.

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define QUAR2_FP_SCOPE_X86 1
#else
#include <cfenv>
#endif

class CFloatingPointScope
{
  public:
#if QUAR2_FP_SCOPE_X86
    // MXCSR: every exception masked (bits 7..12), round to nearest, no flush-to-zero (bit 15),
    // no denormals-are-zero (bit 6); the six status flags (bits 0..5) are not part of the mode.
    static constexpr uint32_t kMxcsrMode = 0x1F80u;
    static constexpr uint32_t kMxcsrFlags = 0x003Fu;
    // x87 control word: the six exception masks (bits 0..5) and the rounding control (10..11).
    static constexpr uint16_t kX87Masks = 0x003Fu;
    static constexpr uint16_t kX87Rounding = 0x0C00u;

    // [any thread] Puts the plug-in's environment in place on the calling thread.
    CFloatingPointScope() noexcept
    {
        hostMxcsr = _mm_getcsr();
        if ((hostMxcsr & ~kMxcsrFlags) != kMxcsrMode) _mm_setcsr(kMxcsrMode);
        uint16_t control = 0;
        __asm__ volatile("fnstcw %0" : "=m"(control));
        if ((control & kX87Masks) != kX87Masks || (control & kX87Rounding) != 0)
        {
            // fnstenv keeps the whole x87 environment (control, status with its pending flags,
            // tags) for the way back, and masks every x87 exception while it does so.
            __asm__ volatile("fnstenv %0" : "=m"(hostX87));
            x87Changed = true;
            const uint16_t wanted = static_cast<uint16_t>((control | kX87Masks) & ~kX87Rounding);
            __asm__ volatile("fldcw %0" : : "m"(wanted));
        }
    }

    // [any thread] Gives the host's environment back on the calling thread.
    ~CFloatingPointScope()
    {
        if (x87Changed)
        {
            // Whatever our x87 work left pending is dropped with the rest of our environment, so
            // that nothing traps in the host at its next x87 instruction.
            __asm__ volatile("fnclex\n\tfldenv %0" : : "m"(hostX87));
        }
        if (_mm_getcsr() != hostMxcsr) _mm_setcsr(hostMxcsr);
    }

  private:
    uint32_t hostMxcsr = 0;
    bool x87Changed = false;
    // The 28-byte environment image of fnstenv in 32-bit protected mode.
    struct X87Environment
    {
        uint8_t bytes[28];
    } hostX87{};
#else
    CFloatingPointScope() noexcept
    {
        std::feholdexcept(&hostEnvironment);
        std::fesetround(FE_TONEAREST);
    }
    ~CFloatingPointScope()
    {
        std::fesetenv(&hostEnvironment);
    }

  private:
    std::fenv_t hostEnvironment;
#endif

  public:
    CFloatingPointScope(const CFloatingPointScope&) = delete;
    CFloatingPointScope& operator=(const CFloatingPointScope&) = delete;
};
