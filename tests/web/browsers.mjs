// What the browser tests share: Debian's Chromium and Firefox driven by
// puppeteer-core (from web/node_modules), pages made by the real packer, frames
// read back through ImageMagick, and Standard MIDI Files written here.
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
export const source = join(here, '..', '..');
const puppeteer = createRequire(join(source, 'web', 'package.json'))('puppeteer-core');

export const packer = process.env.LOOPVUE_PACK || join(source, 'build', 'host', 'bin', 'loopvue-pack');
export const browserName = process.argv[2] || 'chromium';
// Headless Chromium plays into a sink of its own; Firefox without a sound device
// keeps an AudioContext suspended, its clock at 0.
export const audioClockRuns = browserName === 'chromium';

// A fresh folder removed at exit.
export function scratch(name) {
  const dir = mkdtempSync(join(tmpdir(), `loopvue-web-${name}-`));
  process.on('exit', () => rmSync(dir, { recursive: true, force: true }));
  return dir;
}

// Firefox's scripts can only be turned off for the whole browser; Chromium's
// per page (setJavaScriptEnabled).
export async function launch({ scripts = true } = {}) {
  const profile = scratch('profile');
  if (browserName === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, userDataDir: profile,
      defaultViewport: null, args: ['--width=800', '--height=600'],
      extraPrefsFirefox: scripts ? {} : { 'javascript.enabled': false },
    });
  }
  return puppeteer.launch({
    browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true, userDataDir: profile,
    defaultViewport: null,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic', '--hide-scrollbars', '--window-size=800,600'],
  });
}

// Firefox ESR's WebDriver BiDi lacks the screen orientation that puppeteer's
// setViewport also sends, so its viewport is set through the context itself.
export async function setViewport(page, width, height, devicePixelRatio = 1) {
  if (browserName === 'firefox') {
    await page.mainFrame().browsingContext.setViewport({ viewport: { width, height }, devicePixelRatio });
  } else {
    await page.setViewport({ width, height, deviceScaleFactor: devicePixelRatio });
  }
}

// Runs the packer; its status and both streams.
export function pack(args) {
  const run = spawnSync(packer, args, { encoding: 'utf8' });
  return { status: run.status, out: run.stdout, err: run.stderr };
}

export function imageMagick(args, input) {
  return execFileSync('/usr/bin/convert', args, { input, maxBuffer: 1 << 28 });
}

// A binary PPM's size and RGB pixels.
export function readPpm(path) {
  const bytes = readFileSync(path);
  const header = bytes.toString('latin1', 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  return { width: Number(header[1]), height: Number(header[2]), pixels: bytes.subarray(header[0].length) };
}

// The RGB pixels of a PNG, as ImageMagick reads it.
export function pngPixels(png) {
  return imageMagick(['png:-', '-alpha', 'off', '-depth', '8', 'rgb:-'], png);
}

// `frame` scaled up `factor` times, pixel for pixel.
export function scaled(frame, factor) {
  const width = frame.width * factor, height = frame.height * factor;
  const pixels = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const from = (Math.floor(y / factor) * frame.width + Math.floor(x / factor)) * 3;
      frame.pixels.copy(pixels, (y * width + x) * 3, from, from + 3);
    }
  }
  return { width, height, pixels };
}

// The page's animation as the screen shows it: its box's RGB pixels.
export async function shotOfAnimation(page) {
  const box = await page.$eval('#animation', (image) => {
    const r = image.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height };
  });
  const png = await page.screenshot({ clip: box, type: 'png' });
  return pngPixels(Buffer.from(png));
}

// A GIF89a file: one global table of 256 entries and the frames given, each
// {delay, disposal, transparent (an index or undefined), left, top, width,
// height, index(x, y)}, with a looping extension of `loops` unless undefined.
// Its image data is one code per pixel, cleared before the codes would widen.
export function gifFile({ width, height, palette, loops, frames }) {
  const u16 = (n) => [n & 255, n >> 8 & 255];
  const table = Array.from({ length: 256 }, (_, i) => palette[i] || [0, 0, 0]).flat();
  const bytes = [...Buffer.from('GIF89a'), ...u16(width), ...u16(height), 0xf7, 0, 0, ...table];
  if (loops !== undefined) bytes.push(0x21, 0xff, 11, ...Buffer.from('NETSCAPE2.0'), 3, 1, ...u16(loops), 0);
  for (const f of frames) {
    const packed = (f.disposal || 0) << 2 | (f.transparent === undefined ? 0 : 1);
    bytes.push(0x21, 0xf9, 4, packed, ...u16(f.delay), f.transparent || 0, 0);
    bytes.push(0x2c, ...u16(f.left), ...u16(f.top), ...u16(f.width), ...u16(f.height), 0);
    const clear = 256, stop = 257, codes = [clear];
    for (let y = 0, run = 0; y < f.height; y++) {
      for (let x = 0; x < f.width; x++, run++) {
        if (run === 254) codes.push(clear), run = 0;
        codes.push(f.index(x, y));
      }
    }
    codes.push(stop);
    const data = [];
    let bits = 0, value = 0;
    for (const code of codes) {
      value |= code << bits;
      for (bits += 9; bits >= 8; bits -= 8, value >>= 8) data.push(value & 255);
    }
    if (bits > 0) data.push(value & 255);
    bytes.push(8);
    for (let at = 0; at < data.length; at += 255) bytes.push(Math.min(255, data.length - at), ...data.slice(at, at + 255));
    bytes.push(0);
  }
  bytes.push(0x3b);
  return Buffer.from(bytes);
}

// A Standard MIDI File. Each track is a list of [tick, ...bytes] events in any
// order; ticks are absolute and written as delta times.
export function midiFile({ format = 1, division = 96, tracks }) {
  const u16 = (n) => [n >> 8 & 255, n & 255];
  const u32 = (n) => [n >>> 24 & 255, n >> 16 & 255, n >> 8 & 255, n & 255];
  const variable = (n) => {
    const bytes = [n & 127];
    while ((n >>= 7) > 0) bytes.unshift((n & 127) | 128);
    return bytes;
  };
  const chunks = [[...Buffer.from('MThd'), ...u32(6), ...u16(format), ...u16(tracks.length), ...u16(division)]];
  for (const events of tracks) {
    const sorted = [...events].sort((a, b) => a[0] - b[0]);
    const end = sorted.length ? sorted[sorted.length - 1][0] : 0;
    let last = 0;
    const body = [];
    for (const [tick, ...bytes] of [...sorted, [end, 0xff, 0x2f, 0]]) {
      body.push(...variable(tick - last), ...bytes);
      last = tick;
    }
    chunks.push([...Buffer.from('MTrk'), ...u32(body.length), ...body]);
  }
  return Buffer.from(chunks.flat());
}

// Events for midiFile: a note of `length` ticks, a tempo, a controller, a
// program and a pitch bend (-8192 to 8191).
export const note = (tick, channel, key, velocity, length) =>
  [[tick, 0x90 | channel, key, velocity], [tick + length, 0x80 | channel, key, 0]];
export const tempo = (tick, microseconds) =>
  [tick, 0xff, 0x51, 3, microseconds >> 16 & 255, microseconds >> 8 & 255, microseconds & 255];
export const controller = (tick, channel, number, value) => [tick, 0xb0 | channel, number, value];
export const program = (tick, channel, number) => [tick, 0xc0 | channel, number];
export const bend = (tick, channel, value) => [tick, 0xe0 | channel, (value + 8192) & 127, (value + 8192) >> 7];
