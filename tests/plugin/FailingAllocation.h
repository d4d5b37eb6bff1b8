#pragma once
// Makes this test program's allocations fail on demand: after FailAllocationAfter(n), the first n
// allocations through operator new succeed and the next one throws std::bad_alloc (once; later
// ones succeed again, as they would once memory is back). The replacement operators live in
// FailingAllocation.cpp.

// Arms the failure: n allocations succeed, the (n + 1)-th fails.
void FailAllocationAfter(long n);
// Disarms; answers whether the armed failure happened.
bool StopFailingAllocations();
