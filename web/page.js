// page.js - runs the demo in the page: loads the program and the music with
// a progress bar, says in plain words what cannot work (opened as a file, no
// program, no music), waits for the viewer's click, tap or key (browsers keep
// sound off until then), plays the program, shows its controls when the
// mouse moves or the screen is tapped, keeps the canvas at a whole-number
// scale when it can, and after the end offers to play again.
//
// Keys while it plays: Space skips a scene, Escape ends (in full screen the
// first Escape only leaves full screen, as browsers keep that key), M mutes,
// F goes full screen. Before the start, any key but Tab, the modifiers and
// the function keys starts it.
//
// Modes for tests and measurements (index.html?...):
//   frames=N&keys=PASS:KEY,...  runs N passes unpaced, as the capture tool does
//       with --frames and --keys, collecting every pass's state and canvas
//       CRC-32 in window.captureTrace; window.captureDone then holds the
//       number of passes (or -1 for options the capture tool refuses);
//   bench  plays without music, skipping to the next scene every
//       kBenchFramesPerScene frames after a warm-up, and puts the page's work
//       per animation frame (median and 90th percentile, ms, by scene) in
//       window.benchResult.
// window.demoClock() says which pass the picture is on, where the music is,
// which scene is on screen and for how long: {pass, musicSeconds, scene,
// sceneSeconds} (sceneSeconds null during a transition). In step,
// musicSeconds is the scene's section start (Module._webSectionSeconds)
// plus sceneSeconds; without skips that is (pass - 1) / 60.
'use strict';

const kScriptFile = 'demo.js';
const kProgramFile = 'demo.wasm';
const kMusicFile = 'data.dat';
const kFileList = 'page-files.json';  // every file of the page with its size
const kCanvasWidth = 640;
const kCanvasHeight = 480;
const kKeySpace = 0;  // what webPressKey takes
const kKeyEscape = 1;
const kControlsShownMs = 3000;  // the controls stay this long after a move or a tap
const kDoubleTapMs = 350;
// An Escape that comes this soon after full screen ended is the one that ended it.
const kFullscreenEscapeMs = 500;
const kMinWholeScale = 2;  // from 2x on, the canvas is scaled by whole numbers only
const kMusicDecodeRate = 44100;  // the soundtrack's own rate: decoding need not resample it
const kSoundStartWaitMs = 1000;
// The first frames, while the browser still compiles and settles the page,
// are not counted. A skipped-to scene counts its frames on from the scene
// before, and every scene ends by itself at frame 1000: the warm-up and five
// shares stay well below that, as a busy machine makes some refreshes draw
// two frames or more.
const kBenchWarmUpFrames = 120;
const kBenchFramesPerScene = 150;
const kSoundSettings = 'quillfen-sound';  // localStorage key

const element = (id) => document.getElementById(id);
const stage = element('stage');
const canvasElement = element('screen');
const controls = element('controls');
const volumeInput = element('volume');
const muteButton = element('mute');
const params = new URLSearchParams(location.search);
const testMode = params.has('frames');
const benchMode = params.has('bench');
const touchFirst = matchMedia('(pointer: coarse)').matches;

let state = 'loading';  // loading, ready, playing, ended, failed, testing: also the body's class
let runtimeReady;
const runtime = new Promise((resolve) => { runtimeReady = resolve; });
let musicBytes = null;
let frameStartedAt = null;  // when the running animation frame's work began
let leftFullscreenAt = -Infinity;
let lastTapAt = -Infinity;
let lastPointerType = 'mouse';
let hideTimer = 0;
let bench = null;
const sound = { volume: 0.8, muted: false };

// Emscripten's program reads this object when demo.js runs.
var Module = {
  canvas: canvasElement,
  print: (line) => console.log(line),
  // The program's one-line reports; the page says the same in its own words.
  printErr: (line) => console.warn(line),
  nextAnimationFrame: nextFrame,
  onRuntimeInitialized: () => runtimeReady(),
  onAbort: (what) => fail(`The demo stopped (${what}). Reloading the page may help.`),
};

