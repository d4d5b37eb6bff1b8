#pragma once
// The host library's callback host without its built-in answers: every request answers 0 unless
// the test sets an override, and every request is recorded. The effects made and called on this
// thread reach it while it lives (their records are never bound to a host).

#include "host/lib/HostCallback.h"

class CQuietHost : public CHostCallback
{
  public:
    CQuietHost() : reachable(this) { builtInAnswers = false; }

  private:
    MakingGuard reachable;
};
