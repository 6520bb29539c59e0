// platform.cpp - the dynamic-loading and sleep layer; filled in with the music.