window.demoClock = () => {
  const sceneSeconds = Module._webSceneSeconds();
  return { pass: Module._webPassesRun(), musicSeconds: Module.webMusic.position(),
           scene: Module._webSceneShown(), sceneSeconds: Number.isNaN(sceneSeconds) ? null : sceneSeconds };
};

function setState(name) {
  document.body.classList.replace(state, name);
  state = name;
}

function fail(sentence) {
  setState('failed');
  element('start-panel').hidden = true;
  element('failure-text').textContent = sentence;
  element('failure').hidden = false;
}

// --- Loading -----------------------------------------------------------------

function megabytes(bytes) {
  return (bytes / 1e6).toFixed(bytes < 1e6 ? 2 : 1);
}

// The loading bar over the bytes of the files being fetched. Totals come from
// page-files.json: a server that compresses them sends fewer bytes, and their
// Content-Length then counts those.
function makeProgress(total) {
  const progress = { loaded: 0 };
  progress.add = (bytes) => {
    progress.loaded += bytes;
    const shown = total > 0 ? Math.min(progress.loaded, total) : 0;
    element('loading-bar').style.width = total > 0 ? `${(100 * shown) / total}%` : '0';
    element('loading').setAttribute('aria-valuenow', total > 0 ? Math.round((100 * shown) / total) : 0);
    element('loading-text').textContent = total > 0
      ? `Loading… ${megabytes(shown)} of ${megabytes(total)} MB`
      : `Loading… ${megabytes(progress.loaded)} MB`;
  };
  progress.add(0);
  return progress;
}

// Fetches `name`, counting its bytes as they come. Rejects with an Error
// whose message says, for a sentence, what went wrong.
async function fetchCounted(name, progress) {
  let response;
  try {
    response = await fetch(name);
  } catch (error) {
    throw new Error(`${name}: the server did not answer`);
  }
  if (response.status === 404) throw new Error(`${name} is not on the server`);
  if (!response.ok) throw new Error(`${name}: the server answered ${response.status}`);
  const reader = response.body.getReader();
  const chunks = [];
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    progress.add(value.length);
  }
  return new Blob(chunks).arrayBuffer();
}

// Runs the program's script. Resolves once it ran; rejects if it did not load.
function runScript(bytes) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([bytes], { type: 'text/javascript' }));
    script.onload = () => {
      URL.revokeObjectURL(script.src);
      resolve();
    };
    script.onerror = () => reject(new Error(`${kScriptFile}: the browser would not run it`));
    document.body.append(script);
  });
}

// Fetches and decodes the music. Resolves to '' when it can play, or to the
// sentence that says why the demo will be silent.
async function loadMusic(progress) {
  const AudioContextType = window.AudioContext || window.webkitAudioContext;
  if (!AudioContextType) return 'This browser has no Web Audio, so the demo plays without music.';
  try {
    musicBytes = await fetchCounted(kMusicFile, progress);
  } catch (error) {
    return `The music could not be loaded (${error.message}), so the demo plays without music.`;
  }
  try {
    // An offline context decodes without asking for the sound output, which
    // browsers open only after the viewer acts.
    const decoder = new OfflineAudioContext(2, 1, kMusicDecodeRate);
    Module.musicFiles = { [kMusicFile]: await decoder.decodeAudioData(musicBytes.slice(0)) };
  } catch (error) {
    return `This browser cannot play the music's format (${kMusicFile} is Ogg Vorbis), ` +
           'so the demo plays without music.';
  }
  return '';
}

async function loadPage() {
  if (location.protocol === 'file:') {
    return fail('The demo cannot run from a file opened on this computer: ' +
                'serve this folder over HTTP; see README.');
  }
  if (typeof WebAssembly !== 'object') {
    return fail('This browser cannot run WebAssembly, which the demo is made of.');
  }
  const sizes = await fetch(kFileList).then((response) => response.json()).catch(() => ({}));
  const fetched = [kScriptFile, kProgramFile].concat(testMode || benchMode ? [] : [kMusicFile]);
  const progress = makeProgress(fetched.reduce((sum, name) => sum + (sizes[name] || 0), 0));
  const music = fetched.includes(kMusicFile) ? loadMusic(progress) : Promise.resolve('');
  try {
    const [program, script] = await Promise.all([fetchCounted(kProgramFile, progress),
                                                 fetchCounted(kScriptFile, progress)]);
    Module.wasmBinary = program;
    await runScript(script);
  } catch (error) {
    return fail(`The demo's program could not be loaded (${error.message}). ` +
                'Reloading the page may help.');
  }
  const [musicProblem] = await Promise.all([music, runtime]);
  if (state === 'failed') return;
  element('notice').textContent = musicProblem;
  if (testMode) return runTestMode();
  if (benchMode) return runBench();
  setState('ready');
  offerStart();
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
}

