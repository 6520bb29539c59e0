/* stb_vorbis.c - Debian's stb_vorbis (libstb-dev), compiled once for the Windows music library. */
#include <stb_vorbis.h>
