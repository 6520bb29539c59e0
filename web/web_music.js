// web_music.js - the music library's entry points over Web Audio (an
// Emscripten JavaScript library, linked with --js-library).
//
// Before the program runs, the page puts into Module:
//   musicContext: the AudioContext; the page resumes it inside the viewer's
//                 click or key press (browsers keep sound off until then);
//   musicFiles:   decoded AudioBuffers by file name, e.g. {'data.dat': buffer};
//   musicOutput:  optionally, the node streams play into (the page's volume
//                 and mute); the speakers otherwise.
// A stream plays its buffer through a gain (volume) and a stereo panner (pan)
// to the output; with the loop flag it restarts without a gap. Slides are
// linear ramps of the AudioParams scheduled on the audio clock, so they run
// on while the program sleeps; a slide is "in progress" until the audio clock
// passes its end. A suspended or stalled audio clock holds that up for at
// most two seconds past the slide's own time, so the program's wait for the
// slides always ends.
//
// The position pair (host/music.h): DemoBass_ChannelGetPosition says which
// second of the stream is being heard, on the audio clock corrected for the
// output's latency (getOutputTimestamp, else outputLatency), so the picture
// can follow what is heard; DemoBass_ChannelSetPosition moves the stream
// with a crossfade: the old source fades out over 30 ms while a new one
// fades in. position() says the same to the page (window.demoClock), and
// `moves` counts every move, for the tests.
//
// The library's state is Module.webMusic, for the page and its tests to look
// at: `channels` by handle, and `slides`, every slide with its parameter, its
// target and its start and end on the audio clock.

