// music_driver.cpp - runs the host's music start and end as the demo does,
// without the display, then releases the music library once more; for the
// tests of the music binding, which run it as a child process and read its
// exit status, its stderr and the fake library's log. Writes "driver done"
// to FAKE_BASS_LOG (when set) as its last act.
#include <cstdio>
#include <cstdlib>

#include "host/music.h"

int main() {
  musicStart();
  musicEnd();
  unloadMusicApi();  // a second release must do nothing
  if (const char* path = getenv("FAKE_BASS_LOG")) {
    if (FILE* log = fopen(path, "a")) {
      fputs("0 driver done\n", log);
      fclose(log);
    }
  }
  return 0;
}
