// The browser build as a player meets it: Debian's Chromium (headless, a
// phone-like touch screen, a fresh profile) opens the site that
// tools/web/serve serves, and every check looks at what is drawn on the
// canvas, what the sound output carries or what the documents folder keeps.
//   STRUMWELL_WEB_SITE  the site folder (default build-web/site)
//   STRUMWELL_NATIVE    the desktop program drawing the reference pictures (default build/strumwell)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const ROOT = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const SITE = path.resolve(ROOT, process.env.STRUMWELL_WEB_SITE || 'build-web/site');
const NATIVE = path.resolve(ROOT, process.env.STRUMWELL_NATIVE || 'build/strumwell');
const work = mkdtempSync(path.join(tmpdir(), 'strumwell-web-'));
const problems = [];  // console errors and uncaught exceptions, the whole run
let server, browser, page, cdp, base, firstReady;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function waitFor(what, ms, probe) {
  for (const end = Date.now() + ms; ;) {
    const value = await probe();
    if (value) return value;
    if (Date.now() > end) throw new Error(`gave up after ${ms} ms waiting for ${what}`);
    await sleep(100);
  }
}
// Runs fn in the page, ms at most (the deadline does not keep node alive).
const app = (fn, arg, ms = 30000) => Promise.race([page.evaluate(fn, arg), new Promise((_, fail) =>
  setTimeout(() => fail(new Error(`the page did not answer in ${ms} ms: ${fn}`)), ms).unref())]);
const screen = () => app(() => Module._strumwell_web_screen());

// The 320 x 480 portrait view lies a quarter turn round in the 480 x 320
// landscape picture, which is letterboxed (3:2, whole pixels) in the canvas.
async function toPage(vx, vy) {
  const c = await page.locator('#canvas').boundingBox();
  const w = Math.min(c.width, Math.floor((c.height * 3) / 2)), h = Math.floor((w * 2) / 3);
  return { x: c.x + Math.floor((c.width - w) / 2) + (vy / 480) * w, y: c.y + Math.floor((c.height - h) / 2) + (1 - vx / 320) * h };
}
// Fingers down together, lifted together: [[vx, vy], ...] in view points.
async function tap(...fingers) {
  const touchPoints = await Promise.all(fingers.map(async ([x, y], id) => ({ ...(await toPage(x, y)), id })));
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints });
  await sleep(60);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}
