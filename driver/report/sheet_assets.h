// The fixed parts of the cut sheet: its head with the style, and its tail
// with the little script that steps from cut to cut and plays each cut's
// stretch of the output. Everything is in the page: it opens without a
// network.
#pragma once

namespace wexmont {

inline constexpr const char* kSheetHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Cut sheet</title>
<link rel="icon" href="data:,">
<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 1.5em; color: #222; background: #fafafa; }
h1 { margin: 0 0 .3em; }
h2 { margin: 1.6em 0 .2em; border-bottom: 1px solid #bbb; }
h3 { margin: 0 0 .2em; font-size: 1em; }
code { background: #eee; padding: 0 .2em; }
kbd { border: 1px solid #999; border-radius: 3px; padding: 0 .3em; background: #fff; }
svg { display: block; max-width: 100%; height: auto; }
.overview { margin: .5em 0; background: #fff; }
.lane-bg { fill: #f0f0f0; stroke: #fff; }
.lane text { font-size: 12px; fill: #333; }
.segment { fill: #4a7fc1; }
.silence { fill: #c9c9c9; }
.lead-in { fill: #ddd; opacity: .6; }
.xfade-mark { fill: #e8842c; opacity: .55; }
.xfade-centre { stroke: #b85a00; stroke-width: 1; }
.tick { stroke: #666; }
.tick-label { font-size: 11px; fill: #555; }
.note-mark circle { fill: #d33; }
.notes { color: #a00; }
.cut { display: inline-block; vertical-align: top; margin: .4em .4em .4em 0; padding: .5em;
       background: #fff; border: 1px solid #ccc; border-radius: 4px; width: 610px; }
.cut.current { border-color: #e8842c; box-shadow: 0 0 0 2px #e8842c; }
.cut-picture { background: #fcfcfc; }
.wave-lane { fill: #eef2f7; }
.wave { fill: #4a7fc1; }
.take-name { font-size: 11px; fill: #333; }
.xfade-window { fill: #e8842c; opacity: .18; }
.gain { fill: none; stroke-width: 1.5; }
.gain-out { stroke: #b85a00; }
.gain-in { stroke: #2a8a2a; }
.cut-line { stroke: #d33; stroke-width: 1; stroke-dasharray: 3 2; }
audio { width: 100%; margin-top: .3em; }
</style>
</head>
<body>
)";

inline constexpr const char* kSheetTail = R"(<script>
(function () {
  'use strict';
  var cuts = Array.prototype.slice.call(document.querySelectorAll('article.cut'));
  var players = Array.prototype.slice.call(document.querySelectorAll('audio.player'));
  var current = -1;

  function startOf(player) { return parseFloat(player.getAttribute('data-start')); }
  function endOf(player) { return parseFloat(player.getAttribute('data-end')); }

  // Plays the player's stretch, from its start unless it is inside it.
  function playStretch(player) {
    if (player.currentTime < startOf(player) || player.currentTime >= endOf(player) - 0.001) {
      player.currentTime = startOf(player);
    }
    var playing = player.play();
    if (playing && playing.catch) { playing.catch(function () {}); }
  }

  players.forEach(function (player) {
    player.addEventListener('timeupdate', function () {
      if (player.currentTime >= endOf(player)) { player.pause(); }
    });
    player.addEventListener('play', function () {
      players.forEach(function (other) { if (other !== player) { other.pause(); } });
      if (player.currentTime < startOf(player) || player.currentTime >= endOf(player)) {
        player.currentTime = startOf(player);
      }
    });
  });

  function select(index) {
    if (!cuts.length) { return; }
    index = Math.max(0, Math.min(cuts.length - 1, index));
    if (current >= 0) { cuts[current].classList.remove('current'); }
    current = index;
    cuts[current].classList.add('current');
    cuts[current].focus({ preventScroll: true });
    cuts[current].scrollIntoView({ block: 'center' });
  }

  cuts.forEach(function (cut, index) {
    cut.addEventListener('click', function () { select(index); });
  });

  document.addEventListener('keydown', function (event) {
    if (event.ctrlKey || event.metaKey || event.altKey) { return; }
    if (event.key === 'j' || event.key === 'ArrowRight') {
      select(current + 1);
    } else if (event.key === 'k' || event.key === 'ArrowLeft') {
      select(current - 1);
    } else if (event.key === ' ' && current >= 0 && event.target.tagName !== 'AUDIO') {
      var player = cuts[current].querySelector('audio.player');
      if (!player) { return; }
      if (player.paused) { playStretch(player); } else { player.pause(); }
    } else {
      return;
    }
    event.preventDefault();
  });
}());
</script>
</body>
</html>
)";

}  // namespace wexmont
