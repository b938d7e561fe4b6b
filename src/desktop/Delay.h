#pragma once
// Waits that pace the automation of other programs' windows.
#include <windows.h>

// Sleep(ms), or Sleep(0) for 0 and negative values.
void SleepMs(int ms);

// Busy-waits more than ms milliseconds while dispatching the calling thread's
// messages; returns at once for 0 and negative values. Never sleeps and never
// takes WM_QUIT: processing stops there and leaves it queued for the thread's loop.
void DelayPumping(int ms);

// The tick count read by DelayPumping and SeedRandom. Tests replace it to start
// just before the 32-bit wrap or to freeze time; nullptr restores GetTickCount.
using TickSource = DWORD (*)();
void SetTickSource(TickSource source);
DWORD TickCount();
