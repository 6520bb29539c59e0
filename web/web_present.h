// web_present.h - the page's display (web_present.cpp).
//
// Its openScreen (platform/platform.h) hands out the page's one screen, and
// presentCanvas only marks the canvas as presented; the
// frame loop shows it on the page once per animation frame, so the frames a
// refresh makes up, or the passes the test mode runs between two looks at
// the browser, cost one copy to the page, not one each. The page shows the
// canvas as the last presentCanvas left it.
#pragma once

// Copies the canvas to the page's <canvas> (Module.canvas) if a frame was
// presented since the last call. Called by web_main.cpp after each batch of
// passes and at the ends of a run.
void showPresentedFrame();
