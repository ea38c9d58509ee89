// web_platform.js - the page side of the browser backend (an emscripten JS
// library, linked with --js-library): the answer to the start question
// given by the page's buttons, frame waits on requestAnimationFrame, the
// keyboard, glyphs drawn with canvas text, and the sound: an AudioContext
// whose AudioWorklet (web/ring_player.js) loops the player's ring, and the
// heard position read back from the audio clock. State the page and the
// tests read is on window.FM (see web/index.html).
mergeInto(LibraryManager.library, {
  $FMWEB: {
    escape: false,
    frames: 0,
    ring: null,          // the worklet's node once playing
    ringBytes: 0,
    startTime: -1,       // audio clock time of the ring's first frame
    rate: 44100,
    lastBytes: 0,
    heardNow: -1,        // seconds heard at the player's latest cycle
    heardBefore: -1,     // and at the one before it
    glyphCanvas: null,
  },

  web_page_setup__deps: ['$FMWEB'],
  web_page_setup: function () {
    window.FM = window.FM || {};
    FM.frames = 0;
    FM.bytesPlayed = 0;
    window.addEventListener('keydown', function (e) {
      if (e.key === 'Escape') FMWEB.escape = true;
    });
  },

  // 0 while the page's start buttons are unanswered, else 6 (yes) or 7 (no).
  web_answer: function () {
    return window.FM && FM.answer ? FM.answer : 0;
  },

  web_take_escape__deps: ['$FMWEB'],
  web_take_escape: function () {
    var e = FMWEB.escape;
    FMWEB.escape = false;
    return e ? 1 : 0;
  },

  web_message__deps: [],
  web_message: function (caption, text) {
    var c = UTF8ToString(caption), t = UTF8ToString(text);
    console.error(c + ': ' + t);
    if (window.FM && FM.showMessage) FM.showMessage(c, t);
  },

  web_now_ms: function () { return performance.now(); },

  // Unwinds to the browser until the next animation frame (ASYNCIFY). In
  // the frame-exact mode no frame waits for the display: the browser only
  // gets its turn (a message to ourselves, which setTimeout would clamp).
  web_wait_frame__deps: ['$FMWEB'],
  web_wait_frame: function () {
    // Counted in the callback: the import is called again when the stack
    // is rewound, and only the callback runs once per wait.
    return Asyncify.handleSleep(function (wakeUp) {
      FMWEB.frames++;
      FM.frames = FMWEB.frames;
      if (!FM.capture) {
        requestAnimationFrame(function () { wakeUp(); });
        return;
      }
      if (!FMWEB.turn) {
        FMWEB.turn = new MessageChannel();
        FMWEB.turn.port1.onmessage = function () { var w = FMWEB.wake; FMWEB.wake = null; w(); };
      }
      FMWEB.wake = wakeUp;
      FMWEB.turn.port2.postMessage(0);
    });
  },

  // What the frame just presented showed (the program's frame report): the
  // song position, with the rows it has moved counted across orders, and
  // the seconds of the ring heard when that position was taken; in the
  // frame-exact mode also a line of FM.log, as frostmere-capture --log
  // writes it.
  web_frame_shown__deps: ['$FMWEB'],
  web_frame_shown: function (elapsed_ms, frame_ms, order, row, entry) {
    var s = FM.song || (FM.song = {order: -1, row: -1, rows: 0, seconds: -1});
    // The frame read its position when it began: what the player's cycle
    // at the swap before it had heard.
    if (order >= 0 && s.order >= 0) {
      if (order === s.order) s.rows += Math.max(0, row - s.row);
      else s.rows += 1;  // an order change is one row, whichever row it lands on
    } else if (order >= 0) {
      s.rows = row;
    }
    s.order = order;
    s.row = row;
    s.entry = entry;
    s.seconds = FMWEB.heardBefore;
    if (FM.capture)
      FM.log.push((FMWEB.frames - 1) + ' ' + elapsed_ms + ' ' + frame_ms + ' ' + order + ' ' +
                  row + ' ' + entry);
  },

  // The program closed its window: the show is over (or never started).
  web_window_closed: function () {
    FM.windowClosed = true;
  },

  // Frames per second of the frame-exact mode the page asked for; 0 for
  // the real-time page.
  web_capture_fps: function () {
    return window.FM && FM.capture ? FM.capture.fps : 0;
  },

  // Frames the page wants back, and a frame read back: made a PNG data URL
  // on FM.capture.shots[frame] (top-down RGBA rows, as frostmere-capture
  // writes them).
  web_capture_wants: function (frame) {
    return FM.capture.frames.indexOf(frame) >= 0 ? 1 : 0;
  },
  web_capture_frame: function (frame, rgba, width, height) {
    var c = document.createElement('canvas');
    c.width = width;
    c.height = height;
    var pixels = new Uint8ClampedArray(HEAPU8.slice(rgba, rgba + width * height * 4).buffer);
    c.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
    FM.capture.shots[frame] = c.toDataURL('image/png');
  },
  web_capture_stop: function () {
    return FM.capture.stop ? 1 : 0;
  },
  web_capture_max_frames: function () {
    return FM.capture.maxFrames || 0;
  },

  // Rasterises one character with canvas text: a cell of `height` pixels
  // (ascent plus descent, as GDI's cell height), its coverage thresholded to
  // one bit. Writes the alpha bytes top-down into out (at most max bytes)
  // and width, height, left, top (baseline to the top row) and advance
  // into info; 0 when nothing fits.
  web_glyph__deps: ['$FMWEB'],
  web_glyph: function (family, height, weight, squeeze, code, out, max, info) {
    if (!FMWEB.glyphCanvas) {
      FMWEB.glyphCanvas = document.createElement('canvas');
      FMWEB.glyphCanvas.width = 512;
      FMWEB.glyphCanvas.height = 256;
    }
    var ctx = FMWEB.glyphCanvas.getContext('2d', {willReadFrequently: true});
    var fam = UTF8ToString(family);
    var bold = weight >= 600 ? 'bold ' : '';
    ctx.font = bold + '100px ' + fam;
    var m = ctx.measureText('Hg');
    var cell = (m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) || 115;
    var px = height * 100 / cell;
    ctx.font = bold + px + 'px ' + fam;
    var ch = String.fromCharCode(code);
    m = ctx.measureText(ch);
    var ascent = Math.ceil(m.actualBoundingBoxAscent), descent = Math.ceil(m.actualBoundingBoxDescent);
    var left = Math.floor(-m.actualBoundingBoxLeft * squeeze);
    var right = Math.ceil(m.actualBoundingBoxRight * squeeze);
    var w = right - left, h = ascent + descent;
    HEAP32[(info >> 2) + 4] = Math.round(m.width * squeeze);
    if (w <= 0 || h <= 0 || w > 512 || h > 256 || w * h > max) {
      HEAP32[info >> 2] = 0;
      HEAP32[(info >> 2) + 1] = 0;
      return 0;
    }
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, 512, 256);
    ctx.setTransform(squeeze, 0, 0, 1, -left, ascent);
    ctx.fillStyle = '#fff';
    ctx.fillText(ch, 0, 0);
    var data = ctx.getImageData(0, 0, w, h).data;
    for (var i = 0; i < w * h; ++i) HEAPU8[out + i] = data[i * 4 + 3];
    HEAP32[info >> 2] = w;
    HEAP32[(info >> 2) + 1] = h;
    HEAP32[(info >> 2) + 2] = left;
    HEAP32[(info >> 2) + 3] = ascent;
    return 1;
  },

  // 1 once the page's AudioContext (made on the start button's click) and
  // its worklet are ready at `rate`; 0 while they are coming; -1 never.
  web_audio_ready: function (rate) {
    if (!window.FM || !FM.audio) return -1;
    if (FM.audio.failed) return -1;
    return FM.audio.ready ? 1 : 0;
  },

  web_audio_play__deps: ['$FMWEB'],
  web_audio_play: function (pcm, bytes) {
    var a = FM.audio;
    FMWEB.ringBytes = bytes;
    FMWEB.rate = a.context.sampleRate;
    FMWEB.startTime = -1;
    FMWEB.lastBytes = 0;
    FMWEB.heardNow = FMWEB.heardBefore = -1;
    a.node.port.onmessage = function (e) {
      if (e.data.started !== undefined) FMWEB.startTime = e.data.started;
    };
    // The worklet's copy and ours, which tells what the player rewrites.
    FMWEB.shadow = HEAP16.slice(pcm >> 1, (pcm + bytes) >> 1);
    var ring = FMWEB.shadow.slice();
    a.node.port.postMessage({ring: ring, start: true}, [ring.buffer]);
    FMWEB.ring = {pcm: pcm, bytes: bytes};
    FM.ringPosted = 0;
  },

  // What the player rewrote in the ring since the last refresh (the blocks
  // the listener has left, once around the ring from where they are heard
  // next) goes to the worklet as runs of changed 1024-sample chunks, not
  // the whole ring (2 s of sound) every frame. FM.ringPosted counts the
  // bytes posted.
  web_audio_refresh__deps: ['$FMWEB'],
  web_audio_refresh: function () {
    var r = FMWEB.ring;
    if (!r) return;
    var ring = HEAP16.subarray(r.pcm >> 1, (r.pcm + r.bytes) >> 1), old = FMWEB.shadow;
    var n = ring.length, CHUNK = 1024, from = -1;
    function post(to) {
      var part = ring.slice(from, to);
      old.set(part, from);
      FM.ringPosted += part.length * 2;
      FM.audio.node.port.postMessage({at: from, part: part}, [part.buffer]);
      from = -1;
    }
    for (var at = 0; at < n; at += CHUNK) {
      var end = Math.min(n, at + CHUNK), changed = false;
      for (var i = at; i < end; ++i)
        if (ring[i] !== old[i]) { changed = true; break; }
      if (changed && from < 0) from = at;
      else if (!changed && from >= 0) post(at);
    }
    if (from >= 0) post(n);
  },

  // Seconds of the ring heard so far by the audio clock as it reaches the
  // speakers (getOutputTimestamp); -1 while nothing plays.
  web_audio_seconds__deps: ['$FMWEB'],
  web_audio_seconds: function () {
    if (!FMWEB.ring || FMWEB.startTime < 0) return -1;
    var ctx = FM.audio.context;
    var t = ctx.currentTime;
    if (ctx.getOutputTimestamp) {
      var ts = ctx.getOutputTimestamp();
      if (ts.contextTime > 0) t = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    FM.audioTime = t;
    return t - FMWEB.startTime;
  },

  // Bytes heard since the ring started, by that clock, never going back.
  web_audio_heard_bytes__deps: ['$FMWEB', 'web_audio_seconds'],
  web_audio_heard_bytes: function () {
    var seconds = _web_audio_seconds();
    FMWEB.heardBefore = FMWEB.heardNow;
    FMWEB.heardNow = seconds;
    if (seconds < 0) return 0;
    var frames = Math.floor(seconds * FMWEB.rate);
    var bytes = Math.max(FMWEB.lastBytes, frames * 4);
    FMWEB.lastBytes = bytes;
    FM.bytesPlayed = bytes;
    return bytes;
  },

  web_audio_stop__deps: ['$FMWEB'],
  web_audio_stop: function () {
    FMWEB.ring = null;
    if (window.FM && FM.audio && FM.audio.node) FM.audio.node.port.postMessage({stop: true});
  },
});
