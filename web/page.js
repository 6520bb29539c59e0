// page.js - runs the demo in the page: loads the program and the music with
// a progress bar in bytes on the wire, says in plain words what cannot work
// (opened as a file, no program, no music, no sound output), offers the start
// as soon as the files are in and decodes the music while the viewer reads
// the panel, waits for the viewer's click, tap or key (browsers keep sound
// off until then), plays the program, shows its controls when the mouse
// moves or the screen is tapped, fits the canvas to the screen (see
// fitCanvas), and after the end offers to play again.
//
// Keys while it plays: Space skips a scene, Escape ends (in full screen the
// first Escape only leaves full screen, as browsers keep that key), M mutes,
// F goes full screen. Before the start M mutes or unmutes, and any other key
// but Tab, Escape, the modifiers and the function keys starts it. After the
// end, "Play again" is neither focused nor clickable for kReplayGuardMs, so a
// key or tap meant for the demo's last moments does not restart it.
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
// A whole number of device pixels per canvas pixel as long as that keeps at
// least this share of the size that fits; below it, the picture fills the
// space instead (see fitCanvas).
const kWholeScaleShare = 0.9;
// After the end, "Play again" ignores clicks, taps and keys this long.
const kReplayGuardMs = 1000;
const kSoundNoticeMs = 8000;  // how long the note on a missing sound output shows
const kDefaultVolume = 0.8;  // the slider's place on a first visit, 0..1
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
// A viewer who asked for less motion is told that the demo is all motion,
// and only the start button starts it, not any key or a tap anywhere.
const calm = matchMedia('(prefers-reduced-motion: reduce)');

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
let endedAt = -Infinity;
let starting = false;  // the viewer has asked to start; the music is still being decoded
// What the start waits for: '' once the music is decoded (or the sentence
// saying why there is none).
let musicReady = Promise.resolve('');
// audible: the volume that unmuting returns to when the slider stands at 0.
const sound = { volume: kDefaultVolume, muted: false, audible: kDefaultVolume };
const viewElement = element('view');
const viewContext = viewElement.getContext('2d', { alpha: false });

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

// The loading bar over the bytes that come over the network. A file's body
// arrives decompressed, so its wire size is its Content-Length (the
// compressed copy's, when the server sent one), and it is counted as filled
// in the share of its size (page-files.json) that has arrived. The total
// shows once every file's response has begun; a file without
// Content-Length counts its size, one that failed nothing.
function makeProgress(names, sizes) {
  const files = new Map(names.map((name) => [name, { wire: null, size: sizes[name] || 0, got: 0 }]));
  const show = () => {
    const all = [...files.values()];
    if (all.some((file) => file.wire === null)) return;
    const total = all.reduce((sum, file) => sum + file.wire, 0);
    const done = all.reduce((sum, file) =>
      sum + (file.size > 0 ? Math.min(1, file.got / file.size) * file.wire : 0), 0);
    element('loading-bar').style.width = total > 0 ? `${(100 * done) / total}%` : '0';
    element('loading').setAttribute('aria-valuenow', total > 0 ? Math.round((100 * done) / total) : 0);
    element('loading-text').textContent = `Loading… ${megabytes(done)} of ${megabytes(total)} MB`;
  };
  return {
    begun(name, response) {
      const file = files.get(name);
      file.wire = Number(response.headers.get('Content-Length')) || file.size;
      show();
    },
    add(name, bytes) {
      files.get(name).got += bytes;
      show();
    },
    // A file that arrived in full, whatever its listed size said.
    done(name) {
      const file = files.get(name);
      [file.got, file.size] = [1, 1];
      show();
    },
    failed(name) {
      Object.assign(files.get(name), { wire: 0, size: 0 });
      show();
    },
  };
}

// Fetches `name`, counting its bytes as they come. Rejects with an Error
// whose message says, for a sentence, what went wrong.
async function fetchCounted(name, progress) {
  let response;
  try {
    response = await fetch(name);
  } catch (error) {
    progress.failed(name);
    throw new Error(`${name}: the server did not answer`);
  }
  if (!response.ok) {
    progress.failed(name);
    throw new Error(response.status === 404 ? `${name} is not on the server`
                                            : `${name}: the server answered ${response.status}`);
  }
  progress.begun(name, response);
  const reader = response.body.getReader();
  const chunks = [];
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    progress.add(name, value.length);
  }
  progress.done(name);
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

