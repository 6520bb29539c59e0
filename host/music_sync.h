// music_sync.h - keeps the soundtrack on the scene script when keys move
// the script on.
//
// The soundtrack has a section for each scene, each starting on the pass
// where its scene starts in a run without keys (sceneStartPass). Space moves
// the picture on but not the music, and a scene entered by a skip also ends
// sooner than its section (a skip resets no frame count). So after each pass
// the loop asks how far the music must move: whenever a transition toward a
// scene begins, or Space changes the scene it leads to, the music is moved so
// that the scene's first frame meets its section's first beat, and the
// transition plays over what leads into it. In a run without keys it never
// moves. Used by every loop that plays music with the picture: the demo, the
// page, and the capture tool's videos.
#pragma once

#include <cstdint>

struct MusicSync {
  long shiftPasses;       // how far the music is ahead of the run without keys
  int32_t syncedToScene;  // the scene the last move aimed at
};

// The sync of a run that starts at the beginning, music and picture together.
constexpr MusicSync kMusicSyncAtStart = {0, 0};

// Called after each loop pass `pass` (1-based) with demoState and canvas as
// that pass left them. Returns how many passes' worth of music (1/60 s each)
// to move the music on now, negative for back, 0 for not at all, and counts
// it into `sync`. Past the last scene it is always 0: the ending plays on.
long musicMoveAfterPass(MusicSync& sync, long pass);

// The soundtrack's second that is in step with pass `pass` (1-based): pass
// 1 meets its start, and 60 passes meet a second, plus what `sync` moved.
double musicSecondsOfPass(const MusicSync& sync, long pass);
