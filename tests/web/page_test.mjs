// The web greeting in a real browser (node page_test.mjs chromium|firefox): the
// page the packer makes shows the player's own frames pixel for pixel, at the
// greeting's pace, scaled by whole device pixels; its button, its title and alt,
// and nothing fetched; without scripts the animation still shows.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import {
  audioClockRuns, browserName, gifFile, launch, midiFile, note, pack, readPpm, scaled, scratch, setViewport, shotOfAnimation,
  source,
} from './browsers.mjs';

const dir = scratch('pages');
const WIDTH = 64, HEIGHT = 48;
const DELAYS = [40, 80, 120];  // hundredths of a second
let browser;

before(async () => {
  browser = await launch();
});
after(async () => {
  await browser?.close();
});

const PALETTE = [[0, 0, 0], [208, 64, 32], [32, 64, 208], [32, 160, 64], [240, 224, 32], [48, 48, 48],
  [240, 240, 240], [224, 32, 128]];
const whole = (delay, index) => ({ delay, left: 0, top: 0, width: WIDTH, height: HEIGHT, index });
const inside = (x, y, left, top, right, bottom) => x >= left && x <= right && y >= top && y <= bottom;
// Three opaque frames through the global table, which the player shows as they
// are; its loop count of 2 the page makes endless.
const PLAIN = gifFile({
  width: WIDTH, height: HEIGHT, palette: PALETTE, loops: 2, frames: [
    whole(DELAYS[0], (x, y) => (inside(x, y, 6, 6, 30, 40) ? 2 : 1)),
    whole(DELAYS[1], (x, y) => ((x - 40) ** 2 + (y - 24) ** 2 < 200 ? 4 : 3)),
    whole(DELAYS[2], (x, y) => (inside(x, y, 28, 0, 35, 47) ? 7 : inside(x, y, 0, 20, 63, 27) ? 6 : 5)),
  ],
});
// Sprites on a transparent background, each cleared to the background after
// its frame: a browser shows them differently from the player until the packer
// flattens them.
const sprite = (delay, left, colour) => ({
  delay, disposal: 2, transparent: 0, left, top: 10, width: 20, height: 20,
  index: (x, y) => ((x - 10) ** 2 + (y - 10) ** 2 < 90 ? colour : 0),
});
const SPRITES = gifFile({
  width: WIDTH, height: HEIGHT, palette: PALETTE, frames: [sprite(DELAYS[0], 4, 1), sprite(DELAYS[1], 24, 2),
    sprite(DELAYS[2], 40, 4)],
});
const SHORT_SONG = midiFile({ format: 0, tracks: [[...note(0, 0, 60, 100, 24), ...note(48, 0, 64, 100, 24)]] });

// A page made by the real packer, with the player's frames from its preview.
function greeting(name, bytes, extra = []) {
  const gif = join(dir, `${name}.gif`);
  writeFileSync(gif, bytes);
  const preview = join(dir, `${name}-preview`);
  const path = join(dir, `${name}.html`);
  const run = pack(['--web', '--preview', preview, ...extra, gif, '-o', path]);
  assert.equal(run.status, 0, run.err);
  const frames = DELAYS.map((_, i) => readPpm(join(preview, `frame-${String(i).padStart(4, '0')}.ppm`)));
  return { path, url: pathToFileURL(path).href, run, frames };
}

async function open(url, width = 100, height = 200, ratio = 1) {
  const page = await browser.newPage();
  await setViewport(page, width, height, ratio);
  await page.goto(url, { waitUntil: 'load' });
  return page;
}

const frameOf = (frames, pixels) => frames.findIndex((frame) => frame.pixels.equals(pixels));
const seconds = () => performance.now() / 1000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Screenshots until every frame has been seen twice over, each matched to the
// player's frames: [time before, time after, frame] per shot.
async function watch(page, frames) {
  const shots = [];
  const deadline = seconds() + 40;
  const seenTwice = () => frames.every((_, i) => shots.filter((s, k) => s[2] === i &&
    (k === 0 || shots[k - 1][2] !== i)).length >= 2);
  while (!seenTwice() && seconds() < deadline) {
    const start = seconds();
    const shown = frameOf(frames, await shotOfAnimation(page));
    assert.notEqual(shown, -1, `a screenshot at ${start.toFixed(2)} s shows none of the player's frames`);
    shots.push([start, seconds(), shown]);
  }
  assert.ok(seenTwice(), `frames seen: ${shots.map((s) => s[2]).join('')}`);
  return shots;
}

