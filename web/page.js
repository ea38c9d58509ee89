// page.js - the page around the intro (index.html): checks that the browser
// can play it, loads the program with its download progress, asks the start
// question, runs the program (frostmere.js, a fresh instance of the one
// compiled module for every show, so a replay starts from a clean state with
// nothing left over from the show before), and shows the end screen or a
// failure's message. The program's side is src/platform/web/web_platform.js.
//
// window.FM is what the program and the tests read:
//   state      'loading', 'ready' (start question), 'playing', 'ended', 'failed'
//   failure    the title of the message shown, once failed
//   answer     6 (fullscreen) or 7 (in the page) for the program's question
//   runs       shows started; frames, song, offsets: the current show's
//   escape     set to end the show (Escape, leaving fullscreen, a failure)
//   now()      the show's clock in ms: performance.now() without hidden time
//   capture    the frame-exact mode's request (index.html?capture=1)
(function () {
  'use strict';
  var query = new URLSearchParams(location.search);
  function $(id) { return document.getElementById(id); }
  var FM = window.FM = {
    state: 'loading', answer: 0, runs: 0, frames: 0, bytesPlayed: 0, audio: null,
    escape: false, hiddenMs: 0, hiddenSince: -1, fullscreen: false,
  };

  FM.now = function () {
    return (FM.hiddenSince >= 0 ? FM.hiddenSince : performance.now()) - FM.hiddenMs;
  };

  function show(id) {
    ['start', 'failed', 'ended'].forEach(function (s) { $(s).hidden = s !== id; });
  }

  function stopSound() {
    if (FM.audio && FM.audio.context && FM.audio.context.state === 'running')
      FM.audio.context.suspend();
  }

  function enterFullscreen() {
    var s = $('stage');
    if (s.requestFullscreen && !document.fullscreenElement)
      s.requestFullscreen().catch(function () {});
  }

  function leaveFullscreen() {
    if (document.fullscreenElement && document.exitFullscreen)
      document.exitFullscreen().catch(function () {});
  }

  // Says on the page what went wrong and what to do, ends the show and its
  // sound. The first failure is the one shown.
  FM.fail = function (title, text, reload) {
    if (FM.state === 'failed') return;
    FM.state = 'failed';
    FM.failure = title;
    FM.escape = true;
    stopSound();
    leaveFullscreen();
    $('failed-title').textContent = title;
    $('failed-text').textContent = text;
    $('reload').hidden = !reload;
    show('failed');
    console.warn('frostmere: ' + title + ': ' + text);
  };
  $('reload').onclick = function () { location.reload(); };

  // The program closed its window: the show is over, or it never started.
  FM.ended = function () {
    FM.windowClosed = true;
    if (FM.capture || FM.state === 'failed') return;
    FM.state = 'ended';
    stopSound();
    leaveFullscreen();
    show('ended');
  };

  // What this browser lacks to play the intro, as [title, text], or null.
  function missing() {
    if (!window.isSecureContext || typeof AudioWorkletNode === 'undefined')
      return ['This page cannot play sound from here',
              'Browsers give a page its sound only when it comes from an https:// address or ' +
              'from this computer (http://localhost). Open the intro from such an address.'];
    if (!document.createElement('canvas').getContext('webgl2'))
      return ['This browser has no WebGL 2',
              'The intro draws with WebGL 2. Open it in a current Chrome, Firefox, Edge or ' +
              'Safari with hardware acceleration turned on.'];
    if (typeof WebAssembly !== 'object')
      return ['This browser runs no WebAssembly', 'Open the intro in a current browser.'];
    return null;
  }

  function progress(got, total) {
    var kb = Math.round(got / 1024);
    $('progress').value = total ? got / total : 0;
    if (!total) $('progress').removeAttribute('value');
    $('loading').textContent = 'Loading the intro… ' + kb + ' KB' +
      (total ? ' of ' + Math.round(total / 1024) + ' KB' : '');
  }

  function script(src) {
    return new Promise(function (resolve, reject) {
      var s = document.createElement('script');
      s.src = src;
      s.onload = resolve;
      s.onerror = function () { reject(new Error(src + ' did not load')); };
      document.body.appendChild(s);
    });
  }

  // Fetches and compiles the program once; every show instantiates it anew.
  // A compressed download has no known total, so only its bytes are shown.
  function load() {
    return fetch('frostmere.wasm').then(function (r) {
      if (!r.ok) throw new Error('frostmere.wasm: HTTP ' + r.status);
      var total = r.headers.get('Content-Encoding') ? 0 : +(r.headers.get('Content-Length') || 0);
      var reader = r.body.getReader(), parts = [], got = 0;
      function next() {
        return reader.read().then(function (d) {
          if (d.done) return new Blob(parts).arrayBuffer();
          parts.push(d.value);
          got += d.value.length;
          progress(got, total);
          return next();
        });
      }
      return next();
    }).then(function (bytes) {
      return WebAssembly.compile(bytes);
    }).then(function (module) {
      FM.wasm = module;
      return script('frostmere.js');
    });
  }

  function loadFailed(e) {
    FM.fail('The intro did not load', 'Its program could not be downloaded or started (' +
            (e && e.message ? e.message : e) + '). Check the connection and reload the page.', true);
  }

  // A new canvas for every show: a fresh WebGL context, none of the last
  // show's textures, lists or buffers.
  function freshCanvas() {
    var old = $('canvas'), c = document.createElement('canvas');
    c.id = 'canvas';
    c.width = 640;
    c.height = 480;
    c.addEventListener('webglcontextlost', function (e) {
      e.preventDefault();
      if (FM.state === 'playing')
        FM.fail('The graphics were lost', 'The browser took the intro\'s WebGL context away ' +
                '(a graphics driver reset, or too little memory). Reload the page to watch again.',
                true);
    });
    old.parentNode.replaceChild(c, old);
    return c;
  }

  function run() {
    FM.runs++;
    FM.state = 'playing';
    FM.escape = false;
    FM.windowClosed = false;
    FM.song = null;
    FM.offsets = [];
    var canvas = freshCanvas();
    window.FrostmereModule({
      canvas: canvas,
      print: function (t) { console.log(t); },
      printErr: function (t) { console.warn(t); },
      instantiateWasm: function (imports, done) {
        WebAssembly.instantiate(FM.wasm, imports).then(function (i) { done(i, FM.wasm); }, loadFailed);
        return {};
      },
      onAbort: function (what) {
        FM.fail('The intro stopped', 'Its program failed (' + what + '). Reload the page to ' +
                'watch again.', true);
      },
    }).catch(loadFailed);
  }

  // The AudioContext at the player's rate with the ring worklet, made (or
  // resumed) in the click, so the browser lets it play.
  function startAudio() {
    var a = FM.audio;
    if (a && a.ready) {
      a.context.resume();
      return;
    }
    a = FM.audio = {ready: false, failed: false};
    function failed(e) {
      a.failed = true;
      FM.fail('The sound could not start', 'The browser refused the intro its sound (' + e +
              '). Reload the page, or try another browser.', true);
    }
    try {
      a.context = new AudioContext({sampleRate: 44100, latencyHint: 'interactive'});
      a.context.audioWorklet.addModule('ring_player.js').then(function () {
        a.node = new AudioWorkletNode(a.context, 'ring-player', {outputChannelCount: [2]});
        a.node.connect(a.context.destination);
        return a.context.resume();
      }).then(function () { a.ready = true; }, failed);
    } catch (e) {
      failed(e);
    }
  }

  function start(full) {
    if (FM.state !== 'ready' && FM.state !== 'ended') return;
    FM.fullscreen = full;
    startAudio();
    if (full) enterFullscreen();
    show(null);
    FM.answer = full ? 6 : 7;
    if (FM.state !== 'failed') run();
  }
  $('yes').onclick = function () { start(true); };
  $('no').onclick = function () { start(false); };
  $('again').onclick = function () { start(FM.fullscreen); };

  // Escape ends the show. In fullscreen the browser takes the Escape to
  // leave fullscreen, so leaving it ends the show as well: one press either
  // way. Any other key or a double-click goes (back) into fullscreen.
  var MODIFIERS = ['Shift', 'Control', 'Alt', 'Meta', 'AltGraph', 'CapsLock'];
  addEventListener('keydown', function (e) {
    if (FM.state !== 'playing' || FM.capture) return;
    if (e.key === 'Escape') FM.escape = true;
    else if (MODIFIERS.indexOf(e.key) < 0) enterFullscreen();
  });
  $('stage').addEventListener('dblclick', function () {
    if (FM.state === 'playing' && !FM.capture) enterFullscreen();
  });
  document.addEventListener('fullscreenchange', function () {
    if (!document.fullscreenElement && FM.state === 'playing') FM.escape = true;
  });

  // A hidden page gets no animation frames: the show and its sound pause
  // together (the audio clock stops, the show's clock leaves the hidden time
  // out) and go on in step when it is shown again.
  document.addEventListener('visibilitychange', function () {
    if (FM.capture) return;
    var context = FM.audio && FM.audio.ready ? FM.audio.context : null;
    if (document.hidden) {
      if (FM.hiddenSince < 0) FM.hiddenSince = performance.now();
      if (context && FM.state === 'playing') context.suspend();
    } else {
      if (FM.hiddenSince >= 0) FM.hiddenMs += performance.now() - FM.hiddenSince;
      FM.hiddenSince = -1;
      if (context && FM.state === 'playing') context.resume();
    }
  });

  if (query.get('capture') === '1') {
    FM.capture = {
      fps: parseInt(query.get('fps') || '60', 10),
      frames: (query.get('frames') || '').split(',').filter(function (f) { return f !== ''; })
        .map(function (f) { return parseInt(f, 10); }),
      maxFrames: parseInt(query.get('max') || '0', 10),
      shots: {},
      stop: false,
    };
    FM.log = [];
    load().then(run, loadFailed);
  } else {
    var lacking = missing();
    if (lacking) {
      FM.fail(lacking[0], lacking[1], false);
    } else {
      show('start');
      load().then(function () {
        if (FM.state !== 'loading') return;
        FM.state = 'ready';
        $('yes').disabled = $('no').disabled = false;
        $('progress').hidden = true;
        $('loading').textContent = '';
      }, loadFailed);
    }
  }
})();
