// What the in-process benchmarks share: a clock and a silent sound player.
#pragma once

#include <windows.h>

// Milliseconds on the performance counter.
inline double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

// Stands in for sndPlaySoundW, so that no sound is timed.
inline BOOL WINAPI Silent(LPCWSTR, UINT)
{
    return TRUE;
}
