# Music tests: the music library under SDL's disk audio driver, the host's
# music binding against a fake library, and the whole demo under Xvfb.
pkg_check_modules(MUSIC_SNDFILE REQUIRED IMPORTED_TARGET sndfile)

demo_test(music_library_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_library_test.cpp
  LIBS demobass PkgConfig::SDL PkgConfig::MUSIC_SNDFILE)
