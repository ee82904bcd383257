// Pausing switching: the streamer takes over the scenes for a while. The
// worker goes on following the game, so that on resume the scene of the
// game's state at that moment is requested once.
#pragma once

// Whether scene requests are held back; read by the worker before each.
bool IsSwitchingPaused();

// Pauses or resumes (UI thread): the status line then says so and how to
// resume, and says again what it said before on resume.
void SetSwitchingPaused(bool paused);
void ToggleSwitchingPaused();
