// The web greeting in a real browser (node page_test.mjs chromium|firefox): the
// page the packer makes shows the player's own frames pixel for pixel, at the
// greeting's pace, scaled by whole device pixels; its title, alt and button;
// nothing fetched; without scripts the animation still shows.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import {
  audioClockRuns, browserName, gifFile, greeting, launch, midiFile, newPage, note, scaled, shotOfAnimation, source,
} from './browsers.mjs';

const WIDTH = 64, HEIGHT = 48, DELAYS = [40, 80, 120];  // hundredths of a second
const PALETTE = [[0, 0, 0], [208, 64, 32], [32, 64, 208], [32, 160, 64], [240, 224, 32], [48, 48, 48],
  [240, 240, 240], [224, 32, 128]];
const box = (x, y, left, top, right, bottom) => x >= left && x <= right && y >= top && y <= bottom;
const whole = (delay, index) => ({ delay, left: 0, top: 0, width: WIDTH, height: HEIGHT, index });
// Opaque frames through the global table, which the player shows as they are;
// the page makes their loop count of 2 endless.
const PLAIN = gifFile({ width: WIDTH, height: HEIGHT, palette: PALETTE, loops: 2, frames: [
  whole(DELAYS[0], (x, y) => (box(x, y, 6, 6, 30, 40) ? 2 : 1)),
  whole(DELAYS[1], (x, y) => ((x - 40) ** 2 + (y - 24) ** 2 < 200 ? 4 : 3)),
  whole(DELAYS[2], (x, y) => (box(x, y, 28, 0, 35, 47) ? 7 : box(x, y, 0, 20, 63, 27) ? 6 : 5)),
] });
// Sprites on a transparent background, each cleared after its frame: a browser
// shows them otherwise than the player until the packer flattens them.
const sprite = (delay, left, colour) => ({ delay, disposal: 2, transparent: 0, left, top: 10, width: 20,
  height: 20, index: (x, y) => ((x - 10) ** 2 + (y - 10) ** 2 < 90 ? colour : 0) });
const SPRITES = gifFile({ width: WIDTH, height: HEIGHT, palette: PALETTE,
  frames: [sprite(DELAYS[0], 4, 1), sprite(DELAYS[1], 24, 2), sprite(DELAYS[2], 40, 4)] });
const SONG = midiFile({ format: 0, tracks: [[...note(0, 0, 60, 100, 24), ...note(48, 0, 64, 100, 24)]] });

let browser;
before(async () => {
  browser = await launch();
});
after(() => browser?.close());

const now = () => performance.now() / 1000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const label = (page) => page.$eval('#play', (button) => button.textContent);

// Screenshots, each matched to the player's frames, until each frame has come
// twice: [time before, time after, frame] per shot.
async function watch(page, frames) {
  const shots = [], comings = () => frames.map((_, i) => shots.filter((s, k) => s[2] === i &&
    (k === 0 || shots[k - 1][2] !== i)).length);
  for (const deadline = now() + 40; comings().some((n) => n < 2) && now() < deadline;) {
    const start = now(), shot = await shotOfAnimation(page);
    shots.push([start, now(), frames.findIndex((f) => f.pixels.equals(shot))]);
    assert.notEqual(shots.at(-1)[2], -1, `the shot at ${start.toFixed(2)} s shows none of the player's frames`);
  }
  assert.ok(comings().every((n) => n >= 2), `frames seen: ${shots.map((s) => s[2]).join('')}`);
  return shots;
}

test('the page shows the player\'s frames pixel for pixel at 1x, in turn, at their pace, looping', async () => {
  const name = 'Für <dich> & "du" 🎂';
  const plain = greeting(name, PLAIN, { frames: 3 });
  assert.doesNotMatch(plain.out, /flattened/);
  const sprites = greeting('sprites', SPRITES, { frames: 3 });
  assert.match(sprites.out, /^flattened .*anim\.gif for the web page, as the player shows it with --flatten/m);
  for (const made of [plain, sprites]) {
    const page = await newPage(browser, 100, 200);
    await page.goto(made.url);
    const shots = await watch(page, made.frames);
    const changes = shots.map((_, k) => k).filter((k) => k > 0 && shots[k][2] !== shots[k - 1][2]);
    for (const k of changes) assert.equal(shots[k][2], (shots[k - 1][2] + 1) % 3, 'the frames come in turn');
    // A frame's time on screen lies between the shots around its two changes;
    // browsers pace GIFs on the wall clock, so the bounds allow a loaded machine.
    for (let c = 1; c < changes.length; c++) {
      const [from, to] = [changes[c - 1], changes[c]], delay = DELAYS[shots[from][2]] / 100;
      const least = shots[to - 1][0] - shots[from][1], most = shots[to][1] - shots[from - 1][0];
      assert.ok(delay >= least - 0.15 && delay <= most + 1.5, `frame ${shots[from][2]}: ${delay} s, seen ` +
        `${least.toFixed(3)} to ${most.toFixed(3)} s`);
    }
    if (made === plain) {
      assert.equal(await page.title(), name);
      assert.equal(await page.$eval('#animation', (image) => image.alt), `Animation: ${name}`);
    }
    await page.close();
  }
});