// --- Start, play, end ----------------------------------------------------------

function offerStart() {
  const start = element('start');
  start.textContent = touchFirst ? 'Tap to start' : 'Click or press any key to start';
  element('hint').textContent = touchFirst
    ? 'During the demo, tap for its controls; double-tap for full screen.'
    : 'Space skips a scene, Escape ends, M mutes, F or a double click: full screen.';
  start.hidden = false;
  start.focus({ preventScroll: true });
}

// Inside the viewer's gesture: the one moment a browser lets sound start.
function openSound() {
  const AudioContextType = window.AudioContext || window.webkitAudioContext;
  if (Module.musicContext || !AudioContextType) return;
  try {
    const context = new AudioContextType();
    Module.musicOutput = context.createGain();
    Module.musicOutput.connect(context.destination);
    Module.musicContext = context;
    applySound();
  } catch (error) {
    console.warn('no sound output:', error);  // the program then runs silent and says so
  }
}

// An output device can take a moment to open; until it runs, the audio clock
// stands still, and a picture started before it would be ahead of the music
// from the first frame. A device that never starts holds nothing up for long.
function soundRunning() {
  const context = Module.musicContext;
  if (!context || context.state === 'running') return Promise.resolve();
  return Promise.race([context.resume().catch(() => {}),
                       new Promise((resolve) => setTimeout(resolve, kSoundStartWaitMs))]);
}

function startDemo() {
  if (state !== 'ready') return;
  openSound();
  if (musicBytes) Module.FS.writeFile(kMusicFile, new Uint8Array(musicBytes));
  play();
}

async function play() {
  setState('playing');
  element('end-panel').hidden = true;
  if (!benchMode) showControls();  // once at the start, so the viewer knows they are there
  await soundRunning();
  await Module.ccall('webPlayDemo', 'number', [], [], { async: true });
  hideControls();
  // A finished demo never stays in full screen.
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  setState('ended');
  if (benchMode) return reportBench();
  element('end-panel').hidden = false;
  element('replay').focus({ preventScroll: true });
}

function skipScene() {
  if (state === 'playing') Module._webPressKey(kKeySpace);
}

function endDemo() {
  if (state === 'playing') Module._webPressKey(kKeyEscape);
}

// --- Each animation frame ----------------------------------------------------

// The program waits here between frames (web_main.cpp). What runs from the
// animation frame's start to the next call is the page's work for that frame.
function nextFrame() {
  if (bench) benchFrameDone();
  if (!controls.hidden) updateControls();
  return new Promise((resolve) => requestAnimationFrame((time) => {
    frameStartedAt = performance.now();
    resolve(time);
  }));
}

function updateControls() {
  const count = Module._webSceneCount();
  const scene = Math.min(Module._webSceneIndex(), count - 1);
  const bars = element('progress');
  if (bars.children.length !== count) {
    bars.replaceChildren(...Array.from({ length: count }, () => {
      const bar = document.createElement('span');
      bar.append(document.createElement('i'));
      return bar;
    }));
  }
  const progress = Module._webSceneProgress();
  [...bars.children].forEach((bar, index) => {
    const filled = index < scene ? 1 : index === scene ? progress : 0;
    bar.firstChild.style.width = `${100 * filled}%`;
  });
  bars.setAttribute('aria-valuenow', Math.round((100 * (scene + progress)) / count));
  element('scene').textContent = `${scene + 1} / ${count}`;
}

// --- Controls, keys, full screen, scale ------------------------------------

function showControls() {
  if (state !== 'playing') return;
  controls.hidden = false;
  stage.classList.remove('idle');
  updateControls();
  clearTimeout(hideTimer);
  hideTimer = setTimeout(hideControlsWhenIdle, kControlsShownMs);
}

