// The webhook, and its one owner: the URL the events go to ("Webhook URL",
// empty: off, the default), the events waiting to be posted and the thread
// that posts them. The worker only queues an event (a copy, never a wait):
// a slow or hung hook holds no switch. Of the events that queue behind a
// slow hook the latest kQueuedGameEvents are kept, the oldest dropped. A
// failure is said once in the status line, and again only after a POST has
// gone through.
#pragma once
#include <windows.h>

#include "events/game_event.h"
#include "settings/stored_text.h"

constexpr size_t kWebhookUrlChars = kStoredTextChars;
constexpr size_t kQueuedGameEvents = 8;

// Empty (off), or http:// or https:// (any letter case) and a host.
bool IsWebhookUrlAccepted(const wchar_t* url);

// UI thread: the URL as the settings load it and as the Record dialog sets
// it; a URL that is not accepted is kept as it stands but posts nothing.
void PublishWebhookUrl(const wchar_t* url);
// Any thread.
void CopyWebhookUrl(wchar_t (&url)[kWebhookUrlChars]);
bool IsWebhookOn();

// Worker: the event, posted as soon as the hook's thread comes to it. The
// thread starts with the first event if Start did not start it.
void QueueGameEvent(const GameEvent& event);

// UI thread, at Start: the hook's thread, when a URL is set.
void StartWebhook();
// UI thread, at Stop and at exit: the thread ends, a POST under way is
// given up and the events still waiting are dropped. Nothing waits for it.
void StopWebhook();
