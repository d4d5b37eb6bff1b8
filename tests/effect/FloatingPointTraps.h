#pragma once
// Unmasks one floating-point trap for the lifetime of the object on the calling thread, as some
// hosts do for their threads.

#include <cfenv>
#if defined(_WIN32)
#include <float.h>
#endif

class CFloatingPointTraps
{
  public:
    enum Kind
    {
        kDivideByZero,
        kOverflow
    };

    explicit CFloatingPointTraps(Kind kind)
    {
#if defined(__GLIBC__)
        which = kind == kDivideByZero ? FE_DIVBYZERO : FE_OVERFLOW;
        feclearexcept(FE_ALL_EXCEPT);
        feenableexcept(which);
#elif defined(_WIN32)
        _clearfp();
        saved = _controlfp(0, 0);
        const unsigned mask = kind == kDivideByZero ? _EM_ZERODIVIDE : _EM_OVERFLOW;
        _controlfp(saved & ~mask, _MCW_EM);
#endif
    }
    ~CFloatingPointTraps()
    {
#if defined(__GLIBC__)
        fedisableexcept(which);
#elif defined(_WIN32)
        _clearfp();
        _controlfp(saved, _MCW_EM);
#endif
    }
    CFloatingPointTraps(const CFloatingPointTraps&) = delete;
    CFloatingPointTraps& operator=(const CFloatingPointTraps&) = delete;

  private:
    int which = 0;
    unsigned saved = 0;
};