// Taps and waits for screen N to be shown and still.
async function go(point, n) {
  await tap(point);
  await waitFor(`screen ${n}`, 5000, async () => (await screen()) === n);
  return settled();
}
const snapshot = () => page.locator('#canvas').screenshot({ animations: 'allow' });
// The picture once it stops changing (transitions and fades done).
async function settled() {
  let last = await snapshot();
  return waitFor('the picture to settle', 10000, async () => {
    await sleep(300);
    const now = await snapshot(), same = now.equals(last);
    return (last = now) && same && now;
  });
}
// Mean absolute difference per colour channel (0-255) of two PNGs scaled to
// the first one's size, over a view rectangle (default: all of it). The
// browser decodes them.
function difference(a, b, view = [0, 0, 320, 480]) {
  const [vx, vy, vw, vh] = view;
  const r = { x: vy / 480, y: (320 - vx - vw) / 320, w: vh / 480, h: vw / 320 };
  return app(async ([a, b, r]) => {
    const open = (s) => createImageBitmap(new Blob([Uint8Array.from(atob(s), (c) => c.charCodeAt(0))]));
    const [A, B] = await Promise.all([open(a), open(b)]);
    const W = Math.round(A.width * r.w), H = Math.round(A.height * r.h);
    const pixels = (img) => {
      const g = new OffscreenCanvas(W, H).getContext('2d');
      g.drawImage(img, r.x * img.width, r.y * img.height, r.w * img.width, r.h * img.height, 0, 0, W, H);
      return g.getImageData(0, 0, W, H).data;
    };
    const p = pixels(A), q = pixels(B); let sum = 0;
    for (let i = 0; i < p.length; i += 4) sum += Math.abs(p[i] - q[i]) + Math.abs(p[i + 1] - q[i + 1]) + Math.abs(p[i + 2] - q[i + 2]);
    return sum / ((p.length / 4) * 3);
  }, [a.toString('base64'), b.toString('base64'), r]);
}
async function open(query) {
  const started = Date.now();
  await page.goto(`${base}/${query}`);
  await page.waitForFunction(() => window.Module && Module.strumwellReady, null, { timeout: 60000 });
  await app(() => Module.strumwellReady.then(() => true), null, 60000);
  const ready = Date.now() - started;
  return (await settled()) && ready;
}
// The documents folder as the next visit will find it: IDBFS's database.
function saved(name) {
  return app((key) => new Promise((done) => {
    const request = indexedDB.open('/documents');
    request.onupgradeneeded = () => request.transaction.abort();  // none yet: leave it so
    request.onerror = () => done(false);
    request.onsuccess = () => {
      const db = request.result;
      if (!db.objectStoreNames.contains('FILE_DATA')) return done(false);
      const get = db.transaction('FILE_DATA').objectStore('FILE_DATA').getKey(key);
      get.onsuccess = () => { done(get.result !== undefined); db.close(); };
      get.onerror = () => done(false);
    };
  }), `/documents/${name}`);
}
// The desktop program's picture of screen N, with a documents folder of its own.
function desktop(n) {
  const file = path.join(work, `desktop-${n}.png`), documents = path.join(work, 'documents');
  const run = spawnSync(NATIVE, ['--headless', '--documents', documents, '--caches', path.join(documents, 'c'),
    '--screen', String(n), '--screenshot', file], { env: { ...process.env, SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy' }, timeout: 60000 });
  assert.equal(run.status, 0, `${NATIVE} --screen ${n}: ${run.stderr}`);
  return readFileSync(file);
}

before(async () => {
  server = spawn('python3', [path.join(ROOT, 'tools/web/serve'), SITE, '--port', '0'], { env: { ...process.env, STRUMWELL_SERVE_QUIET: '1' } });
  base = await new Promise((found, failed) => {
    server.stdout.on('data', (d) => { const m = /http:\/\/[0-9.:]+/.exec(String(d)); if (m) found(m[0]); });
    server.on('exit', (code) => failed(new Error(`tools/web/serve ended (${code})`)));
    setTimeout(() => failed(new Error('tools/web/serve did not start in 10 s')), 10000).unref();
  });
  browser = await chromium.launch({ executablePath: '/usr/bin/chromium', timeout: 60000,
    args: ['--autoplay-policy=no-user-gesture-required', '--use-fake-ui-for-media-stream'] });
  const context = await browser.newContext({ hasTouch: true, isMobile: true, viewport: { width: 960, height: 640 }, deviceScaleFactor: 1 });
  context.setDefaultTimeout(60000);
  page = await context.newPage();
  cdp = await context.newCDPSession(page);
  page.on('console', (m) => m.type() === 'error' && problems.push(`console: ${m.text()}`));
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  // The first visit greets the player, once, as the desktop's first run does:
  // both are past it before the tests start.
  firstReady = await open('');
  await waitFor('the greeting noted in the documents', 10000, () => saved('SystemMessage.DAT'));
  desktop(7);
});
after(async () => {
  await browser?.close();
  server?.kill();
  rmSync(work, { recursive: true, force: true });
});

test('the main menu and the Manual Fret guitar look as on the desktop', { timeout: 180000 }, async (t) => {
  t.diagnostic(`strumwellReady ${firstReady} ms after the first visit started`);
  for (const [n, name] of [[7, 'the main menu'], [5, 'the Manual Fret guitar']]) {
    await open(`?screen=${n}`);
    assert.equal(await screen(), n);
    const levels = await difference(await snapshot(), desktop(n));
    t.diagnostic(`${name}: ${levels.toFixed(2)} levels from the desktop's`);
    assert.ok(levels < 3, `${name} differs from the desktop's by ${levels.toFixed(2)} levels`);
  }
});

test('plucking the Manual Fret strings sounds', { timeout: 180000 }, async (t) => {
  await open('?screen=5');
  const started = Date.now();
  // The patch's samples arrive after the first pluck asks for them.
  await waitFor('a voice after plucking', 30000, async () => {
    await tap([24.5, 440], [134.5, 440], [244.5, 440]);
    return (await app(() => Module._strumwell_web_playing_voices())) > 0;
  });
  t.diagnostic(`first voice ${Date.now() - started} ms after the first pluck`);
  await tap([79.5, 440], [189.5, 440], [299.5, 440]);
  const rms = await waitFor('sound at the output', 5000, () => app(() => {
    const analyser = Module.strumwellAudio.analyser, d = new Float32Array(analyser.fftSize);
    analyser.getFloatTimeDomainData(d);
    const rms = Math.sqrt(d.reduce((s, v) => s + v * v, 0) / d.length);
    return rms > 0.01 && rms;
  }));
  t.diagnostic(`output RMS ${rms.toFixed(3)}`);
});

test('tilting the phone moves the wah on the guitar screen', { timeout: 180000 }, async () => {
  await open('?screen=18');
  await tap([150, 250]);                       // the treadle switches the wah on
  await go([300, 20], 7);                      // back: the main menu
  await go([241, 249], 8);                     // the guitar chooser
  await go([245, 142], 5);                     // Manual Fret
  const tilted = async (x) => {
    for (let i = 0; i < 30; i++) {
      await app((x) => window.dispatchEvent(new DeviceMotionEvent('devicemotion',
        { accelerationIncludingGravity: { x, y: 0, z: 9.81 * Math.sqrt(1 - (x / 9.81) ** 2) }, interval: 16 })), x);
      await sleep(16);
    }
    return settled();
  };
  // Held flat the wah is open (toe); tilted a quarter turn, closed (heel).
  const toe = await tilted(0), heel = await tilted(9.81);
  const gauge = [31, 226, 37, 148];            // the tilt gauge
  assert.ok(await difference(heel, toe, gauge) > 1, 'the tilt gauge did not follow the tilt');
  assert.ok(await difference(heel, toe, [80, 0, 240, 480]) < 1, 'tilting changed more than the gauge');
});

test('a saved song is still there after a reload', { timeout: 180000 }, async () => {
  await open('?screen=15');
  const list = [70, 105, 170, 250];            // the library's rows
  await tap([181, 50]);                        // LOAD / SAVE
  const empty = await settled();
  await tap([259.5, 411.5]);                   // SAVE, unnamed: "Save it as 'My Song'?"
  await page.keyboard.press('Enter');
  await waitFor('My Song.SAV in /documents', 5000, () => app(() => Module.FS.readdir('/documents').includes('My Song.SAV')));
  await page.keyboard.press('Enter');          // the notice that it was saved
  const listed = await settled();
  assert.ok(await difference(empty, listed, list) > 2, 'the list does not show the saved song');
  await waitFor('My Song.SAV kept by the browser', 10000, () => saved('My Song.SAV'));
  await open('?screen=15');
  assert.ok(await app(() => Module.FS.readdir('/documents').includes('My Song.SAV')), 'My Song.SAV is gone after the reload');
  await tap([181, 50]);
  await tap([151.75, 230]);                    // the third row, after the two demos: selected as after saving
  assert.ok(await difference(listed, await settled(), list) < 1, 'the list after the reload is not the one after saving');
});

test('no errors on the console in the whole run', () => {
  assert.deepEqual(problems, []);
});
