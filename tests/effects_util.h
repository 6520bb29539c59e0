// effects_util.h - what the effects test files share: a fixture that starts
// every test from the reset DemoState on a black canvas, and pixel access.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <vector>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

inline uint8_t* pixel(int x, int y) { return canvas + canvasOffset(x, y); }
inline std::vector<uint8_t> snapshot() { return {canvas, canvas + kCanvasBytes}; }

// Pixels an effect touched, by index: how many (or a sum of weights) and
// their bounding box. An empty box is inside any bounds.
struct Box {
  int count = 0, minX = kCanvasWidth, maxX = -1, minY = kCanvasHeight, maxY = -1;
  void add(int index, int weight = 1) {
    count += weight;
    minX = std::min(minX, index % kCanvasWidth), maxX = std::max(maxX, index % kCanvasWidth);
    minY = std::min(minY, index / kCanvasWidth), maxY = std::max(maxY, index / kCanvasWidth);
  }
  bool inside(int x0, int x1, int y0, int y1) const {
    return minX >= x0 && maxX <= x1 && minY >= y0 && maxY <= y1;
  }
  friend std::ostream& operator<<(std::ostream& o, const Box& b) {
    return o << b.count << " in " << b.minX << ".." << b.maxX << " x " << b.minY << ".." << b.maxY;
  }
};

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
};
