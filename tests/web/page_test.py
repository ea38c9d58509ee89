#!/usr/bin/python3
# page_test.py - the intro's page in headless Chromium, driven over the
# DevTools protocol (Debian's python3-websocket; no downloads), served by
# scripts/serve-web's handler (precompressed files where they exist).
#
# In its frame-exact mode (index.html?capture=1) the page runs the whole
# show in virtual time; the test wants
#   - the timeline to reach its terminator, its log (song order and row and
#     timeline entry of every frame) equal to frostmere-capture --log's,
#   - six frames across the show close to the Linux capture's at the same
#     frame numbers (FRAMES below: how close, and why not exact).
# A browser without WebGL 2, the page on an insecure origin and a program
# that does not download each show their message and no start buttons.
# Then in real time, answering the start question with a click:
#   - the loading screens and the show draw frames (the canvas is not black),
#   - the song's order and row follow the audio clock at the song's pace
#     (neither stuck nor running away), and the picture is placed where the
#     sound is heard (the offset is printed before and after placing it),
#   - hidden for several seconds, the page plays no sound; what the
#     worklet put out before and after is the song in order, sample for
#     sample as frostmere-capture --soundtrack renders it, and the picture
#     follows the sound again,
#   - the end screen comes after the show; "Play again" plays it again;
#     the canvas fits the window at 4:3 in a small and a large window and
#     at device pixel ratio 2, with its backing store at that ratio;
#     Escape ends the show on the end screen, whose button is reachable in
#     the small window; a lost WebGL context shows its message and stops
#     the sound,
#   - the console shows no errors and no exceptions are thrown.
# It writes the frames of both builds and screenshots to OUT (their paths
# are printed), with the page's size and its frame rates in headless
# Chromium (reported, never asserted: the machine's load decides them).
#   tests/web/page_test.py BUILD_WEB_DIR OUT_DIR [LINUX_FROSTMERE_CAPTURE]
import base64
import functools
import importlib.machinery
import importlib.util
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import wave

import websocket

from frame_compare import OVER, frame_difference, png_rgb

BUILD, OUT = sys.argv[1], sys.argv[2]
LINUX_CAPTURE = sys.argv[3] if len(sys.argv) > 3 else None

# The frames compared (True: mostly text) and how close each must be. The
# rasterisers differ at triangle edges and in which mipmap level a texel
# comes from (SwiftShader here, llvmpipe for Linux): a scene may have a mean
# difference of SCENE_MEAN levels of 255 and SCENE_OVER of its pixels more
# than OVER apart (they measure at most 3.8 and 2.6%; without its sky the
# forest is 34 and 27%). Text is canvas text on the page and FreeType on
# Linux, each glyph thresholded to one bit, and the advances differ by a
# pixel here and there, so a line of text ends a few pixels off and pixel
# by pixel the closing screen is as far from Linux's as a black frame is.
# Text frames are compared as 16x16 squares' average colours instead:
# at most TEXT_BLOCKS apart (they measure 4.8; a black frame 24.6).
FRAMES = [
    (40, 'loading screen', False),
    (235, 'forest walk', False),
    (635, 'invitation', False),
    (760, 'talk', False),
    (835, 'silhouette', False),
    (1685, 'closing', True),
]
# Both run at 30 frames a second, to keep the test short on two cores: the
# whole show is then about 1850 frames, which headless Chromium draws in
# about a minute. The loading screen takes 71 frames at any rate; the
# show's frames are then half as many as at 60.
FPS = 30
SCENE_MEAN, SCENE_OVER = 6.0, 0.05
TEXT_BLOCKS = 10.0
# One row of the song: speed 6 at 136 BPM (ticks of 2.5 / BPM seconds).
ROW_SECONDS = 6 * 2.5 / 136
# A name the browser resolves to this machine: not a secure origin, so the
# page may not play sound there.
INSECURE_HOST = 'MAP frostmere.test 127.0.0.1'
# Seconds the page is hidden, and the windows it must fit (CSS pixels and
# device pixel ratio), the small one last: the end screen is seen in it.
HIDDEN = 5
WINDOWS = [(1600, 1000, 1), (800, 600, 2), (520, 420, 1)]
SCREENSHOTS = []


HERE = os.path.dirname(os.path.abspath(__file__))