// Fetches the music. Resolves, once its bytes are in, to {decoded}: a promise
// of its decoding, which resolves to '' when it can play, or to the sentence
// that says why the demo will be silent.
async function loadMusic(progress) {
  const AudioContextType = window.AudioContext || window.webkitAudioContext;
  const silent = (sentence) => ({ decoded: Promise.resolve(sentence) });
  if (!AudioContextType) {
    progress.failed(kMusicFile);
    return silent('This browser has no Web Audio, so the demo plays without music.');
  }
  try {
    musicBytes = await fetchCounted(kMusicFile, progress);
  } catch (error) {
    return silent(`The music could not be loaded (${error.message}), so the demo plays without music.`);
  }
  return { decoded: decodeMusic() };
}

// An offline context decodes without asking for the sound output, which
// browsers open only after the viewer acts; the browser decodes on a thread
// of its own while the viewer reads the start panel.
async function decodeMusic() {
  try {
    const decoder = new OfflineAudioContext(2, 1, kMusicDecodeRate);
    Module.musicFiles = { [kMusicFile]: await decoder.decodeAudioData(musicBytes.slice(0)) };
    return '';
  } catch (error) {
    musicBytes = null;
    return `This browser cannot play the music's format (${kMusicFile} is Ogg Vorbis), ` +
           'so the demo plays without music.';
  }
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
  const progress = makeProgress(fetched, sizes);
  const music = fetched.includes(kMusicFile) ? loadMusic(progress) : { decoded: Promise.resolve('') };
  try {
    const [program, script] = await Promise.all([fetchCounted(kProgramFile, progress),
                                                 fetchCounted(kScriptFile, progress)]);
    Module.wasmBinary = program;
    await runScript(script);
  } catch (error) {
    return fail(`The demo's program could not be loaded (${error.message}). ` +
                'Reloading the page may help.');
  }
  // The music is in; its decoding goes on.
  const [{ decoded }] = await Promise.all([music, runtime]);
  if (state === 'failed') return;
  musicReady = decoded.then((problem) => {
    element('notice').textContent = problem;
    return problem;
  });
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

// The start panel's word on the sound: muted from an earlier visit, with a
// button to change that.
function showMutedOnPanel() {
  element('panel-muted').hidden = !sound.muted;
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

// The sound output opens at once, inside the viewer's act; the picture
// starts when the music is decoded, which has mostly happened while the
// viewer read the panel.
async function startDemo() {
  if (state !== 'ready' || starting) return;
  starting = true;
  openSound();
  element('start').textContent = 'Starting…';
  await musicReady;
  starting = false;
  if (musicBytes) Module.FS.writeFile(kMusicFile, new Uint8Array(musicBytes));
  play();
}

async function play() {
  setState('playing');
  element('end-panel').hidden = true;
  if (!benchMode) showControls();  // once at the start, so the viewer knows they are there
  await soundRunning();
  if (!benchMode) tellIfSilent();
  await Module.ccall('webPlayDemo', 'number', [], [], { async: true });
  hideControls();
  // A finished demo never stays in full screen.
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  setState('ended');
  endedAt = performance.now();
  if (benchMode) return reportBench();
  element('end-panel').hidden = false;
  // The panel, not its button, has the focus: Tab reaches "Play again".
  element('end-panel').focus({ preventScroll: true });
}

function replay() {
  if (state === 'ended' && performance.now() - endedAt >= kReplayGuardMs) play();
}

// A sound output that did not start (a browser with no output device keeps
// it suspended) leaves the demo silent: say so while it plays.
function tellIfSilent() {
  const context = Module.musicContext;
  if (!context || !Module.musicFiles || context.state === 'running') return;
  const notice = element('sound-notice');
  notice.textContent = 'The browser has no sound output for this page ' +
                       '(no sound device, or sound is blocked), so the demo plays without music.';
  notice.hidden = false;
  setTimeout(() => { notice.hidden = true; }, kSoundNoticeMs);
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
  if (stage.classList.contains('smooth')) copyToView();
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
  showMutedOnPanel();
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
    if (saved.audible > 0 && saved.audible <= 1) sound.audible = saved.audible;
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
    if (event.key === 'm' || event.key === 'M') return toggleMute();
    if (calm.matches && event.target !== element('start')) return;
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

// Unmuting a slider at 0 brings back the last volume that could be heard.
function toggleMute() {
  sound.muted = !sound.muted;
  if (!sound.muted && sound.volume === 0) sound.volume = sound.audible;
  applySound();
}

// The slider at 0 is muted; moved up from there, it unmutes.
function setVolume(volume) {
  sound.volume = volume;
  sound.muted = volume === 0;
  if (volume > 0) sound.audible = volume;
  applySound();
}

// A tap (touch or pen) shows or hides the controls; two quick taps go full
// screen. A mouse shows them by moving; a double click goes full screen.
function onPointerUp(event) {
  lastPointerType = event.pointerType;
  // A tap anywhere starts (a button acts by its click), but for a viewer who
  // asked for less motion, only the start button does.
  if (state === 'ready' && !event.target.closest('button') && !calm.matches) return startDemo();
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

// The canvas as large as fits. A whole number of device pixels per canvas
// pixel, placed on whole device pixels, makes every pixel the same size:
// taken whenever it keeps kWholeScaleShare of the size. Otherwise the
// picture fills the space, and so that its pixels are not uneven (alternate
// 1- and 2-pixel columns) the frame is enlarged by the whole number below
// first, crisp, into the view canvas, and only that last step is smoothed
// ('smooth' on the stage; copyToView does it each frame).
// A screen held upright (taller than 4:3) puts the picture at the top
// third's edge with the controls right under it, and asks for sideways.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const width = stage.clientWidth;
  const height = stage.clientHeight;
  let scale = Math.min(width / kCanvasWidth, height / kCanvasHeight);
  const whole = Math.floor(scale * ratio);
  const crisp = whole >= 1 && whole >= kWholeScaleShare * scale * ratio;
  if (crisp) scale = whole / ratio;
  const [shownWidth, shownHeight] = [kCanvasWidth * scale, kCanvasHeight * scale];
  const upright = height - shownHeight > width - shownWidth && height > width;
  const snap = (length) => Math.floor(length * ratio) / ratio;
  const left = snap((width - shownWidth) / 2);
  const top = upright ? snap((height - shownHeight) / 3) : snap((height - shownHeight) / 2);
  const box = { width: `${shownWidth}px`, height: `${shownHeight}px`, margin: '0',
                left: `${left}px`, top: `${top}px` };
  Object.assign(canvasElement.style, box);
  Object.assign(viewElement.style, box);
  stage.classList.toggle('smooth', !crisp);
  stage.classList.toggle('upright', upright);
  stage.style.setProperty('--picture-bottom', `${top + shownHeight}px`);
  const step = Math.max(1, whole);
  if (!crisp && viewElement.width !== kCanvasWidth * step) {
    [viewElement.width, viewElement.height] = [kCanvasWidth * step, kCanvasHeight * step];
  }
  if (!crisp) copyToView();
}

function copyToView() {
  viewContext.imageSmoothingEnabled = false;
  viewContext.drawImage(canvasElement, 0, 0, viewElement.width, viewElement.height);
}

function wirePage() {
  addEventListener('keydown', onKey, true);
  stage.addEventListener('pointerup', onPointerUp);
  stage.classList.toggle('touch', touchFirst);
  const showCalm = () => { element('motion-note').hidden = !calm.matches; };
  calm.addEventListener('change', showCalm);
  showCalm();
  stage.addEventListener('pointermove', (event) => {
    if (event.pointerType === 'mouse' && (event.movementX || event.movementY)) showControls();
  });
  stage.addEventListener('dblclick', (event) => {
    if (lastPointerType === 'mouse' && !controls.contains(event.target)) toggleFullscreen();
  });
  element('start').addEventListener('click', startDemo);
  element('panel-unmute').addEventListener('click', toggleMute);
  element('replay').addEventListener('click', replay);
  element('skip').addEventListener('click', skipScene);
  element('end').addEventListener('click', endDemo);
  element('fullscreen').addEventListener('click', toggleFullscreen);
  element('fullscreen').hidden = !document.fullscreenEnabled;
  muteButton.addEventListener('click', toggleMute);
  volumeInput.addEventListener('input', () => setVolume(Number(volumeInput.value) / 100));
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
