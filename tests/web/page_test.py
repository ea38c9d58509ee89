#!/usr/bin/python3
# page_test.py - the intro's page in headless Chromium, driven over the
# DevTools protocol (Debian's python3-websocket; no downloads): serves
# build-web/ as scripts/serve-web does, loads the page, answers the start
# question with a click, then checks that
#   - the loading screens and the show draw frames (the canvas is not black),
#   - the song position the page reports advances with the audio clock,
#   - the console shows no errors and no exceptions are thrown,
# and writes screenshots of the canvas to OUT (printed), with the page's
# size and its frames per second in headless Chromium.
#   tests/web/page_test.py BUILD_WEB_DIR OUT_DIR
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket

BUILD, OUT = sys.argv[1], sys.argv[2]


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript'}

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        super().end_headers()

    def log_message(self, *args):
        pass


def serve():
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0),
                                             functools.partial(Handler, directory=BUILD))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix='fm-chromium-')
        self.proc = subprocess.Popen(
            ['chromium', '--headless=new', '--no-sandbox', '--use-angle=swiftshader',
             '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
             '--remote-debugging-port=0', '--user-data-dir=' + self.profile,
             '--window-size=800,600', '--no-first-run', 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, 'DevToolsActivePort')
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().strip():
                break
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        targets = json.load(urllib.request.urlopen(f'http://127.0.0.1:{port}/json'))
        page = next(t for t in targets if t['type'] == 'page')
        self.ws = websocket.create_connection(page['webSocketDebuggerUrl'], timeout=60)
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

    def js(self, expression):
        r = self.call('Runtime.evaluate', expression=expression, returnByValue=True,
                      userGesture=True)
        return r.get('result', {}).get('value')

    def wait(self, expression, seconds):
        end = time.time() + seconds
        while time.time() < end:
            if self.js(expression):
                return True
            time.sleep(0.2)
        return False

    def screenshot(self, path):
        r = self.call('Page.captureScreenshot', format='png',
                      clip={'x': 80, 'y': 60, 'width': 640, 'height': 480, 'scale': 1})
        with open(path, 'wb') as f:
            f.write(base64.b64decode(r['data']))

    def close(self):
        self.proc.terminate()
        self.proc.wait(10)
        shutil.rmtree(self.profile, ignore_errors=True)


def canvas_lit():
    # Pixels of the canvas that are not black, read through a 2-D copy.
    return ("(function(){var c=document.getElementById('canvas');var t=document.createElement"
            "('canvas');t.width=160;t.height=120;var x=t.getContext('2d');x.drawImage(c,0,0,160,"
            "120);var d=x.getImageData(0,0,160,120).data;var n=0;for(var i=0;i<d.length;i+=4)"
            "if(d[i]|d[i+1]|d[i+2])n++;return n;})()")


def main():
    os.makedirs(OUT, exist_ok=True)
    server = serve()
    url = f'http://127.0.0.1:{server.server_address[1]}/index.html'
    browser = Browser()
    failures = []
    passed = 0
    try:
        browser.call('Runtime.enable')
        browser.call('Log.enable')
        browser.call('Page.enable')
        browser.call('Page.navigate', url=url)
        if not browser.wait("!!document.getElementById('start') && "
                            "!document.getElementById('start').hidden", 30):
            raise RuntimeError('the start question never showed')
        browser.js("document.getElementById('no').click()")
        started = time.time()
        if browser.wait(canvas_lit() + ' > 100', 60):
            passed += 1
            browser.screenshot(os.path.join(OUT, 'loading.png'))
        else:
            failures.append('the loading screen never drew')
        if browser.wait('FM.bytesPlayed > 0', 180):
            passed += 1
            print(f'page: the song started {time.time() - started:.1f} s after the click')
        else:
            failures.append('the song never started (FM.bytesPlayed stays 0)')
        # The reported position against the audio clock, three seconds apart.
        a = browser.js('[FM.bytesPlayed, FM.audioTime, FM.frames, performance.now()]')
        time.sleep(3)
        b = browser.js('[FM.bytesPlayed, FM.audioTime, FM.frames, performance.now()]')
        heard = (b[0] - a[0]) / 4 / 44100
        clock = (b[1] or 0) - (a[1] or 0)
        fps = (b[2] - a[2]) / ((b[3] - a[3]) / 1000)
        print(f'page: position moved {heard:.3f} s while the audio clock moved {clock:.3f} s; '
              f'{fps:.1f} frames per second in headless Chromium '
              f'({1000 / fps if fps else 0:.1f} ms a frame)')
        if clock > 2.0 and abs(heard - clock) < 0.1:
            passed += 1
        else:
            failures.append(f'the position ({heard:.3f} s) does not follow the audio clock '
                            f'({clock:.3f} s)')
        for name in ('show-1', 'show-2'):
            path = os.path.join(OUT, name + '.png')
            browser.screenshot(path)
            time.sleep(4)
        lit = browser.js(canvas_lit())
        if lit and lit > 100:
            passed += 1
        else:
            failures.append('the show draws a black canvas')
        for name in ('loading', 'show-1', 'show-2'):
            print('page: screenshot ' + os.path.abspath(os.path.join(OUT, name + '.png')))
        if browser.errors:
            failures.append('console errors: ' + ' | '.join(browser.errors[:5]))
        else:
            passed += 1
    except Exception as e:  # noqa: BLE001 - any failure of the drive is the test's failure
        failures.append(str(e))
    finally:
        browser.close()
        server.shutdown()
    for line in browser.console[-10:]:
        print('console ' + line)
    sizes = {n: os.path.getsize(os.path.join(BUILD, n))
             for n in ('frostmere.wasm', 'frostmere.js', 'index.html', 'ring_player.js')}
    print('page: sizes ' + ', '.join(f'{n} {s} bytes' for n, s in sizes.items()))
    for f in failures:
        print('FAILED: ' + f)
    print(f'web: {passed} passed, {len(failures)} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
