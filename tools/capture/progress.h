// progress.h - a one-line progress bar on stderr for long captures: frames
// done, frames per second, time left. Silent when stderr is not a terminal,
// so logs and tests see nothing of it.
#pragma once

// Starts timing; decides once whether stderr is a terminal.
void progressStart();

// Redraws the bar (at most a few times a second) for `done` frames of an
// expected `total` (an estimate; it may grow).
void progressUpdate(long done, long total);

// Ends the bar's line, if one was drawn.
void progressEnd();