function hideControls() {
  clearTimeout(hideTimer);
  controls.hidden = true;
  stage.classList.add('idle');
}

// Not while the mouse is over them or the keyboard is working them.
function hideControlsWhenIdle() {
  if (controls.matches(':hover') || controls.querySelector(':focus-visible')) {
    hideTimer = setTimeout(hideControlsWhenIdle, kControlsShownMs);
  } else {
    hideControls();
  }
}

function toggleFullscreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen().catch(() => {});
  } else if (document.fullscreenEnabled) {
    stage.requestFullscreen().catch(() => {});
  }
}

function escapePressed() {
  if (document.fullscreenElement) {
    document.exitFullscreen().catch(() => {});
  } else if (performance.now() - leftFullscreenAt > kFullscreenEscapeMs) {
    endDemo();
  }
}

function applySound() {
  if (Module.musicOutput) {
    const context = Module.musicContext;
    // A short glide instead of a jump, which would click.
    Module.musicOutput.gain.setTargetAtTime(sound.muted ? 0 : sound.volume, context.currentTime, 0.02);
  }
  muteButton.setAttribute('aria-pressed', String(sound.muted));
  muteButton.setAttribute('aria-label', sound.muted ? 'Unmute' : 'Mute');
  volumeInput.value = String(Math.round(sound.volume * 100));
  try {
    localStorage.setItem(kSoundSettings, JSON.stringify(sound));
  } catch (error) {
    // storage may be off; the setting then lasts for this visit
  }
}

function restoreSound() {
  try {
    const saved = JSON.parse(localStorage.getItem(kSoundSettings) || '{}');
    if (typeof saved.muted === 'boolean') sound.muted = saved.muted;
    if (saved.volume >= 0 && saved.volume <= 1) sound.volume = saved.volume;
  } catch (error) {
    // nothing saved, or storage is off
  }
  applySound();
}

const kFunctionKey = /^F\d+$/;
const kNotStartKeys = new Set(['Tab', 'Escape', 'Shift', 'Control', 'Alt', 'AltGraph', 'Meta', 'CapsLock',
                               'NumLock', 'ContextMenu', 'OS']);

function onKey(event) {
  if (event.ctrlKey || event.metaKey || event.altKey || event.repeat) return;  // browser shortcuts
  if (state === 'ready') {
    if (kNotStartKeys.has(event.key) || kFunctionKey.test(event.key)) return;
    // Enter and Space on another focused button are that button's.
    const other = event.target instanceof HTMLButtonElement && event.target.id !== 'start';
    if (other && (event.key === 'Enter' || event.key === ' ')) return;
    event.preventDefault();
    startDemo();
  } else if (state === 'playing') {
    const actions = { ' ': skipScene, Escape: escapePressed, m: toggleMute, M: toggleMute,
                      f: toggleFullscreen, F: toggleFullscreen };
    const action = actions[event.key];
    if (event.key === 'Tab') showControls();
    if (!action) return;
    event.preventDefault();  // Space must not also press a focused button or scroll
    action();
  }
}

function toggleMute() {
  sound.muted = !sound.muted;
  applySound();
}

// A tap (touch or pen) shows or hides the controls; two quick taps go full
// screen. A mouse shows them by moving; a double click goes full screen.
function onPointerUp(event) {
  lastPointerType = event.pointerType;
  if (state === 'ready' && event.target !== element('start')) return startDemo();
  if (state !== 'playing') return;
  if (controls.contains(event.target)) {
    lastTapAt = -Infinity;  // a tap on a control is no half of a double tap
    return;
  }
  if (event.pointerType === 'mouse') return showControls();
  if (event.timeStamp - lastTapAt < kDoubleTapMs) {
    lastTapAt = -Infinity;
    return toggleFullscreen();
  }
  lastTapAt = event.timeStamp;
  if (controls.hidden) showControls();
  else hideControls();
}