// Each frame's time on screen lies between the shots around its two changes:
// [frame, at least, at most] for every frame seen from its start to its end.
function durations(shots) {
  const changes = [];
  for (let k = 1; k < shots.length; k++) if (shots[k][2] !== shots[k - 1][2]) changes.push(k);
  const spans = [];
  for (let c = 1; c < changes.length; c++) {
    const from = changes[c - 1], to = changes[c];
    spans.push([shots[from][2], shots[to - 1][0] - shots[from][1], shots[to][1] - shots[from - 1][0]]);
  }
  return spans;
}

test('the page shows the player\'s frames pixel for pixel at 1x, in turn, at their pace, looping', async () => {
  const plain = greeting('plain', PLAIN);
  assert.doesNotMatch(plain.run.out, /flattened/);
  const sprites = greeting('sprites', SPRITES);
  // The player ignores transparency and disposal; the page carries what it shows flattened.
  assert.match(sprites.run.out, /^flattened .*sprites\.gif for the web page, as the player shows it with --flatten/m);
  for (const made of [plain, sprites]) {
    const page = await open(made.url);
    assert.equal(await page.$eval('#animation', (image) => image.getBoundingClientRect().width), WIDTH);
    const shots = await watch(page, made.frames);
    for (let k = 1; k < shots.length; k++) {
      const [was, is] = [shots[k - 1][2], shots[k][2]];
      if (was !== is) assert.equal(is, (was + 1) % DELAYS.length, `frame ${is} after frame ${was}`);
    }
    // Browsers pace GIFs on the wall clock: bounds wide enough for a loaded machine.
    for (const [frame, least, most] of durations(shots)) {
      const delay = DELAYS[frame] / 100;
      assert.ok(delay >= least - 0.15 && delay <= most + 1.5,
        `frame ${frame} of ${made.path}: ${delay} s, seen between ${least.toFixed(3)} and ${most.toFixed(3)} s`);
    }
    await page.close();
  }
});

test('the animation is scaled by whole device pixels, pixelated, and shrunk smoothly only below 1x', async () => {
  const plain = greeting('scaled', PLAIN);
  const cases = [
    // viewport width, device pixel ratio, CSS width, pixelated
    [300, 1, 4 * WIDTH, true],
    [100, 2, (3 * WIDTH) / 2, true],
    [150, 2, (4 * WIDTH) / 2, true],
    [40, 1, 40, false],
  ];
  for (const [width, ratio, cssWidth, pixelated] of cases) {
    const page = await open(plain.url, width, 300, ratio);
    const [shown, rendering] = await page.$eval('#animation', (image) =>
      [image.getBoundingClientRect().width, getComputedStyle(image).imageRendering]);
    assert.equal(shown, cssWidth, `${width} px at ${ratio}x`);
    assert.equal(rendering === 'pixelated', pixelated, `${width} px at ${ratio}x: ${rendering}`);
    if (width === 300) {
      const shot = await shotOfAnimation(page);
      const matches = plain.frames.some((frame) => scaled(frame, 4).pixels.equals(shot));
      assert.ok(matches, 'at 4x every pixel of the player\'s frame is a 4 x 4 block');
    }
    await page.close();
  }
});

test('the button plays the song once, by click or key, and says what it will do', async () => {
  const songPath = join(dir, 'short.mid');
  writeFileSync(songPath, SHORT_SONG);
  const withSong = greeting('with-song', PLAIN, ['--midi', songPath]);
  const silent = greeting('without-song', PLAIN);
  const page = await open(withSong.url, 400, 400);
  const label = () => page.$eval('#play', (button) => button.textContent);
  const waitFor = async (text) => {
    for (const until = seconds() + 20; seconds() < until && (await label()) !== text;) await sleep(50);
    assert.equal(await label(), text);
  };
  assert.equal(await page.$eval('#play', (button) => button.tagName), 'BUTTON');
  assert.equal(await label(), 'Play the song');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'play');
  await page.keyboard.press('Enter');
  assert.equal(await label(), 'Stop');
  if (audioClockRuns) {
    await waitFor('Play again');  // on the audio clock, when the song is over
    await page.keyboard.press(' ');
    assert.equal(await label(), 'Stop');
  }
  await page.click('#play');
  assert.equal(await label(), 'Play again');
  await page.click('#play');
  assert.equal(await label(), 'Stop');
  await page.close();

  const quiet = await open(silent.url, 400, 400);
  assert.equal(await quiet.$eval('#play', (button) => button.hidden && button.offsetParent === null), true);
  await quiet.close();
});

