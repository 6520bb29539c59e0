// page.js - runs the demo in the page: fetches and decodes the music once,
// waits for the viewer's click or key (browsers keep sound off until then),
// plays the program, offers full screen and, after the end, a replay.
//
// Test mode: index.html?frames=N&keys=PASS:KEY,... runs N passes unpaced, as
// the capture tool does with --frames and --keys, and collects every pass's
// state and canvas CRC-32 in window.captureTrace; window.captureDone then
// holds the number of passes (or -1 for options the capture tool refuses).
'use strict';

const kMusicFile = 'data.dat';

const stage = document.getElementById('stage');
const statusLine = document.getElementById('status');
const startButton = document.getElementById('start');
const replayButton = document.getElementById('replay');
const fullscreenButton = document.getElementById('fullscreen');

let runtimeReady;
const runtime = new Promise((resolve) => { runtimeReady = resolve; });

// The raw music file, fetched as soon as the page loads (the test mode plays
// no music and does not fetch it); it resolves to null when it is missing.
let musicBytes = Promise.resolve(null);

function fetchMusic() {
  return fetch(kMusicFile)
    .then((response) => (response.ok ? response.arrayBuffer() : null))
    .catch(() => null);
}

// Emscripten's program reads this object when demo.js loads.
var Module = {
  canvas: document.getElementById('screen'),
  // Every frame repaints the whole screen, so locking it need not read the
  // page canvas back first.
  screenIsReadOnly: true,
  print: (line) => console.log(line),
  // The program's one-line reports (no music, and why) belong on the page.
  printErr: (line) => {
    statusLine.textContent = line;
    console.warn(line);
  },
  onRuntimeInitialized: () => runtimeReady(),
  onAbort: (what) => say('The demo cannot run in this browser: ' + what),
};

function say(text) {
  statusLine.textContent = text;
}

// Decodes the music once, in the context the viewer's gesture allowed, and
// hands both to the program's music library. Whatever fails, the demo still
// runs: the program then says in one line why it is silent. The file's bytes
// go into the program's file system either way, so that line can tell a
// missing file from one the browser cannot decode.
async function prepareMusic() {
  let context = null;
  try {
    context = new AudioContext();
  } catch (error) {
    return;  // no Web Audio: the library's start-up fails and the program says so
  }
  Module.musicContext = context;
  Module.musicFiles = {};
  const bytes = await musicBytes;
  if (bytes === null) return;
  Module.FS.writeFile(kMusicFile, new Uint8Array(bytes));
  try {
    Module.musicFiles[kMusicFile] = await context.decodeAudioData(bytes.slice(0));
  } catch (error) {
    // left undecoded: the stream cannot be created and the program reports it
  }
}

async function play() {
  replayButton.hidden = true;
  document.body.classList.add('playing');
  if (Module.musicContext && Module.musicContext.state === 'suspended') {
    Module.musicContext.resume();  // still inside the replay click
  }
  say('');  // the program puts its one line here again if the music cannot play
  const status = await Module.ccall('webPlayDemo', 'number', [], [], {async: true});
  document.body.classList.remove('playing');
  if (status !== 0) say('The demo cannot draw on this page\'s canvas.');
  replayButton.hidden = false;
}

let started = false;

async function start(event) {
  // Browser shortcuts (Ctrl+R, Alt+Tab, ...) and held keys do not start it.
  if (event.type === 'keydown' && (event.ctrlKey || event.metaKey || event.altKey || event.repeat)) {
    return;
  }
  if (started) return;
  started = true;
  event.preventDefault();
  startButton.hidden = true;
  removeEventListener('keydown', start);
  const music = prepareMusic();  // the AudioContext is created inside this gesture
  await Promise.all([music, runtime]);
  await play();
}

function toggleFullscreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else {
    stage.requestFullscreen().then(() => {
      // Lets Escape reach the demo (it ends it, as on the desktop) instead of
      // only leaving full screen; holding it still leaves full screen.
      if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']);
    }).catch(() => {});
  }
}

// Space and Escape belong to the demo while it plays: they must not also
// press a focused button or scroll.
addEventListener('keydown', (event) => {
  if (document.body.classList.contains('playing') &&
      (event.code === 'Space' || event.code === 'Escape')) {
    event.preventDefault();
  }
}, true);

fullscreenButton.addEventListener('click', () => {
  fullscreenButton.blur();
  toggleFullscreen();
});
stage.addEventListener('dblclick', toggleFullscreen);
replayButton.addEventListener('click', () => {
  replayButton.blur();
  play();
});

async function runTestMode(params) {
  const words = ['--frames', params.get('frames')];
  if (params.has('keys')) words.push('--keys', params.get('keys'));
  window.captureTrace = [];
  Module.onCapturePass = (pass) => window.captureTrace.push(pass);
  await runtime;
  say('Test mode: ' + words.join(' '));
  window.captureDone = await Module.ccall('webCapture', 'number', ['string'],
                                          [words.join(' ')], {async: true});
}

const params = new URLSearchParams(location.search);
if (params.has('frames')) {
  runTestMode(params);
} else {
  musicBytes = fetchMusic();
  runtime.then(() => {
    say('Click or press any key to start. Space skips a scene, Escape ends.');
    startButton.hidden = false;
  });
  startButton.addEventListener('click', start);
  stage.addEventListener('click', start);
  addEventListener('keydown', start);
}
