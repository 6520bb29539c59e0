// music_sync_test.cpp - whole runs on the null platform with keys pressed at
// awkward moments: every scene's first frame meets its section of the
// soundtrack, however the script got there, and a run without keys never
// moves the music.
#include "host/music_sync.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/frame_loop.h"
#include "host/input_queue.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "support/test_screen.h"

namespace {

struct ScriptRun {
  long moves = 0;             // how often the music was moved
  std::string scenesEntered;  // scene digits, in the order their first frames came
};

// Plays the script with a Space before each pass listed, checking the
// music's place at each scene's first frame.
ScriptRun play(const std::vector<long>& spaces) {
  ScriptRun run;
  MusicSync sync = kMusicSyncAtStart;
  int32_t shown = 0;  // pass 1 is scene 0's first frame, checked below
  EXPECT_EQ(musicSecondsOfPass(sync, 1), 0.0);
  for (long pass = 1; pass < 20000; ++pass) {
    for (const long at : spaces)
      if (at == pass) queueInput(DemoInput::Skip);
    if (!loopGoesOn(runFramePass(testScreen()))) break;
    run.moves += musicMoveAfterPass(sync, pass) != 0;
    const int32_t scene = demoState.sceneIndex;
    if (!demoState.fading && scene < kSceneCount && scene != shown) {
      // This pass ended the transition; the next draws the scene.
      shown = scene;
      run.scenesEntered += static_cast<char>('0' + scene);
      EXPECT_DOUBLE_EQ(musicSecondsOfPass(sync, pass + 1), (sceneStartPass(scene) - 1) / 60.0)
          << "scene " << scene << " drawn first on pass " << pass + 1;
    }
  }
  return run;
}

using MusicSyncRun = FrameTest;

TEST_F(MusicSyncRun, WithoutKeysTheMusicIsNeverMoved) {
  const ScriptRun run = play({});
  EXPECT_EQ(run.moves, 0);
  EXPECT_EQ(run.scenesEntered, "1234");
}

// Space early in a scene, twice in one pass, again during the transition
// (on a half-faded canvas), and the timer ending a scene that a skip cut
// short: every first frame is on its section.
TEST_F(MusicSyncRun, EverySceneStartsOnItsSectionWhateverTheKeys) {
  const struct {
    std::vector<long> spaces;
    const char* entered;
  } cases[] = {{{1}, "1234"},  // on a black canvas, whose transition ends in the same pass
               {{90}, "1234"},
               {{300, 300}, "234"},
               {{300, 340}, "234"},
               {{2500, 2500, 4000}, "134"}};
  for (const auto& c : cases) {
    resetDemoState();
    const ScriptRun run = play(c.spaces);
    EXPECT_EQ(run.scenesEntered, c.entered) << "Space at " << c.spaces.front();
    EXPECT_GT(run.moves, 0) << "Space at " << c.spaces.front();
  }
}

// Space in the last scene: the ending plays on where it is.
TEST_F(MusicSyncRun, PastTheLastSceneTheMusicStaysPut) {
  demoState.sceneIndex = 4;
  MusicSync sync = kMusicSyncAtStart;
  queueInput(DemoInput::Skip);
  runFramePass(testScreen());
  EXPECT_EQ(musicMoveAfterPass(sync, 1), 0);
  EXPECT_EQ(sync.shiftPasses, 0);
}

}  // namespace