test('no request leaves the page, and its policy blocks nothing of its own', async () => {
  const songPath = join(dir, 'short.mid');
  writeFileSync(songPath, SHORT_SONG);
  const made = greeting('served', PLAIN, ['--midi', songPath]);
  const served = [];
  const server = createServer((request, response) => {
    served.push(request.url);
    response.writeHead(request.url === '/greeting.html' ? 200 : 404, { 'content-type': 'text/html' });
    response.end(request.url === '/greeting.html' ? readFileSync(made.path) : '');
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/greeting.html`;
  const page = await browser.newPage();
  const requested = [];
  page.on('request', (request) => requested.push(request.url()));
  await page.evaluateOnNewDocument(() => {
    window.violations = [];
    document.addEventListener('securitypolicyviolation', (event) => window.violations.push(event.violatedDirective));
  });
  await page.goto(url, { waitUntil: 'load' });
  await page.click('#play');
  await sleep(1000);
  assert.deepEqual(await page.evaluate(() => window.violations), []);
  // The script ran, its hash allowed: the button started the song.
  assert.notEqual(await page.$eval('#play', (button) => button.textContent), 'Play the song');
  await page.close();
  server.close();
  assert.deepEqual(served, ['/greeting.html']);
  const elsewhere = requested.filter((address) => address !== url && !address.startsWith('data:'));
  assert.deepEqual(elsewhere, []);
});

test('with scripts disabled the page still shows the animation, and no button', async () => {
  const songPath = join(dir, 'short.mid');
  writeFileSync(songPath, SHORT_SONG);
  const made = greeting('no-script', PLAIN, ['--midi', songPath]);
  const scriptless = browserName === 'firefox' ? await launch({ scripts: false }) : browser;
  const page = await scriptless.newPage();
  await setViewport(page, 100, 300);
  if (scriptless === browser) await page.setJavaScriptEnabled(false);
  await page.goto(made.url, { waitUntil: 'load' });
  assert.equal(await page.evaluate(() => typeof window.loopvueSong), 'undefined', 'the page\'s script did not run');
  const shot = await shotOfAnimation(page);
  assert.notEqual(frameOf(made.frames, shot), -1, 'the animation shows one of the player\'s frames');
  assert.equal(await page.$eval('#play', (button) => button.offsetParent), null, 'no button is shown');
  await page.close();
  if (scriptless !== browser) await scriptless.close();
});

test('the title is the file\'s name and the animation has it in its alt text', async () => {
  const names = ['Für dich 🎂', 'Tom & Jerry\'s <greeting> "now"'];
  for (const name of names) {
    const gif = join(dir, 'title.gif');
    writeFileSync(gif, PLAIN);
    const path = join(dir, `${name}.html`);
    assert.equal(pack(['--web', gif, '-o', path]).status, 0);
    const page = await open(pathToFileURL(path).href);
    assert.equal(await page.title(), name);
    assert.equal(await page.$eval('#animation', (image) => image.alt), `Animation: ${name}`);
    await page.close();
  }
});

test('the sample greeting plays', async () => {
  const path = join(dir, 'sample.html');
  const run = pack(['--web', '--midi', join(source, 'samples', 'greeting.mid'), join(source, 'samples', 'greeting.gif'),
    '-o', path]);
  assert.equal(run.status, 0, run.err);
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await setViewport(page, 800, 600);
  await page.goto(`file://${path}`, { waitUntil: 'load' });
  const [complete, width] = await page.$eval('#animation', (image) => [image.complete, image.naturalWidth]);
  assert.ok(complete && width > 0, 'the animation is decoded');
  await page.click('#play');
  assert.equal(await page.$eval('#play', (button) => button.textContent), 'Stop');
  const [length, peak] = await page.evaluate(async () => {
    const rendered = await window.loopvueSong.render(22050);
    return [rendered.duration, rendered.getChannelData(0).reduce((m, x) => Math.max(m, Math.abs(x)), 0)];
  });
  assert.ok(length > 5 && peak > 0.01, `the song renders ${length} s, peak ${peak}`);
  assert.deepEqual(errors, []);
  await page.close();
});

console.log(`# browser: ${browserName}`);
