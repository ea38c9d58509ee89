// web_platform.js - the page side of the browser backend (an emscripten JS
// library, linked with --js-library): the answer to the start question
// given by the page's buttons, frame waits on requestAnimationFrame, the
// keyboard, glyphs drawn with canvas text, and the sound: an AudioContext
// whose AudioWorklet (web/ring_player.js) loops the player's ring, and the
// heard position read back from the audio clock. State the page and the
// tests read is on window.FM (see web/page.js).
mergeInto(LibraryManager.library, {
  $FMWEB: {
    frames: 0,
    ring: null,          // the worklet's node once playing
    startTime: -1,       // audio clock time of the ring's first frame
    rate: 44100,
    lastBytes: 0,
    lastRaf: -1,         // the latest animation frame's time (ms)
    interval: 16.7,      // and the time between them, followed smoothly
    lastCycle: null,     // {heard, claimed} seconds at the player's latest cycle
    shownCycle: null,    // and at the one before: what the frame on screen shows
    glyphCanvas: null,
  },

  // Seconds of the ring heard at performance time `when` by the audio clock
  // as it reaches the speakers (getOutputTimestamp), never past what the
  // worklet has played (a suspended context's stale stamp would run on);
  // -1 while nothing plays.
  $fm_heard_at__deps: ['$FMWEB'],
  $fm_heard_at: function (when) {
    if (!FMWEB.ring || FMWEB.startTime < 0) return -1;
    var ctx = FM.audio.context, t = ctx.currentTime;
    if (ctx.getOutputTimestamp) {
      var ts = ctx.getOutputTimestamp();
      if (ts.contextTime > 0)
        t = Math.min(t, ts.contextTime + (when - ts.performanceTime) / 1000);
    }
    return t - FMWEB.startTime;
  },

  web_page_setup__deps: ['$FMWEB'],
  web_page_setup: function () {
    FM.frames = 0;
    FM.bytesPlayed = 0;
    FMWEB.frames = 0;
    FMWEB.lastRaf = -1;
  },

  // 0 while the page's start buttons are unanswered, else 6 (yes) or 7 (no).
  web_answer: function () {
    return FM.answer || 0;
  },

  // 1 once when the page asks the show to end (Escape, leaving fullscreen,
  // a failure shown on the page).
  web_take_escape: function () {
    var e = FM.escape;
    FM.escape = false;
    return e ? 1 : 0;
  },

  // The program's message boxes end the show: the page shows them instead.
  web_message: function (caption, text) {
    FM.fail(UTF8ToString(caption), UTF8ToString(text), true);
  },

  web_now_ms: function () { return FM.now(); },

  // Unwinds to the browser until the next animation frame (ASYNCIFY). In
  // the frame-exact mode no frame waits for the display: the browser only
  // gets its turn (a message to ourselves, which setTimeout would clamp).
  // At each animation frame the one before it is on screen: its song
  // position against the one heard then goes on FM.offsets (ms; see
  // web_audio_heard_bytes), and the time between frames is followed.
  web_wait_frame__deps: ['$FMWEB', '$fm_heard_at'],
  web_wait_frame: function () {
    // Counted in the callback: the import is called again when the stack
    // is rewound, and only the callback runs once per wait.
    return Asyncify.handleSleep(function (wakeUp) {
      FMWEB.frames++;
      FM.frames = FMWEB.frames;
      if (!FM.capture) {
        requestAnimationFrame(function (now) {
          var shown = FMWEB.shownCycle, heard = fm_heard_at(now);
          if (shown && heard >= 0 && FM.offsets) {
            FM.offsets.push([1000 * (shown.heard - heard), 1000 * (shown.claimed - heard)]);
            if (FM.offsets.length > 4000) FM.offsets.splice(0, 1000);
          }
          if (FMWEB.lastRaf >= 0 && now - FMWEB.lastRaf < 250)
            FMWEB.interval += 0.2 * (now - FMWEB.lastRaf - FMWEB.interval);
          FMWEB.lastRaf = now;
          wakeUp();
        });
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
      // A new order: the rows into it and one to get there (a frame seldom
      // spans more than the old order's last row).
      else s.rows += row + 1;
    } else if (order >= 0) {
      s.rows = row;
    }
    s.order = order;
    s.row = row;
    s.entry = entry;
    s.seconds = FMWEB.shownCycle ? FMWEB.shownCycle.claimed : -1;
    if (FM.capture)
      FM.log.push((FMWEB.frames - 1) + ' ' + elapsed_ms + ' ' + frame_ms + ' ' + order + ' ' +
                  row + ' ' + entry);
  },

  // The program closed its window: the show is over (or never started).
  web_window_closed: function () {
    FM.ended();
  },

  // Frames per second of the frame-exact mode the page asked for; 0 for
  // the real-time page.
  web_capture_fps: function () {
    return FM.capture ? FM.capture.fps : 0;
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

  // The canvas font for a family or a "Family:style=Condensed Bold" entry
  // of face_table.h (or a generic family) at px pixels; with `only`, the
  // same style in the generic family `only` alone.
  $fm_font: function (entry, px, only) {
    var parts = entry.split(':style='), style = parts[1] || '', name = parts[0];
    var generic = ['serif', 'sans-serif', 'monospace'].indexOf(name) >= 0;
    return (/Condensed/.test(style) ? 'condensed ' : '') + (/Bold/.test(style) ? 'bold ' : '') +
      px + 'px ' + (only || (generic ? name : "'" + name + "'"));
  },

  $fm_glyph_context__deps: ['$FMWEB'],
  $fm_glyph_context: function () {
    if (!FMWEB.glyphCanvas) {
      FMWEB.glyphCanvas = document.createElement('canvas');
      FMWEB.glyphCanvas.width = 512;
      FMWEB.glyphCanvas.height = 256;
    }
    return FMWEB.glyphCanvas.getContext('2d', {willReadFrequently: true});
  },

  // 1 when the browser has the family (its text is set wider or narrower
  // than in either generic family the browser falls back to).
  web_font_available__deps: ['$fm_font', '$fm_glyph_context'],
  web_font_available: function (family) {
    var ctx = fm_glyph_context(), entry = UTF8ToString(family), text = 'mmmmmwwwwwlllli10OQ@';
    return ['monospace', 'serif'].some(function (fallback) {
      ctx.font = fm_font(entry, 100, fallback);
      var plain = ctx.measureText(text).width;
      ctx.font = fm_font(entry, 100) + ', ' + fallback;
      return ctx.measureText(text).width !== plain;
    }) ? 1 : 0;
  },

  // Rasterises one character with canvas text: a cell of `height` pixels
  // (ascent plus descent, as GDI's cell height), squeezed horizontally by
  // `squeeze`, its coverage thresholded to one bit. Writes the alpha bytes
  // top-down into out (at most max bytes) and width, height, left, top
  // (baseline to the top row) and advance into info; 0 when nothing fits.
  web_glyph__deps: ['$fm_font', '$fm_glyph_context'],
  web_glyph: function (family, height, squeeze, code, out, max, info) {
    var ctx = fm_glyph_context(), entry = UTF8ToString(family);
    ctx.font = fm_font(entry, 100);
    var m = ctx.measureText('Hg');
    var cell = (m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) || 115;
    ctx.font = fm_font(entry, height * 100 / cell);
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
    if (!FM.audio || FM.audio.failed) return -1;
    return FM.audio.ready ? 1 : 0;
  },

  web_audio_play__deps: ['$FMWEB'],
  web_audio_play: function (pcm, bytes) {
    var a = FM.audio;
    FMWEB.rate = a.context.sampleRate;
    FMWEB.startTime = -1;
    FMWEB.lastBytes = 0;
    FMWEB.lastCycle = FMWEB.shownCycle = null;
    a.node.port.onmessage = function (e) {
      if (e.data.started !== undefined) FMWEB.startTime = e.data.started;
    };
    // The worklet's copy and ours, which tells what the player rewrites.
    FMWEB.shadow = HEAP16.slice(pcm >> 1, (pcm + bytes) >> 1);
    var ring = FMWEB.shadow.slice();
    a.node.port.postMessage({ring: ring, start: true}, [ring.buffer]);
    FMWEB.ring = {pcm: pcm, bytes: bytes, frames: bytes >> 2, heard: 0, ahead: 0};
    FM.ringPosted = 0;
  },

  // What the player rewrote in the ring since the last refresh goes to the
  // worklet as runs of changed 1024-sample chunks, not the whole ring (2 s
  // of sound) every frame. The player is told a position ahead of the one
  // heard (see web_audio_heard_bytes), so it also rewrites blocks still to
  // be played from the sound it made a ring before: those chunks wait until
  // the worklet has played them. FM.ringPosted counts the bytes posted.
  web_audio_refresh__deps: ['$FMWEB'],
  web_audio_refresh: function () {
    var r = FMWEB.ring;
    if (!r) return;
    var ring = HEAP16.subarray(r.pcm >> 1, (r.pcm + r.bytes) >> 1), old = FMWEB.shadow;
    var n = ring.length, CHUNK = 1024, from = -1;
    // Frames kept back: from a chunk before the one heard to a chunk past
    // the later of the position told and the one the worklet plays.
    var frames = r.frames, keepFrom = r.heard - CHUNK, keep = r.ahead - keepFrom + 2 * CHUNK;
    function kept(at) {
      var d = (((at >> 1) - keepFrom) % frames + frames) % frames;
      return d < keep || frames - d < CHUNK / 2;
    }
    function post(to) {
      var part = ring.slice(from, to);
      old.set(part, from);
      FM.ringPosted += part.length * 2;
      FM.audio.node.port.postMessage({at: from, part: part}, [part.buffer]);
      from = -1;
    }
    for (var at = 0; at < n; at += CHUNK) {
      var end = Math.min(n, at + CHUNK), changed = false;
      if (!kept(at))
        for (var i = at; i < end; ++i)
          if (ring[i] !== old[i]) { changed = true; break; }
      if (changed && from < 0) from = at;
      else if (!changed && from >= 0) post(at);
    }
    if (from >= 0) post(n);
  },

  // The bytes the player is told were played: where the sound will be when
  // the next frame reaches the screen (the frame drawn at the next animation
  // frame is shown at the one after it), so the picture is placed at what
  // is heard with it rather than a frame or two behind. Never going back.
  web_audio_heard_bytes__deps: ['$FMWEB', '$fm_heard_at'],
  web_audio_heard_bytes: function () {
    var r = FMWEB.ring, now = performance.now(), heard = fm_heard_at(now);
    if (!r || heard < 0) return 0;
    var shown = FMWEB.lastRaf >= 0 ? FMWEB.lastRaf + 2 * FMWEB.interval : now;
    var lead = Math.min(0.5, Math.max(0, (shown - now) / 1000));
    FMWEB.shownCycle = FMWEB.lastCycle;
    FMWEB.lastCycle = {heard: heard, claimed: heard + lead};
    var played = FM.audio.context.currentTime - FMWEB.startTime;
    r.heard = Math.floor(heard * FMWEB.rate);
    r.ahead = Math.floor(Math.max(heard + lead, played) * FMWEB.rate);
    var bytes = Math.max(FMWEB.lastBytes, Math.floor((heard + lead) * FMWEB.rate) * 4);
    FMWEB.lastBytes = bytes;
    FM.bytesPlayed = bytes;
    return bytes;
  },

  web_audio_stop__deps: ['$FMWEB'],
  web_audio_stop: function () {
    FMWEB.ring = null;
    if (FM.audio && FM.audio.node) FM.audio.node.port.postMessage({stop: true});
  },
});
