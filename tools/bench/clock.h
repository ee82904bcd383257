// Time for the bench, in milliseconds from the performance counter: the
// tick count moves in steps of 10 to 16 ms, as large as the delays measured.
#pragma once

double NowMs();

// A QueryPerformanceCounter reading on the same scale as NowMs.
double MsOfCounter(long long counter);
