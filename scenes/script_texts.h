// script_texts.h - the text lines each scene shows, as data.
//
// Texts are Latin-1 bytes ended by 0xFF (a 0 byte is an ordinary glyphless
// code). The scene script in render_frame.cpp draws a scene's lines with
// drawText at the point of its frame where they belong.
#pragma once

#include <cstdint>

struct ScriptLine {
  const uint8_t* text;
  int32_t x;  // canvas column of the first character's cell
  int32_t y;  // canvas row of the top of the cells
};

// A scene's lines, in drawing order, ended by an entry whose text is null.
extern const ScriptLine kScene0Text[];
extern const ScriptLine kScene1Text[];
extern const ScriptLine kScene2Text[];
extern const ScriptLine kScene3Text[];
extern const ScriptLine kScene4Text[];