// As large as fits; from 2x on, a whole number of device pixels per canvas
// pixel, placed on whole device pixels, so every pixel has the same size.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const width = stage.clientWidth;
  const height = stage.clientHeight;
  let scale = Math.min(width / kCanvasWidth, height / kCanvasHeight);
  if (scale * ratio >= kMinWholeScale) scale = Math.floor(scale * ratio) / ratio;
  const place = (room, size) => `${Math.floor(((room - size) / 2) * ratio) / ratio}px`;
  Object.assign(canvasElement.style, {
    width: `${kCanvasWidth * scale}px`, height: `${kCanvasHeight * scale}px`, margin: '0',
    left: place(width, kCanvasWidth * scale), top: place(height, kCanvasHeight * scale),
  });
}

function wirePage() {
  addEventListener('keydown', onKey, true);
  stage.addEventListener('pointerup', onPointerUp);
  stage.addEventListener('pointermove', (event) => {
    if (event.pointerType === 'mouse' && (event.movementX || event.movementY)) showControls();
  });
  stage.addEventListener('dblclick', (event) => {
    if (lastPointerType === 'mouse' && !controls.contains(event.target)) toggleFullscreen();
  });
  element('start').addEventListener('click', startDemo);
  element('replay').addEventListener('click', () => {
    if (state === 'ended') play();
  });
  element('skip').addEventListener('click', skipScene);
  element('end').addEventListener('click', endDemo);
  element('fullscreen').addEventListener('click', toggleFullscreen);
  element('fullscreen').hidden = !document.fullscreenEnabled;
  muteButton.addEventListener('click', toggleMute);
  volumeInput.addEventListener('input', () => {
    sound.volume = Number(volumeInput.value) / 100;
    sound.muted = sound.volume === 0;
    applySound();
  });
  controls.addEventListener('focusin', showControls);
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement) leftFullscreenAt = performance.now();
    element('fullscreen').setAttribute('aria-label',
                                       document.fullscreenElement ? 'Leave full screen' : 'Full screen');
  });
  // A hidden tab gets no animation frames: the music waits with the picture.
  document.addEventListener('visibilitychange', () => {
    const context = Module.musicContext;
    if (!context || state !== 'playing') return;
    if (document.hidden) context.suspend();
    else context.resume();
  });
  new ResizeObserver(fitCanvas).observe(stage);
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', fitCanvas);
  restoreSound();
}

// --- Test and benchmark modes --------------------------------------------------

async function runTestMode() {
  setState('testing');
  const words = ['--frames', params.get('frames')];
  if (params.has('keys')) words.push('--keys', params.get('keys'));
  window.captureTrace = [];
  Module.onCapturePass = (pass) => window.captureTrace.push(pass);
  window.captureDone = await Module.ccall('webCapture', 'number', ['string'],
                                          [words.join(' ')], { async: true });
}

function runBench() {
  bench = { frames: [], warmUp: kBenchWarmUpFrames, scene: null };
  play();
}

// Counts the frame that just ended under its scene (transitions aside), and
// moves on to the next scene when this one has had its share. Marks where
// each scene's frames begin and end, for a browser trace of the same frames
// (web/bench_page.mjs).
function benchFrameDone() {
  if (frameStartedAt === null || bench.warmUp-- > 0) return;
  const scene = Module._webSceneIndex();
  if (Module._webFading() || scene >= Module._webSceneCount()) return;
  if (scene !== bench.scene) {
    endBenchScene();
    bench.scene = scene;
    performance.mark(`bench-scene-${scene}-start`);
  }
  const frames = (bench.frames[scene] ||= []);
  frames.push(performance.now() - frameStartedAt);
  if (frames.length === kBenchFramesPerScene) Module._webPressKey(kKeySpace);
}

function endBenchScene() {
  if (bench.scene !== null) performance.mark(`bench-scene-${bench.scene}-end`);
}

function reportBench() {
  endBenchScene();
  const at = (sorted, fraction) => sorted[Math.min(sorted.length - 1, Math.floor(sorted.length * fraction))];
  window.benchResult = {
    isolated: window.crossOriginIsolated,
    scenes: bench.frames.map((times, scene) => {
      const sorted = [...times].sort((a, b) => a - b);
      return { scene, frames: sorted.length, medianMs: at(sorted, 0.5), p90Ms: at(sorted, 0.9) };
    }),
  };
  element('end-panel').hidden = false;
}

wirePage();
loadPage();
