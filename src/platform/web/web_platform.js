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

  // Unwinds to the browser until the next animation frame (ASYNCIFY).
  web_wait_frame__deps: ['$FMWEB'],
  web_wait_frame: function () {
    FMWEB.frames++;
    FM.frames = FMWEB.frames;
    return Asyncify.handleSleep(function (wakeUp) {
      requestAnimationFrame(function () { wakeUp(); });
    });
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
    a.node.port.onmessage = function (e) {
      if (e.data.started !== undefined) FMWEB.startTime = e.data.started;
    };
    a.node.port.postMessage({ring: HEAP16.slice(pcm >> 1, (pcm + bytes) >> 1), start: true});
    FMWEB.ring = {pcm: pcm, bytes: bytes};
  },

  // The ring as the player has it now: the worklet takes the new copy, whose
  // blocks ahead of the listener are unchanged, at its next quantum.
  web_audio_refresh__deps: ['$FMWEB'],
  web_audio_refresh: function () {
    var r = FMWEB.ring;
    if (!r) return;
    FM.audio.node.port.postMessage({ring: HEAP16.slice(r.pcm >> 1, (r.pcm + r.bytes) >> 1)});
  },

  // Bytes heard since the ring started: the audio clock as it reaches the
  // speakers (getOutputTimestamp), never going back.
  web_audio_heard_bytes__deps: ['$FMWEB'],
  web_audio_heard_bytes: function () {
    if (!FMWEB.ring || FMWEB.startTime < 0) return 0;
    var ctx = FM.audio.context;
    var t = ctx.currentTime;
    if (ctx.getOutputTimestamp) {
      var ts = ctx.getOutputTimestamp();
      if (ts.contextTime > 0) t = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    var frames = Math.floor((t - FMWEB.startTime) * FMWEB.rate);
    var bytes = Math.max(FMWEB.lastBytes, frames * 4);
    FMWEB.lastBytes = bytes;
    FM.bytesPlayed = bytes;
    FM.audioTime = t;
    return bytes;
  },

  web_audio_stop__deps: ['$FMWEB'],
  web_audio_stop: function () {
    FMWEB.ring = null;
    if (window.FM && FM.audio && FM.audio.node) FM.audio.node.port.postMessage({stop: true});
  },
});