def serve():
    # scripts/serve-web's own handler, on a free port.
    path = os.path.join(HERE, '..', '..', 'scripts', 'serve-web')
    loader = importlib.machinery.SourceFileLoader('serve_web', path)
    serve_web = importlib.util.module_from_spec(importlib.util.spec_from_loader('serve_web', loader))
    loader.exec_module(serve_web)
    server = serve_web.http.server.ThreadingHTTPServer(
        ('127.0.0.1', 0), functools.partial(serve_web.Handler, directory=BUILD))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix='fm-chromium-')
        self.proc = subprocess.Popen(
            ['chromium', '--headless=new', '--no-sandbox', '--use-angle=swiftshader',
             '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
             '--remote-debugging-port=0', '--user-data-dir=' + self.profile,
             '--window-size=800,600', '--no-first-run', '--host-resolver-rules=' + INSECURE_HOST,
             'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(self.profile, 'DevToolsActivePort')
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().strip():
                break
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        targets = json.load(urllib.request.urlopen(f'http://127.0.0.1:{port}/json'))
        page = next(t for t in targets if t['type'] == 'page')
        # Long: on a loaded machine the renderer may wait a minute for
        # SwiftShader's process before it answers.
        self.ws = websocket.create_connection(page['webSocketDebuggerUrl'], timeout=300)
        self.next_id = 0
        self.errors = []
        self.console = []

    def event(self, message):
        method, params = message.get('method'), message.get('params', {})
        if method == 'Runtime.consoleAPICalled':
            text = ' '.join(str(a.get('value', a.get('description', ''))) for a in params['args'])
            self.console.append(f"{params['type']}: {text}")
            if params['type'] == 'error':
                self.errors.append(text)
        elif method == 'Runtime.exceptionThrown':
            d = params['exceptionDetails']
            self.errors.append(d.get('exception', {}).get('description', d.get('text')))
        elif method == 'Log.entryAdded' and params['entry']['level'] == 'error':
            self.errors.append(params['entry']['text'])

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get('result', {})
            self.event(message)

    def js(self, expression, wait_promise=False):
        r = self.call('Runtime.evaluate', expression=expression, returnByValue=True,
                      userGesture=True, awaitPromise=wait_promise)
        return r.get('result', {}).get('value')

    def wait(self, expression, seconds):
        end = time.time() + seconds
        while time.time() < end:
            if self.js(expression):
                return True
            time.sleep(0.2)
        return False

    def screenshot(self, name):
        # The whole window; its path is kept to be printed at the end.
        path = os.path.abspath(os.path.join(OUT, name + '.png'))
        r = self.call('Page.captureScreenshot', format='png')
        with open(path, 'wb') as f:
            f.write(base64.b64decode(r['data']))
        SCREENSHOTS.append(path)

    def close(self):
        # Debian's chromium is a script that may run the browser as its
        # child, which outlives the script: the whole process group goes.
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(self.proc.pid, sig)
            except ProcessLookupError:
                break
            time.sleep(2)
        self.proc.wait(10)
        shutil.rmtree(self.profile, ignore_errors=True)


def canvas_lit():
    # Pixels of the canvas that are not black, read through a 2-D copy.
    return ("(function(){var c=document.getElementById('canvas');var t=document.createElement"
            "('canvas');t.width=160;t.height=120;var x=t.getContext('2d');x.drawImage(c,0,0,160,"
            "120);var d=x.getImageData(0,0,160,120).data;var n=0;for(var i=0;i<d.length;i+=4)"
            "if(d[i]|d[i+1]|d[i+2])n++;return n;})()")


class Result:
    def __init__(self):
        self.passed = 0
        self.failures = []

    def check(self, ok, failure):
        if ok:
            self.passed += 1
        else:
            self.failures.append(failure)
        return ok


def linux_capture(frames):
    # The Linux capture tool's frames and log of the whole show.
    out = os.path.join(OUT, 'linux')
    os.makedirs(out, exist_ok=True)
    log = os.path.join(out, 'frames.txt')
    subprocess.run([LINUX_CAPTURE, '--quiet', '--fps', str(FPS), '--out', out, '--frames', frames,
                    '--log', log], check=True, stdout=subprocess.DEVNULL)
    return out, [line for line in open(log).read().splitlines() if not line.startswith('#')]


def frame_exact(browser, url, result):
    frames = ','.join(str(f[0]) for f in FRAMES)
    linux_dir, linux_log = linux_capture(frames) if LINUX_CAPTURE else (None, None)
    web_dir = os.path.join(OUT, 'web')
    os.makedirs(web_dir, exist_ok=True)
    browser.call('Page.navigate', url=f'{url}?capture=1&fps={FPS}&frames={frames}')
    started = time.time()
    ended = browser.wait('FM.windowClosed === true', 420)
    seconds = time.time() - started
    log = browser.js('FM.log') or []
    print(f'page: frame-exact run, {len(log)} frames in {seconds:.1f} s '
          f'({len(log) / seconds:.1f} frames per second in headless Chromium)')
    if not result.check(ended, f'the frame-exact run did not end ({len(log)} frames)'):
        return
    if linux_log is not None:
        differ = [i for i in range(max(len(log), len(linux_log)))
                  if i >= len(log) or i >= len(linux_log) or log[i] != linux_log[i]]
        first = differ[0] if differ else 0
        result.check(not differ, f'{len(differ)} lines of the log differ from the Linux '
                     f'capture\'s, first frame {first}: page '
                     f'"{log[first] if first < len(log) else "-"}", Linux '
                     f'"{linux_log[first] if first < len(linux_log) else "-"}"')
        print(f'page: the log of {len(log)} frames (song order, row, timeline entry) '
              f'{"matches" if not differ else "differs from"} the Linux capture\'s; it ends '
              f'on entry {log[-1].split()[-1]}, the terminator')
    for frame, what, text in FRAMES:
        url_data = browser.js(f'FM.capture.shots[{frame}] || ""')
        web_png = os.path.join(web_dir, f'frame-{frame:06d}.png')
        if not result.check(url_data.startswith('data:image/png;base64,'),
                            f'frame {frame} was not given back'):
            continue
        with open(web_png, 'wb') as f:
            f.write(base64.b64decode(url_data.split(',', 1)[1]))
        if not linux_dir:
            print(f'page: frame {frame} ({what}) {os.path.abspath(web_png)}, not compared')
            continue
        linux_png = os.path.join(linux_dir, f'frame-{frame:06d}.png')
        d = frame_difference(png_rgb(web_png), png_rgb(linux_png))
        if text:
            limits = f'text: squares at most {TEXT_BLOCKS} apart'
            ok = d['blocks'] <= TEXT_BLOCKS
        else:
            limits = f'at most {SCENE_MEAN} and {100 * SCENE_OVER:.0f}%'
            ok = d['mean'] <= SCENE_MEAN and d['over'] <= SCENE_OVER
        print(f'page: frame {frame} ({what}): mean difference {d["mean"]:.2f}, '
              f'{100 * d["over"]:.2f}% of pixels more than {OVER} apart, squares '
              f'{d["blocks"]:.2f} apart ({limits})\n  web   {os.path.abspath(web_png)}'
              f'\n  linux {os.path.abspath(linux_png)}')
        result.check(ok, f'frame {frame} ({what}) is too far from the Linux capture\'s')


def sound_check(browser, result):
    # The song's position as rows moved, against the audio clock's seconds
    # since the ring started: stuck, running away or shown ahead of (or
    # behind) what is heard all fail. Each side may be off by a row (the
    # position is per 20 ms block and per frame), and a frame shown before
    # the next turn of the audio clock lags it: 3 rows (a third of a second)
    # are allowed on what was moved and 4 on where it is.
    if not result.check(browser.wait('FM.song && FM.song.seconds > 6', 120),
                        'the song position never reached 6 s'):
        return
    a = browser.js('[FM.song.rows, FM.song.seconds, FM.frames, performance.now()]')
    time.sleep(4)
    b = browser.js('[FM.song.rows, FM.song.seconds, FM.frames, performance.now(), '
                   'FM.song.order, FM.song.row, FM.ringPosted, FM.bytesPlayed]')
    moved, expected = b[0] - a[0], (b[1] - a[1]) / ROW_SECONDS
    fps = (b[2] - a[2]) / ((b[3] - a[3]) / 1000)
    print(f'page: the song moved {moved} rows in {b[1] - a[1]:.3f} s of the audio clock '
          f'({expected:.1f} expected at {ROW_SECONDS * 1000:.1f} ms a row); at '
          f'{b[1]:.3f} s it is at order {b[4]} row {b[5]}, {b[0]} rows in '
          f'({b[1] / ROW_SECONDS:.1f} expected)')
    print(f'page: {fps:.1f} frames per second in real time in headless Chromium '
          f'({1000 / fps if fps else 0:.1f} ms a frame); '
          f'{b[6] / max(b[2], 1) / 1024:.1f} KB of sound posted to the worklet a frame '
          f'(the ring is {2 * 44100 * 4 // 1024} KB)')
    result.check(moved > 0, 'the song position is stuck')
    result.check(abs(moved - expected) <= 3, f'the song moved {moved} rows where the audio '
                 f'clock says {expected:.1f}')
    result.check(abs(b[0] - b[1] / ROW_SECONDS) <= 4, f'the song is at row {b[0]} where the '
                 f'audio clock says {b[1] / ROW_SECONDS:.1f}')


def messages(browser, url, result):
    # Each case loads the page as a browser that cannot play it would: the
    # message names what is missing, and no start button is offered.
    port = url.split(':')[2].split('/')[0]
    no_webgl2 = ("HTMLCanvasElement.prototype.getContext = (function (get) { return function (t, o) "
                 "{ return t === 'webgl2' ? null : get.call(this, t, o); }; })"
                 "(HTMLCanvasElement.prototype.getContext);")
    cases = [('no WebGL 2', url, no_webgl2, None, 'WebGL 2', 'message-webgl2'),
             ('insecure origin', f'http://frostmere.test:{port}/index.html', None, None,
              'sound', 'message-insecure'),
             ('no program', url, None, '*frostmere.wasm', 'did not load', 'message-download')]
    for what, page, script, blocked, words, shot in cases:
        added = browser.call('Page.addScriptToEvaluateOnNewDocument', source=script) if script else None
        if blocked:
            browser.call('Network.setBlockedURLs', urls=[blocked])
        browser.call('Page.navigate', url=page)
        failed = browser.wait("window.FM && FM.state === 'failed'", 30)
        title = browser.js("document.getElementById('failed-title').textContent") or ''
        shown = browser.js("!document.getElementById('failed').hidden && "
                           "document.getElementById('start').hidden")
        if result.check(failed and shown and words in title,
                        f'{what}: no message saying so (state {browser.js("FM.state")}, "{title}")'):
            print(f'page: {what}: "{title}"')
            browser.screenshot(shot)
        if added:
            browser.call('Page.removeScriptToEvaluateOnNewDocument', identifier=added['identifier'])
        if blocked:
            browser.call('Network.setBlockedURLs', urls=[])


# Records what the ring worklet puts out, as 16-bit stereo, on FM.tap.
TAP = r"""(async function () {
  const source = `class Tap extends AudioWorkletProcessor {
    process(inputs) {
      const c = inputs[0];
      if (c.length) {
        const n = c[0].length, s = new Int16Array(2 * n);
        for (let k = 0; k < n; ++k) {
          s[2 * k] = Math.round(c[0][k] * 32768);
          s[2 * k + 1] = Math.round((c[1] || c[0])[k] * 32768);
        }
        this.port.postMessage(s, [s.buffer]);
      }
      return true;
    }
  }
  registerProcessor('fm-tap', Tap);`;
  const ctx = FM.audio.context;
  await ctx.audioWorklet.addModule(URL.createObjectURL(new Blob([source], {type: 'text/javascript'})));
  const tap = new AudioWorkletNode(ctx, 'fm-tap', {outputChannelCount: [2]});
  const mute = ctx.createGain();
  mute.gain.value = 0;
  FM.audio.node.connect(tap);
  tap.connect(mute);
  mute.connect(ctx.destination);
  FM.tap = {parts: [], node: tap};
  tap.port.onmessage = (e) => FM.tap.parts.push(e.data);
  return true;
})()"""
TAP_TAKE = r"""(function () {
  FM.audio.node.disconnect(FM.tap.node);
  let n = 0;
  for (const p of FM.tap.parts) n += p.length;
  const all = new Int16Array(n);
  n = 0;
  for (const p of FM.tap.parts) { all.set(p, n); n += p.length; }
  const bytes = new Uint8Array(all.buffer);
  let text = '';
  for (let i = 0; i < bytes.length; i += 32768)
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 32768));
  return btoa(text);
})()"""


def soundtrack():
    # The song as frostmere-capture --soundtrack renders it, 16-bit stereo.
    path = os.path.join(OUT, 'soundtrack.wav')
    subprocess.run([LINUX_CAPTURE, '--quiet', '--soundtrack', path, '--seconds', '70'], check=True)
    with wave.open(path) as w:
        return w.readframes(w.getnframes())


def in_order(heard, song):
    # Where in the song what was heard starts (-1: nowhere), and whether it
    # then follows the song sample for sample.
    at = song.find(heard[:8192])
    while at >= 0 and at % 4:
        at = song.find(heard[:8192], at + 1)
    return at, at >= 0 and song[at:at + len(heard)] == heard


def offsets(browser, label):
    # How far the picture is behind the sound heard when it reaches the
    # screen: as drawn from the position of the player's last cycle, and as
    # placed ahead to the moment it is shown.
    pairs = browser.js('FM.offsets.slice(-600)') or []
    figures = []
    for i, name in ((0, 'unplaced'), (1, 'placed')):
        lag = sorted(-p[i] for p in pairs)
        if lag:
            figures.append((lag[len(lag) // 2], lag[int(len(lag) * 0.95)]))
            print(f'page: {label}: picture behind the sound, {name}: median {figures[-1][0]:.0f} ms, '
                  f'p95 {figures[-1][1]:.0f} ms ({len(lag)} frames)')
    return figures


def hidden(browser, song, result):
    # Another tab in front hides the page for HIDDEN seconds.
    browser.js(TAP, wait_promise=True)
    time.sleep(2)
    tab = browser.call('Target.createTarget', url='about:blank')
    result.check(browser.wait("document.visibilityState === 'hidden'", 5), 'the page never hid')
    # The sound stops within a second (the context suspends, and the
    # tap's messages already sent still arrive); then nothing more.
    time.sleep(1)
    before = browser.js('[FM.bytesPlayed, FM.tap.parts.length]')
    time.sleep(HIDDEN - 1)
    quiet = browser.js('[FM.bytesPlayed, FM.tap.parts.length, FM.audio.context.state]')
    browser.call('Target.closeTarget', targetId=tab['targetId'])
    browser.wait("document.visibilityState === 'visible'", 5)
    time.sleep(3)
    heard = base64.b64decode(browser.js(TAP_TAKE))
    at, ordered = in_order(heard, song)
    print(f'page: hidden {HIDDEN} s: {quiet[1] - before[1]} blocks of sound after its first second (context '
          f'{quiet[2]}); {len(heard) / 4 / 44100:.2f} s tapped from {at / 4 / 44100:.2f} s into '
          f'the song, {"in order" if ordered else "NOT in order"}')
    result.check(quiet[1] - before[1] <= 2, 'the hidden page went on playing')
    result.check(ordered, 'the sound around the hidden time is not the song in order')
    result.check(len(heard) / 4 / 44100 > 4, 'too little sound was tapped')


def fits(browser, width, height, ratio, result):
    # The canvas inside the window at 4:3, filling one side, its backing
    # store at the device pixel ratio.
    browser.call('Emulation.setDeviceMetricsOverride', width=width, height=height,
                 deviceScaleFactor=ratio, mobile=False)
    expr = ("(function(){var c=document.getElementById('canvas'),r=c.getBoundingClientRect();"
            "return [r.left,r.top,r.width,r.height,innerWidth,innerHeight,c.width,c.height];})()")
    settled = browser.wait(expr.replace('return [', 'return Math.abs(c.width-Math.round(r.width*'
                                        f'{ratio}))<=1 && [', 1), 10)
    x, y, w, h, iw, ih, bw, bh = browser.js(expr)
    inside = x >= -0.5 and y >= -0.5 and x + w <= iw + 0.5 and y + h <= ih + 0.5
    ok = (settled and inside and abs(w * 3 - h * 4) <= 4 and (abs(w - iw) <= 1 or abs(h - ih) <= 1)
          and abs(bw - round(w * ratio)) <= 1 and abs(bh - round(h * ratio)) <= 1)
    print(f'page: window {width}x{height} at ratio {ratio}: canvas at ({x:.0f}, {y:.0f}) '
          f'{w:.0f}x{h:.0f}, backing store {bw}x{bh}')
    result.check(ok, f'the canvas does not fit a {width}x{height} window at ratio {ratio}')


def start(browser, button, result, what):
    browser.js(f"document.getElementById('{button}').click()")
    started = time.time()
    if button == 'no' and result.check(browser.wait(canvas_lit() + ' > 100', 60),
                                       'the loading screen never drew'):
        browser.screenshot('loading')
    if result.check(browser.wait('FM.state === "playing" && FM.bytesPlayed > 0', 180),
                    f'{what}: the song never started'):
        print(f'page: {what}: the song started {time.time() - started:.1f} s after the click')
        return True
    return False


def real_time(browser, url, result):
    song = soundtrack() if LINUX_CAPTURE else None
    browser.call('Page.navigate', url=url)
    if not browser.wait("window.FM && FM.state === 'ready'", 60):
        raise RuntimeError('the start buttons never became ready')
    if not start(browser, 'no', result, 'first show'):
        return
    sound_check(browser, result)
    unplaced, placed = offsets(browser, 'playing')
    result.check(abs(placed[0]) < unplaced[0] / 2, 'the picture is not placed at the sound heard')
    browser.screenshot('show')
    if song:
        hidden(browser, song, result)
        sound_check(browser, result)
    result.check(browser.js(canvas_lit()) > 100, 'the show draws a black canvas')
    if result.check(browser.wait("FM.state === 'ended'", 120), 'no end screen after the show'):
        browser.screenshot('end')
        result.check(browser.js('FM.audio.context.state') != 'running', 'sound goes on after the end')

    if not start(browser, 'again', result, 'played again'):
        return
    sound_check(browser, result)
    for width, height, ratio in WINDOWS:
        fits(browser, width, height, ratio, result)
    browser.screenshot('small-window')
    browser.call('Input.dispatchKeyEvent', type='keyDown', key='Escape', code='Escape',
                 windowsVirtualKeyCode=27)
    browser.call('Input.dispatchKeyEvent', type='keyUp', key='Escape', code='Escape',
                 windowsVirtualKeyCode=27)
    if result.check(browser.wait("FM.state === 'ended'", 10), 'Escape did not end the show'):
        button = browser.js("(function(){var r=document.getElementById('again')"
                            ".getBoundingClientRect();return r.top>=0&&r.bottom<=innerHeight&&"
                            "r.left>=0&&r.right<=innerWidth;})()")
        result.check(button, 'the play-again button is out of reach in the small window')
        browser.screenshot('end-small-window')
    browser.call('Emulation.clearDeviceMetricsOverride')

    if start(browser, 'again', result, 'third show'):
        browser.js("document.getElementById('canvas').getContext('webgl2')"
                   ".getExtension('WEBGL_lose_context').loseContext()")
        if result.check(browser.wait("FM.state === 'failed'", 10), 'a lost context shows nothing'):
            browser.screenshot('message-context-lost')
            result.check(browser.wait("FM.audio.context.state !== 'running'", 5),
                         'the sound goes on after the context was lost')


def main():
    sys.stdout.reconfigure(line_buffering=True)  # progress shows as it comes under CTest or a pipe
    os.makedirs(OUT, exist_ok=True)
    server = serve()
    url = f'http://127.0.0.1:{server.server_address[1]}/index.html'
    browser = Browser()
    result = Result()
    try:
        browser.call('Runtime.enable')
        browser.call('Log.enable')
        browser.call('Page.enable')
        browser.call('Network.enable')
        frame_exact(browser, url, result)
        messages(browser, url, result)
        real_time(browser, url, result)
        result.check(not browser.errors, 'console errors: ' + ' | '.join(browser.errors[:5]))
    except Exception as e:  # noqa: BLE001 - any failure of the drive is the test's failure
        result.failures.append(f'{type(e).__name__}: {e}')
    finally:
        browser.close()
        server.shutdown()
    for line in browser.console[-10:]:
        print('console ' + line)
    for path in SCREENSHOTS:
        print('page: screenshot ' + path)
    sizes = {n: os.path.getsize(os.path.join(BUILD, n))
             for n in ('frostmere.wasm', 'frostmere.js', 'index.html', 'page.js', 'ring_player.js')}
    print('page: sizes ' + ', '.join(f'{n} {s} bytes' for n, s in sizes.items()))
    for f in result.failures:
        print('FAILED: ' + f)
    print(f'web: {result.passed} passed, {len(result.failures)} failed')
    return 1 if result.failures else 0


if __name__ == '__main__':
    sys.exit(main())