test('the animation is scaled by whole device pixels, pixelated, and shrunk smoothly only below 1x', async () => {
  const { url, frames } = greeting('scaled', PLAIN, { frames: 3 });
  // Viewport width, device pixel ratio, the animation's CSS width, pixelated.
  for (const [width, ratio, shown, pixelated] of [[300, 1, 256, true], [100, 2, 96, true], [150, 2, 128, true],
    [100, 1, 64, false], [40, 1, 40, false]]) {
    const page = await newPage(browser, width, 300, ratio);
    await page.goto(url);
    const [cssWidth, rendering] = await page.$eval('#animation', (image) =>
      [image.getBoundingClientRect().width, getComputedStyle(image).imageRendering]);
    assert.deepEqual([cssWidth, rendering === 'pixelated'], [shown, pixelated], `${width} px at ${ratio}x`);
    if (ratio === 1 && shown === 256) {
      const shot = await shotOfAnimation(page);
      assert.ok(frames.some((frame) => scaled(frame, 4).equals(shot)), 'each pixel a 4 x 4 block');
    }
    await page.close();
  }
});

test('the button plays the song once, by key or click; nothing is fetched and nothing blocked', async () => {
  const made = greeting('greeting', PLAIN, { song: SONG });
  // Served over HTTP, where a browser would ask for anything the page named.
  const served = [];
  const server = createServer((request, response) => {
    served.push(request.url);
    response.writeHead(request.url === '/greeting.html' ? 200 : 404).end(readFileSync(made.path));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/greeting.html`;
  const page = await newPage(browser, 400, 400);
  const requested = [];
  page.on('request', (request) => requested.push(request.url()));
  await page.evaluateOnNewDocument(() => {
    window.violations = [];
    document.addEventListener('securitypolicyviolation', (event) => window.violations.push(event.violatedDirective));
  });
  await page.goto(url);
  assert.equal(await page.$eval('#play', (button) => button.tagName), 'BUTTON');
  assert.equal(await label(page), 'Play the song');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Enter');
  assert.equal(await label(page), 'Stop');
  if (audioClockRuns) {
    // Over on the audio clock, when the song has played once.
    for (const until = now() + 20; now() < until && (await label(page)) === 'Stop';) await sleep(50);
    assert.equal(await label(page), 'Play again');
    await page.keyboard.press(' ');
    assert.equal(await label(page), 'Stop');
  }
  await page.click('#play');
  assert.equal(await label(page), 'Play again');
  assert.deepEqual(await page.evaluate(() => window.violations), []);
  await page.close();
  server.close();
  assert.deepEqual(served, ['/greeting.html']);
  assert.deepEqual(requested.filter((address) => address !== url && !address.startsWith('data:')), []);

  const silent = await newPage(browser, 400, 400);
  await silent.goto(greeting('silent', PLAIN).url);
  assert.equal(await silent.$eval('#play', (button) => button.offsetParent), null, 'no button without a song');
  await silent.close();
});

test('with scripts disabled the page still shows the animation, and no button', async () => {
  const made = greeting('no-script', PLAIN, { song: SONG, frames: 3 });
  const scriptless = browserName === 'firefox' ? await launch({ scripts: false }) : browser;
  const page = await newPage(scriptless, 100, 300);
  if (scriptless === browser) await page.setJavaScriptEnabled(false);
  await page.goto(made.url);
  assert.equal(await page.evaluate(() => typeof window.loopvueSong), 'undefined', 'the script did not run');
  const shot = await shotOfAnimation(page);
  assert.ok(made.frames.some((frame) => frame.pixels.equals(shot)), 'one of the player\'s frames');
  assert.equal(await page.$eval('#play', (button) => button.offsetParent), null, 'no button is shown');
  await page.close();
  if (scriptless !== browser) await scriptless.close();
});

test('the sample greeting plays, the sender\'s words under it as text', async () => {
  const samples = join(source, 'samples');
  const words = 'Have a happy day, <Anna> & \u0421\u0430\u0448\u0430! \u{1F382}\nWith love from all of us';
  const made = greeting('sample', readFileSync(join(samples, 'greeting.gif')),
    { song: readFileSync(join(samples, 'greeting.mid')), words });
  const page = await newPage(browser, 800, 600);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(made.url);
  assert.ok(await page.$eval('#animation', (image) => image.complete && image.naturalWidth > 0), 'decoded');
  assert.equal(await page.title(), words.split('\n')[0]);
  const [selected, lines, below] = await page.$eval('#words', (text) => {
    getSelection().selectAllChildren(text);
    const image = document.getElementById('animation').getBoundingClientRect();
    const { top, height } = text.getBoundingClientRect();
    return [getSelection().toString(), Math.round(height / parseFloat(getComputedStyle(text).lineHeight)),
      top >= image.bottom];
  });
  assert.deepEqual([selected, lines, below], [words, 2, true], 'selectable, on its two lines, below the animation');
  await page.click('#play');
  assert.equal(await label(page), 'Stop');
  const [length, peak] = await page.evaluate(async () => {
    const rendered = await window.loopvueSong.render(22050);
    return [rendered.duration, rendered.getChannelData(0).reduce((m, x) => Math.max(m, Math.abs(x)), 0)];
  });
  assert.ok(length > 5 && peak > 0.01, `the song renders ${length} s, its peak ${peak}`);
  assert.deepEqual(errors, []);
  await page.close();
});
