// The page's Files panel as a player uses it, in headless Chromium on the
// site tools/web/serve serves: what a download holds and what an opened file
// leaves in the documents folder, the next visit included.
//   STRUMWELL_WEB_SITE  the site folder (default build-web/site); skipped without one
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import path from 'node:path';

const ROOT = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const SITE = path.resolve(ROOT, process.env.STRUMWELL_WEB_SITE || 'build-web/site');
const skip = !existsSync(path.join(SITE, 'files.js')) && `no site with files.js in ${SITE}`;
let server, browser, page;
const app = (fn, arg) => page.evaluate(fn, arg);
const message = () => page.locator('#files-panel .message').textContent();

before(async () => {
  if (skip) return;
  const { chromium } = await import('playwright-core');
  server = spawn('python3', [path.join(ROOT, 'tools/web/serve'), SITE, '--port', '0'], { env: { ...process.env, STRUMWELL_SERVE_QUIET: '1' } });
  const base = await new Promise((found, failed) => {
    server.stdout.on('data', (d) => { const m = /http:\/\/[0-9.:]+/.exec(String(d)); if (m) found(m[0]); });
    setTimeout(() => failed(new Error('tools/web/serve did not start in 10 s')), 10000);
  });
  browser = await chromium.launch({ executablePath: '/usr/bin/chromium', timeout: 60000 });
  page = await (await browser.newContext({ hasTouch: true, acceptDownloads: true })).newPage();
  page.setDefaultTimeout(60000);
  page.visit = async () => { await page.goto(base); await page.locator('#files-button').tap(); };
  await page.visit();
});
after(async () => { await browser?.close(); server?.kill(); });

// Opens a file of these bytes from the device; answers what the panel says.
async function choose(name, bytes) {
  await page.locator('#files-picker').setInputFiles({ name, mimeType: 'application/octet-stream', buffer: Buffer.from(bytes) });
  await page.waitForFunction(() => !/^Opening/.test(document.querySelector('#files-panel .message').textContent));
  return message();
}
// Clicks the file's button and answers the downloaded bytes and their name.
async function fetched(file, label, ms = 60000) {
  const [download] = await Promise.all([page.waitForEvent('download', { timeout: ms }),
    page.locator(`#files-panel li[data-file="${file}"] button`, { hasText: label }).click()]);
  return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

test('songs and tabs download as themselves, MIDI, WAV and text', { skip }, async (t) => {
  // The first demo song and tab of the bundle, opened as a player's own files.
  const demos = await app(() => ['.SAV', '.TAB'].map((ext) => Module.FS.readdir('/bundle').find((f) => f.endsWith(ext)))
    .map((f) => [f, [...Module.FS.readFile('/bundle/' + f)]]));
  for (const [name, bytes] of demos) assert.match(await choose(name, bytes), /in the (song|tab) library\.$/);
  const [song, tab] = demos.map(([name]) => name);
  const own = await fetched(song, 'Download');  // the file's own bytes, under its own name
  assert.deepEqual([own.name, ...own.bytes], [song, ...await app((p) => [...Module.FS.readFile(p)], `/documents/${song}`)]);
  let started = Date.now();
  const midi = await fetched(song, 'MIDI');
  t.diagnostic(`MIDI of ${song}: ${midi.bytes.length} bytes in ${Date.now() - started} ms`);
  assert.deepEqual([midi.name, midi.bytes.subarray(0, 4).toString()], [song.replace(/SAV$/, 'mid'), 'MThd']);
  assert.match((await fetched(tab, 'Text')).bytes.toString(), /^ ?[a-g][#b]?\|[-0-9|]/m, 'ASCII tablature, a line per string');
  started = Date.now();
  const wav = await fetched(song, 'WAV', 180000);
  t.diagnostic(`WAV of ${song}: ${wav.bytes.length} bytes in ${Date.now() - started} ms (the samples fetched first)`);
  assert.equal(wav.bytes.subarray(8, 12).toString(), 'WAVE');
  const samples = new Int16Array(wav.bytes.buffer, wav.bytes.byteOffset + 44, (wav.bytes.length - 44) >> 1);
  assert.ok(samples.some((s) => Math.abs(s) > 1000), 'the WAV is not silent');
  assert.ok(!(await app(() => Module.FS.readdir('/caches').some((f) => /\.(mid|wav|txt)$/.test(f)))), 'exports left in /caches');
  // A damaged song: the panel says what the command said.
  await app(() => { Module.FS.writeFile('/documents/Broken.SAV', new Uint8Array([1, 2, 3])); Module.strumwellFiles.open(); });
  await page.locator('#files-panel li[data-file="Broken.SAV"] button', { hasText: 'MIDI' }).click();
  await page.waitForFunction(() => /cannot read/.test(document.querySelector('#files-panel .message').textContent));
  assert.match(await message(), /^strumwell: cannot read '\/documents\/Broken\.SAV': .+; nothing written$/);
  await app(() => Module.FS.unlink('/documents/Broken.SAV'));
});

test('an opened file joins the library, under a free name, and stays after a reload', { skip }, async () => {
  const song = await app(() => [...Module.FS.readFile('/documents/' + Module.FS.readdir('/documents').find((f) => f.endsWith('.SAV')))]);
  const cases = [ // chosen name, bytes, what the panel says
    ['my.song.sav', song, 'Opened \u2018my_song\u2019 \u2014 it is in the song library.'],
    ['my.song.sav', song, '\u2018my_song\u2019 is already in the song library.'],
    ['my_song.SAV', [...song, 0], 'Opened \u2018my_song 2\u2019 \u2014 it is in the song library.'],
    ['huge.TAB', new Uint8Array(20 << 20), 'Cannot open \u2018huge.TAB\u2019: it is 20.0 MB, more than any tab can be (at most 16 MB).'],
    ['notes.txt', [1], 'Cannot open \u2018notes.txt\u2019: only songs (.SAV) and tabs (.TAB) can be opened here.'],
  ];
  for (const [name, bytes, said] of cases) assert.equal(await choose(name, bytes), said, name);
  await page.waitForFunction(() => new Promise((done) => { // the save to IndexedDB follows the rename
    const db = Object.assign(indexedDB.open('/documents'), { onerror: () => done(false) });
    db.onsuccess = () => { db.result.transaction('FILE_DATA').objectStore('FILE_DATA').getKey('/documents/my_song 2.SAV').onsuccess = (e) => done(!!e.target.result); };
  }));
  await page.visit();
  assert.deepEqual(await app(() => Module.FS.readdir('/documents').filter((f) => f.startsWith('my_song'))), ['my_song 2.SAV', 'my_song.SAV']);
  assert.deepEqual(await app(() => [...Module.FS.readFile('/documents/my_song.SAV')]), song);
  assert.ok(await page.locator('#files-panel li[data-file="my_song 2.SAV"]').isVisible(), 'listed in the panel');
  // While the panel is open it covers the canvas; Escape closes it.
  assert.equal(await app(() => document.elementFromPoint(innerWidth / 2, innerHeight / 2).closest('#files-panel') !== null), true);
  await page.keyboard.press('Escape');
  assert.deepEqual([await page.locator('#files-panel').isHidden(), await page.locator('#files-button').isVisible()], [true, true]);
});