var LibraryWebMusic = {
  $WebMusic__postset: "Module['webMusic'] = WebMusic;",
  $WebMusic: {
    // The soundtrack's own sample rate. A decoded buffer is resampled to the
    // context's rate, so the file's rate is no longer known, and a slide's
    // frequency is relative to it: 1000 Hz plays 1000 of its samples a second.
    streamFrequency: 44100,
    loopFlag: 4,
    keepFrequency: -1,
    keepVolume: -1,
    keepPan: -101,
    stallAllowanceMs: 2000,
    crossfadeSeconds: 0.03,
    context: null,
    channels: {},
    nextHandle: 1,
    slides: [],
    moves: 0,

    clamp: function(value, low, high) {
      return Math.min(high, Math.max(low, value));
    },

    // Moves `param` from where it stands now to `target` in a straight line
    // ending at `end` (seconds on the audio clock); at once when `end` is now.
    ramp: function(param, target, now, end) {
      if (param.cancelAndHoldAtTime) {
        param.cancelAndHoldAtTime(now);
      } else {
        param.cancelScheduledValues(now);
        param.setValueAtTime(param.value, now);
      }
      if (end > now) {
        param.linearRampToValueAtTime(target, end);
      } else {
        param.setValueAtTime(target, now);
      }
    },

    // A source plays its buffer once: every start, and every move, takes a
    // new one, at `offset` seconds into the buffer, through a gain of its own
    // that fades it in over `fade` seconds (0: at once) while the source it
    // replaces fades out and stops.
    startSource: function(channel, offset, fade) {
      var context = WebMusic.context;
      var now = context.currentTime;
      var source = context.createBufferSource();
      var voice = context.createGain();
      source.buffer = channel.buffer;
      source.loop = channel.loop;
      source.connect(voice);
      voice.connect(channel.gain);
      if (channel.started) {
        source.playbackRate.value = WebMusic.rateAt(channel.clock, now);
        var old = channel.source, oldVoice = channel.voice;
        WebMusic.ramp(oldVoice.gain, 0, now, now + fade);
        try { old.stop(now + fade); } catch (e) { /* already stopped */ }
        old.onended = function() { old.disconnect(); oldVoice.disconnect(); };
        voice.gain.setValueAtTime(0, now);
        voice.gain.linearRampToValueAtTime(1, now + fade);
      }
      source.start(now, offset);
      channel.source = source;
      channel.voice = voice;
      channel.started = true;
    },

    // The audio clock's time being heard now: what the output stamps as
    // playing, moved on by the time since the stamp; without stamps, the
    // clock less the output's latency.
    heardTime: function() {
      var context = WebMusic.context;
      var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
      if (stamp && stamp.contextTime > 0 && stamp.performanceTime > 0) {
        var since = context.state === 'running' ? (performance.now() - stamp.performanceTime) / 1000 : 0;
        return Math.min(context.currentTime, stamp.contextTime + Math.max(0, since));
      }
      return Math.max(0, context.currentTime - (context.outputLatency || context.baseLatency || 0));
    },

    // Where a channel's music is, in seconds of the file played since it
    // started, loops counted: the playback rate integrated over the audio
    // clock. `clock` holds the rate's last ramp: from `rate` at `time` (when
    // the music stood at `seconds`) to `rampTo` at `rampEnd`, then level.
    positionAt: function(clock, t) {
      var span = clock.rampEnd - clock.time;
      var ramped = Math.max(0, Math.min(t, clock.rampEnd) - clock.time);
      var rateThen = span > 0 ? clock.rate + (clock.rampTo - clock.rate) * ramped / span
                              : clock.rampTo;
      var level = Math.max(0, t - Math.max(clock.time, clock.rampEnd));
      return clock.seconds + ramped * (clock.rate + rateThen) / 2 + level * clock.rampTo;
    },

    rateAt: function(clock, t) {
      if (t >= clock.rampEnd) return clock.rampTo;
      return clock.rate + (clock.rampTo - clock.rate) * (t - clock.time) / (clock.rampEnd - clock.time);
    },

    // A move keeps the clock it replaces for the audio still in the output.
    setClock: function(channel, seconds, now, rate, rampTo, rampEnd) {
      channel.before = channel.clock;
      channel.clock = {time: now, seconds: seconds, rate: rate, rampTo: rampTo, rampEnd: rampEnd};
    },

    playing: function() {
      for (var handle in WebMusic.channels) {
        if (WebMusic.channels[handle].started) return WebMusic.channels[handle];
      }
      return null;
    },

    heardOf: function(channel) {
      var t = WebMusic.heardTime();
      var clock = t < channel.clock.time && channel.before ? channel.before : channel.clock;
      return WebMusic.positionAt(clock, t);
    },

    position: function() {
      var channel = WebMusic.playing();
      return channel ? WebMusic.heardOf(channel) : null;
    },

    slide: function(channel, name, param, target, now, end) {
      WebMusic.ramp(param, target, now, end);
      channel.ends[name] = end;
      WebMusic.slides.push({channel: channel.handle, param: name, target: target,
                            start: now, end: end});
    },

    release: function(channel) {
      if (channel.started) {
        try { channel.source.stop(); } catch (e) { /* already stopped */ }
        channel.source.disconnect();
        channel.voice.disconnect();
      }
      channel.gain.disconnect();
      channel.panner.disconnect();
    },
  },

  BASS_Init__deps: ['$WebMusic'],
  BASS_Init: function(device, frequency, flags, window) {
    var context = Module['musicContext'];
    if (WebMusic.context || !context) return 0;
    if (device !== -1 && device !== 1) return 0;
    WebMusic.context = context;
    WebMusic.channels = {};
    WebMusic.nextHandle = 1;
    return 1;
  },

  BASS_StreamCreateFile__deps: ['$WebMusic'],
  BASS_StreamCreateFile: function(fromMemory, file, offset, length, flags) {
    var context = WebMusic.context;
    if (!context || fromMemory || offset || length || !file) return 0;
    var files = Module['musicFiles'] || {};
    var buffer = files[UTF8ToString(file)];
    if (!buffer) return 0;
    var gain = context.createGain();
    var panner = context.createStereoPanner();
    gain.connect(panner);
    panner.connect(Module['musicOutput'] || context.destination);
    var handle = WebMusic.nextHandle++;
    WebMusic.channels[handle] = {handle: handle, buffer: buffer, source: null, gain: gain,
                                 panner: panner, loop: false, started: false, ends: {},
                                 voice: null, wallLimit: 0, clock: null, before: null};
    return handle;
  },

  BASS_Start__deps: ['$WebMusic'],
  BASS_Start: function() {
    if (!WebMusic.context) return 0;
    if (WebMusic.context.state === 'suspended') WebMusic.context.resume();
    return 1;
  },

  BASS_StreamPlay__deps: ['$WebMusic'],
  BASS_StreamPlay: function(stream, flush, flags) {
    var channel = WebMusic.channels[stream];
    if (!WebMusic.context || !channel) return 0;
    // A stream plays on from where it stands; a source starts only once.
    if (!channel.started) {
      var now = WebMusic.context.currentTime;
      channel.loop = (flags & WebMusic.loopFlag) !== 0;
      WebMusic.startSource(channel, 0, 0);
      WebMusic.setClock(channel, 0, now, 1, 1, now);
    }
    return 1;
  },

  BASS_ChannelSlideAttributes__deps: ['$WebMusic'],
  BASS_ChannelSlideAttributes: function(channel, frequency, volume, pan, milliseconds) {
    var found = WebMusic.channels[channel >>> 0];
    if (!WebMusic.context || !found) return 0;
    var now = WebMusic.context.currentTime;
    var end = now + (milliseconds >>> 0) / 1000;
    var clamp = WebMusic.clamp;
    if (frequency !== WebMusic.keepFrequency && found.started) {
      var rate = clamp(frequency, 200, 192000) / WebMusic.streamFrequency;
      var clock = found.clock;
      WebMusic.setClock(found, WebMusic.positionAt(clock, now), now, WebMusic.rateAt(clock, now),
                        rate, end);
      WebMusic.slide(found, 'playbackRate', found.source.playbackRate, rate, now, end);
    }
    if (volume !== WebMusic.keepVolume) {
      WebMusic.slide(found, 'gain', found.gain.gain, clamp(volume, 0, 100) / 100, now, end);
    }
    if (pan !== WebMusic.keepPan) {
      WebMusic.slide(found, 'pan', found.panner.pan, clamp(pan, -100, 100) / 100, now, end);
    }
    found.wallLimit = Math.max(found.wallLimit, performance.now() + (milliseconds >>> 0) +
                               WebMusic.stallAllowanceMs);
    return 1;
  },

  BASS_ChannelIsSliding__deps: ['$WebMusic'],
  BASS_ChannelIsSliding: function(channel) {
    var found = WebMusic.channels[channel >>> 0];
    if (!WebMusic.context || !found) return 0;
    var lastEnd = 0;
    for (var name in found.ends) lastEnd = Math.max(lastEnd, found.ends[name]);
    if (WebMusic.context.currentTime >= lastEnd) return 0;
    return performance.now() < found.wallLimit ? 1 : 0;
  },

  DemoBass_ChannelGetPosition__deps: ['$WebMusic'],
  DemoBass_ChannelGetPosition: function(channel) {
    var found = WebMusic.channels[channel >>> 0];
    if (!WebMusic.context || !found || !found.started) return -1;
    return WebMusic.heardOf(found);
  },

  // Past the end of a stream that does not loop there is nothing to move to.
  DemoBass_ChannelSetPosition__deps: ['$WebMusic'],
  DemoBass_ChannelSetPosition: function(channel, seconds) {
    var found = WebMusic.channels[channel >>> 0];
    if (!WebMusic.context || !found || !found.started || !(seconds >= 0)) return 0;
    var length = found.buffer.duration;
    if (!found.loop && seconds >= length) return 0;
    var now = WebMusic.context.currentTime;
    var rate = WebMusic.rateAt(found.clock, now);
    WebMusic.startSource(found, seconds % length, WebMusic.crossfadeSeconds);
    WebMusic.setClock(found, seconds, now, rate, rate, now);
    WebMusic.moves++;
    return 1;
  },

  BASS_Free__deps: ['$WebMusic'],
  BASS_Free: function() {
    if (!WebMusic.context) return 0;
    for (var handle in WebMusic.channels) WebMusic.release(WebMusic.channels[handle]);
    WebMusic.channels = {};
    WebMusic.context = null;
    return 1;
  },
};

mergeInto(LibraryManager.library, LibraryWebMusic);
