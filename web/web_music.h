// web_music.h - the music library of the web build: the entry points of
// audio/music_contract.h, implemented in JavaScript over the browser's Web
// Audio in web_music.js and linked in as imports.
//
// The page decodes "data.dat" once, before the first run, and hands the
// decoded audio and its AudioContext to the library (see web_music.js); a
// stream can only be created from a file the page has decoded.
// Called only through the table that web_platform.cpp hands out.
#pragma once

#include "audio/music_contract.h"

// How many loads of the library have not been released yet; 0 once the
// music code has unloaded it. For the page's tests.
extern "C" int webMusicModuleLoads();
