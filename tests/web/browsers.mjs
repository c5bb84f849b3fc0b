// What the browser tests share: Debian's Chromium and Firefox through puppeteer-core,
// pages the real packer makes, screenshots through ImageMagick, GIF and MIDI writers.
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const source = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const puppeteer = createRequire(join(source, 'web', 'package.json'))('puppeteer-core');
const packer = process.env.LOOPVUE_PACK || join(source, 'build', 'host', 'bin', 'loopvue-pack');
export const browserName = process.argv[2] || 'chromium';
// Headless Chromium plays into a sink of its own; Firefox without a sound device
// keeps an AudioContext suspended, its clock at 0.
export const audioClockRuns = browserName === 'chromium';

export const scratch = mkdtempSync(join(tmpdir(), 'loopvue-web-'));
process.on('exit', () => rmSync(scratch, { recursive: true, force: true }));

// Firefox's scripts can be turned off only for the whole browser.
export function launch({ scripts = true } = {}) {
  const userDataDir = mkdtempSync(join(scratch, 'profile-'));
  if (browserName === 'firefox') {
    return puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, userDataDir,
      defaultViewport: null, args: ['--width=800', '--height=600'],
      extraPrefsFirefox: scripts ? {} : { 'javascript.enabled': false } });
  }
  return puppeteer.launch({ browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true, userDataDir,
    defaultViewport: null, args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic', '--hide-scrollbars'] });
}

// A new page of that size. Firefox ESR's WebDriver BiDi lacks the screen
// orientation that puppeteer's setViewport also sends: its context is sized itself.
export async function newPage(browser, width, height, devicePixelRatio = 1) {
  const page = await browser.newPage();
  if (browserName === 'firefox') {
    await page.mainFrame().browsingContext.setViewport({ viewport: { width, height }, devicePixelRatio });
  } else {
    await page.setViewport({ width, height, deviceScaleFactor: devicePixelRatio });
  }
  return page;
}

// A page the real packer makes of `gif` (and `song`), with the player's frames
// from its preview; `frames` is how many to read back.
export function greeting(name, gif, { song, frames = 1, words } = {}) {
  const path = join(scratch, `${name}.html`), preview = join(scratch, `${name}-preview`);
  writeFileSync(join(scratch, 'anim.gif'), gif);
  const args = ['--web', '--preview', preview, join(scratch, 'anim.gif'), '-o', path];
  if (song) writeFileSync(join(scratch, 'song.mid'), song), args.unshift('--midi', join(scratch, 'song.mid'));
  if (words) args.unshift('--message', words);
  const run = spawnSync(packer, args, { encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`loopvue-pack ${args.join(' ')}: ${run.stderr}`);
  const read = (i) => {  // the preview's PPM
    const bytes = readFileSync(join(preview, `frame-${String(i).padStart(4, '0')}.ppm`));
    const header = bytes.toString('latin1', 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
    return { width: Number(header[1]), height: Number(header[2]), pixels: bytes.subarray(header[0].length) };
  };
  return { path, url: pathToFileURL(path).href, out: run.stdout, frames: Array.from({ length: frames }, (_, i) => read(i)) };
}

// The RGB pixels of the page's animation as the screen shows it, `factor`
// device pixels a pixel; compare them with frame.pixels, or scaled(frame, factor).
export async function shotOfAnimation(page) {
  const clip = await page.$eval('#animation', (image) => {
    const { left: x, top: y, width, height } = image.getBoundingClientRect();
    return { x, y, width, height };
  });
  const png = Buffer.from(await page.screenshot({ clip, type: 'png' }));
  return execFileSync('/usr/bin/convert', ['png:-', '-alpha', 'off', '-depth', '8', 'rgb:-'], { input: png });
}

export function scaled(frame, factor) {
  const width = frame.width * factor, pixels = Buffer.alloc(width * frame.height * factor * 3);
  for (let at = 0; at < pixels.length; at += 3) {
    const x = (at / 3) % width, y = Math.floor(at / 3 / width);
    const from = (Math.floor(y / factor) * frame.width + Math.floor(x / factor)) * 3;
    frame.pixels.copy(pixels, at, from, from + 3);
  }
  return pixels;
}

// A GIF89a of a 256-entry global table and `frames`, each {delay, disposal,
// transparent (an index or undefined), left, top, width, height, index(x, y)},
// with a looping extension of `loops` unless undefined. Its image data is one
// 9-bit code per pixel, cleared before the codes would widen.
export function gifFile({ width, height, palette, loops, frames }) {
  const u16 = (n) => [n & 255, n >> 8 & 255];
  const bytes = [...Buffer.from('GIF89a'), ...u16(width), ...u16(height), 0xf7, 0, 0,
    ...Array.from({ length: 256 }, (_, i) => palette[i] || [0, 0, 0]).flat()];
  if (loops !== undefined) bytes.push(0x21, 0xff, 11, ...Buffer.from('NETSCAPE2.0'), 3, 1, ...u16(loops), 0);
  for (const f of frames) {
    bytes.push(0x21, 0xf9, 4, (f.disposal || 0) << 2 | (f.transparent === undefined ? 0 : 1), ...u16(f.delay),
      f.transparent || 0, 0, 0x2c, ...u16(f.left), ...u16(f.top), ...u16(f.width), ...u16(f.height), 0, 8);
    const codes = [256];
    for (let i = 0; i < f.width * f.height; i++) {
      if (i % 254 === 253) codes.push(256);
      codes.push(f.index(i % f.width, Math.floor(i / f.width)));
    }
    const data = [];
    let bits = 0, value = 0;
    for (const code of [...codes, 257]) {
      value |= code << bits;
      for (bits += 9; bits >= 8; bits -= 8, value >>= 8) data.push(value & 255);
    }
    if (bits > 0) data.push(value & 255);
    for (let at = 0; at < data.length; at += 255) bytes.push(Math.min(255, data.length - at), ...data.slice(at, at + 255));
    bytes.push(0);
  }
  return Buffer.from([...bytes, 0x3b]);
}

// A Standard MIDI File; each track a list of [tick, ...bytes] events (as note()
// and the others below make), ticks absolute, in any order.
export function midiFile({ format = 1, division = 96, tracks }) {
  const u32 = (n) => [n >>> 24, n >> 16 & 255, n >> 8 & 255, n & 255];
  const variable = (n) => {
    const bytes = [n & 127];
    while ((n >>= 7) > 0) bytes.unshift((n & 127) | 128);
    return bytes;
  };
  const chunks = [...Buffer.from('MThd'), ...u32(6), 0, format, 0, tracks.length, division >> 8, division & 255];
  for (const events of tracks) {
    const sorted = [...events].sort((a, b) => a[0] - b[0]);
    const body = [];
    let last = 0;
    for (const [tick, ...bytes] of [...sorted, [sorted.length ? sorted[sorted.length - 1][0] : 0, 0xff, 0x2f, 0]]) {
      body.push(...variable(tick - last), ...bytes);
      last = tick;
    }
    chunks.push(...Buffer.from('MTrk'), ...u32(body.length), ...body);
  }
  return Buffer.from(chunks);
}

export const note = (tick, channel, key, velocity, length) =>
  [[tick, 0x90 | channel, key, velocity], [tick + length, 0x80 | channel, key, 0]];
export const tempo = (tick, us) => [tick, 0xff, 0x51, 3, us >> 16 & 255, us >> 8 & 255, us & 255];
export const controller = (tick, channel, number, value) => [tick, 0xb0 | channel, number, value];
export const program = (tick, channel, number) => [tick, 0xc0 | channel, number];
export const bend = (tick, channel, value) => [tick, 0xe0 | channel, (value + 8192) & 127, (value + 8192) >> 7];
