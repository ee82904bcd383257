// The bench's measurements, one function each. Each adds its rows to the
// report and returns false only when it could not measure at all; the
// figures themselves never fail it.
#pragma once
#include <string>

#include "bench/bench_setup.h"
#include "bench/report.h"

bool MeasureStartup(const BenchOptions& options, Report& report);
bool MeasureGameFlagReaction(const BenchOptions& options, Report& report);
bool MeasureClientApiReaction(const BenchOptions& options, Report& report);
bool MeasureSituationReaction(const BenchOptions& options, Report& report);
bool MeasureAltTabReaction(const BenchOptions& options, Report& report);
bool MeasureNetworkReaction(const BenchOptions& options, Report& report);
bool MeasureStopTimes(const BenchOptions& options, Report& report);
// Stop while the worker searches for XSplit; `besides` names what else runs.
bool MeasureStopLookingForXSplit(const BenchOptions& options, Report& report, const std::string& besides);
bool MeasureResourceUse(const BenchOptions& options, Report& report);
bool MeasureSearchCost(const BenchOptions& options, Report& report);
// The overlay page in Chromium: needs Debian's chromium.
bool MeasureOverlayReaction(const BenchOptions& options, Report& report);
// OBS Studio as the program switched: needs Debian's obs-studio.
bool MeasureObs(const BenchOptions& options, Report& report);

