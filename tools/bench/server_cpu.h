// The CPU time of this Wine prefix's wineserver, read from Linux's /proc
// through Wine's Z: drive. Under Wine much of what a program asks of the
// system is done by wineserver on its behalf and is not counted in the
// program's own times, so the bench shows both.
#pragma once
#include <windows.h>

// Milliseconds of user and system time used so far by the Linux process
// `linuxPid`; false when it cannot be read (not under Wine, or no such process).
bool ReadLinuxProcessCpuMs(DWORD linuxPid, double* cpuMs);
