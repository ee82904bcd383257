// Scene requests while switching is paused: none is made, and the scene
// last wanted is requested once on resume, so that what is on air then is
// the scene of the game's state at that moment.
#pragma once
#include <windows.h>

#include "watch/watch.h"

// At the worker's start: nothing is wanted yet, and a resume from before
// this run is no news.
void ForgetWantedScene();

// Remembers `name` as the scene wanted; true when switching is paused or
// Stop was requested, and then nothing is to be requested. A worker that
// Stop left to end on its own requests nothing more.
bool IsSceneRequestHeld(const wchar_t* name);

// True when switching was resumed since the last call and a scene is
// wanted; `name` is then that scene.
bool TakeSceneWantedOnResume(wchar_t (&name)[kSceneNameChars]);
