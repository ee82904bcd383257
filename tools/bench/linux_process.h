// The Linux process behind a Windows process of this Wine prefix. Under Wine
// each Windows process is one Linux process, whose account of CPU time (in
// /proc, through Wine's Z: drive) counts every thread of it, Wine's own
// included; GetProcessTimes counts less.
#pragma once
#include <windows.h>

// The Linux id of the newest process of this prefix whose executable is
// `exeName` (as Linux names it, "Kestrelcue.exe"); 0 when none is found or
// this is not Wine.
DWORD FindLinuxProcessOf(const char* exeName);
