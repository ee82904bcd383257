#include "overlay/overlay_page.h"

// Every name goes in through textContent: it is the opponent's to choose
// and is shown as the characters it is, never read as markup. The page
// follows /events, and EventSource connects again by itself when the
// program is stopped and started; an answer that is not the stream (a 503
// while 16 clients are served) makes it give up for good, so the page then
// follows anew. "?show=record,match,games" picks the parts, "?size=N" the
// text's size in pixels.
const char kOverlayPage[] = R"PAGE(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Kestrelcue overlay</title>
<style>
html,body{background:transparent;margin:0}
body{font:600 var(--size,24px)/1.3 system-ui,sans-serif;color:#fff;
 text-shadow:0 0 3px #000,0 0 3px #000,1px 1px 2px #000;padding:.3em}
section{margin-bottom:.4em}
.player.user{color:#ffd84d}
.player .race,.game .race,.game .length{opacity:.8;margin-left:.4em}
.player .result,.game .opponent{margin-left:.4em}
.Victory{color:#7dff8a}.Defeat{color:#ff7d7d}
.hidden{display:none}
</style></head><body>
<section id="record"></section>
<section id="match"></section>
<section id="games"></section>
<script>
"use strict";
const query = new URLSearchParams(location.search);
const shown = (query.get("show") || "record,match,games").split(",");
const size = parseInt(query.get("size") || "", 10);
if (size >= 8 && size <= 200) document.body.style.setProperty("--size", size + "px");
for (const id of ["record", "match", "games"])
  if (!shown.includes(id)) document.getElementById(id).classList.add("hidden");
function span(cls, text) {
  const s = document.createElement("span");
  s.className = cls;
  s.textContent = text;
  return s;
}
function line(cls, parts) {
  const d = document.createElement("div");
  d.className = cls;
  for (const p of parts) if (p) d.appendChild(p);
  return d;
}
function length(seconds) {
  const s = Math.floor(seconds);
  return Math.floor(s / 60) + ":" + String(s % 60).padStart(2, "0");
}
function show(state) {
  document.getElementById("record").replaceChildren(line("text", [span("record", state.record.text)]));
  const players = state.match.players.map(p => line("player" + (p.isUser ? " user" : ""),
    [span("name", p.name), span("race", p.race), p.result ? span("result " + p.result, p.result) : null]));
  document.getElementById("match").replaceChildren(...players);
  const games = state.games.map(g => line("game",
    [span("result " + g.result, g.result), span("opponent", g.opponent), span("race", g.race),
     span("length", length(g.seconds))]));
  document.getElementById("games").replaceChildren(...games);
}
function follow() {
  const events = new EventSource("/events");
  events.addEventListener("state", e => { try { show(JSON.parse(e.data)); } catch (_) {} });
  events.addEventListener("error", () => {
    if (events.readyState === EventSource.CLOSED) setTimeout(follow, 2000);
  });
}
follow();
</script></body></html>
)PAGE";
