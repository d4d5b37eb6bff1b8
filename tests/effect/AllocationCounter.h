#pragma once
// Counts the allocations this test program makes through operator new while counting is on.
// (The replacement operators live in AllocationCounter.cpp, apart from any caller.)

void StartCountingAllocations();
// Stops counting and answers how many allocations happened since the start.
long StopCountingAllocations();
