// The worker's part of the session's record: a game counted is added and
// shown, a game that could not be is said, and OBS's text source is given
// the record on every connection and after every change.
#pragma once
#include "record/record_watch.h"
#include "watch/worker_run.h"

void KeepRecord(WorkerRun* run, const RecordEvent& event);

// Each sample, with OBS chosen: gives the text source the record when the
// connection is new or the record changed since (an edit by hand).
void ShowRecordOnObsWhenDue(WorkerRun* run);
