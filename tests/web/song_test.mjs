// The web greeting's song (node song_test.mjs chromium|firefox): the page's own
// synthesizer rendered offline on songs written here, against the times their
// notes were written for: sound at each note's start, silence in the rests,
// through tempo changes and across the tracks of format 1, with drums, the
// sustain pedal, pitch bend, velocity, and a voice of its own for each family.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import {
  bend, browserName, controller, gifFile, launch, midiFile, note, pack, program, scratch, setViewport, tempo,
} from './browsers.mjs';

const dir = scratch('songs');
const LOUD = 0.002;    // a note has begun (about -54 dBFS)
const QUIET = 0.0005;  // silence (about -66 dBFS)
const TICKS = 96;      // per quarter note
const ONE_SECOND = 1000000, HALF_A_SECOND = 500000;  // tempos, microseconds per quarter note
let browser;

before(async () => {
  browser = await launch();
});
after(async () => {
  await browser?.close();
});

const GIF = gifFile({ width: 8, height: 8, palette: [[0, 0, 0], [255, 255, 255]], frames: [
  { delay: 10, left: 0, top: 0, width: 8, height: 8, index: (x, y) => (x + y) & 1 }] });

// Renders `song` through a page the packer made of it: the peak of each
// millisecond, and for each of `windows` ({from, to, f0, harmonics} in seconds
// and Hz) the rising zero crossings per second, the harmonics' amplitudes and
// the mean power.
async function render(name, song, windows = []) {
  const gif = join(dir, 'still.gif'), midi = join(dir, `${name}.mid`), path = join(dir, `${name}.html`);
  writeFileSync(gif, GIF);
  writeFileSync(midi, song);
  const run = pack(['--web', '--midi', midi, gif, '-o', path]);
  assert.equal(run.status, 0, run.err);
  const page = await browser.newPage();
  await setViewport(page, 200, 200);
  await page.goto(pathToFileURL(path).href, { waitUntil: 'load' });
  const result = await page.evaluate(async (windows) => {
    const buffer = await window.loopvueSong.render(44100);
    const rate = buffer.sampleRate, left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    const peaks = [];
    for (let at = 0; at < left.length; at += rate / 1000) {
      let peak = 0;
      for (let i = Math.round(at); i < Math.min(left.length, Math.round(at + rate / 1000)); i++) {
        peak = Math.max(peak, Math.abs(left[i]), Math.abs(right[i]));
      }
      peaks.push(peak);
    }
    const measured = windows.map(({ from, to, f0, harmonics }) => {
      const a = Math.round(from * rate), b = Math.round(to * rate), n = b - a;
      const x = (i) => (left[a + i] + right[a + i]) / 2;
      let crossings = 0, power = 0;
      for (let i = 1; i < n; i++) if (x(i - 1) < 0 && x(i) >= 0) crossings++;
      for (let i = 0; i < n; i++) power += x(i) * x(i);
      const amplitudes = [];
      for (let k = 1; k <= harmonics; k++) {
        let re = 0, im = 0;
        for (let i = 0; i < n; i++) {
          const w = 0.5 - 0.5 * Math.cos((2 * Math.PI * i) / n);  // Hann: half the amplitude
          re += w * x(i) * Math.cos((2 * Math.PI * k * f0 * i) / rate);
          im += w * x(i) * Math.sin((2 * Math.PI * k * f0 * i) / rate);
        }
        amplitudes.push((4 * Math.hypot(re, im)) / n);
      }
      return { crossings: (crossings * rate) / n, amplitudes, power: power / n };
    });
    return { peaks, measured };
  }, windows);
  await page.close();
  return result;
}

const loudest = (peaks, from, to) => Math.max(...peaks.slice(Math.round(from * 1000), Math.round(to * 1000) + 1));

// Each start: quiet until 10 ms before it, loud within 10 ms of it.
function assertStarts(peaks, starts) {
  let worst = 0;
  for (const start of starts) {
    assert.ok(loudest(peaks, start - 0.06, start - 0.011) < QUIET, `silence before the note at ${start} s`);
    const ms = Math.round(start * 1000);
    const onset = peaks.findIndex((peak, m) => m >= ms - 10 && peak > LOUD);
    assert.ok(onset >= 0 && onset <= ms + 10, `the note at ${start} s sounds from ${onset} ms`);
    worst = Math.max(worst, Math.abs(onset - ms));
  }
  console.log(`# ${browserName}: ${starts.length} notes, each loud within ${worst} ms of its start`);
}

function assertRests(peaks, rests) {
  for (const [from, to] of rests) {
    assert.ok(loudest(peaks, from, to) < QUIET, `silence from ${from} to ${to} s: ${loudest(peaks, from, to)}`);
  }
}

test('format 0: each note sounds at its start and the rests are silent, through a tempo change', async () => {
  // Quarter notes of half a second, then, from beat 5, of a whole second.
  const beats = [1, 3, 5, 6, 7.5];
  const events = [tempo(0, HALF_A_SECOND), tempo(5 * TICKS, ONE_SECOND)];
  beats.forEach((beat, i) => events.push(...note(beat * TICKS, 0, 60 + i, i % 2 ? 40 : 110, TICKS / 8)));
  const { peaks } = await render('tempo', midiFile({ format: 0, division: TICKS, tracks: [events] }));
  const starts = [0.5, 1.5, 2.5, 3.5, 5.0];
  assertStarts(peaks, starts);
  // Silence from 0.6 s after each note's end (an eighth of its beat) to the next.
  const ends = [0.5625, 1.5625, 2.625, 3.625, 5.125];
  assertRests(peaks, [[0, 0.48], ...ends.slice(0, -1).map((end, i) => [end + 0.6, starts[i + 1] - 0.011])]);
  assertRests(peaks, [[ends[4] + 0.6, peaks.length / 1000 - 0.001]]);
});

test('format 1: the first track\'s tempo times the others\' notes; drums, sustain, bend and velocity', async () => {
  const at = (beat) => Math.round(beat * TICKS);
  const conductor = [tempo(0, ONE_SECOND), [0, 0xff, 0x58, 4, 4, 2, 24, 8]];
  const piano = [
    ...note(at(1), 0, 60, 100, at(0.125)),
    // Held by the pedal from its release at 8.125 s until the pedal lifts at 9.5 s.
    controller(at(7.9), 0, 64, 127), ...note(at(8), 0, 60, 100, at(0.125)), controller(at(9.5), 0, 64, 0),
    ...note(at(11), 0, 60, 120, at(0.125)), ...note(at(12), 0, 60, 30, at(0.125)),
  ];
  const organ = [program(0, 1, 19), ...note(at(2), 1, 64, 100, at(0.125))];
  const drums = [...note(at(3), 9, 36, 100, at(0.125)), ...note(at(4), 9, 42, 100, at(0.125))];
  // A flute's A bent up a whole tone halfway.
  const flute = [program(0, 2, 73), ...note(at(5), 2, 69, 100, at(2)), bend(at(6), 2, 8191)];
  const song = midiFile({ format: 1, division: TICKS, tracks: [conductor, piano, organ, drums, flute] });
  const { peaks, measured } = await render('tracks', song, [
    { from: 5.2, to: 5.9, f0: 440, harmonics: 1 }, { from: 6.1, to: 6.9, f0: 440, harmonics: 1 }]);
  assertStarts(peaks, [1, 2, 3, 4, 5, 8, 11, 12]);
  assertRests(peaks, [[1.725, 1.989], [2.725, 2.989], [3.725, 3.989], [4.725, 4.989], [7.6, 7.989]]);
  assert.ok(loudest(peaks, 9.3, 9.45) > LOUD, 'the pedal holds the note');
  assertRests(peaks, [[10.1, 10.989]]);
  const [loud, soft] = [loudest(peaks, 11, 11.1), loudest(peaks, 12, 12.1)];
  assert.ok(loud > 3 * soft, `velocity 120 peaks at ${loud}, 30 at ${soft}`);
  const [before, bent] = measured.map((m) => m.crossings);
  assert.ok(Math.abs(before - 440) < 4, `the flute at ${before} Hz before the bend`);
  assert.ok(Math.abs(bent - 440 * 2 ** (2 / 12)) < 4, `and ${bent} Hz after it`);
});

test('each family of General MIDI programs has a voice of its own, and channel 10 its drums', async () => {
  const C4 = 261.63;
  const at2 = (family) => family * 2 * TICKS;  // one note every two seconds
  const events = [tempo(0, ONE_SECOND)];
  for (let family = 0; family < 16; family++) {
    events.push(program(at2(family), 0, family * 8), ...note(at2(family), 0, 60, 100, TICKS * 0.8));
  }
  events.push(...note(at2(16), 9, 49, 100, TICKS / 8));  // a crash cymbal
  const windows = [];
  for (let i = 0; i <= 16; i++) {
    windows.push({ from: 2 * i + 0.1, to: 2 * i + 0.5, f0: C4, harmonics: 8 });
    windows.push({ from: 2 * i + 0.6, to: 2 * i + 0.75, f0: C4, harmonics: 1 });
  }
  const { measured } = await render('families', midiFile({ format: 0, division: TICKS, tracks: [events] }), windows);
  const voices = [];
  for (let i = 0; i <= 16; i++) {
    const [early, late] = [measured[2 * i], measured[2 * i + 1]];
    const total = early.amplitudes.reduce((sum, a) => sum + a, 0) || 1;
    const tonal = early.amplitudes.reduce((sum, a) => sum + (a * a) / 2, 0) / (early.power || 1);
    voices.push({
      profile: early.amplitudes.map((a) => a / total),
      tonal,
      sustain: Math.sqrt(late.power / (early.power || 1)),
      centroid: early.amplitudes.reduce((sum, a, k) => sum + a * (k + 1), 0) / total,
    });
  }
  console.log(`# ${browserName}: family, spectral centroid (harmonics), tonal share, level at 0.7 s / 0.3 s`);
  voices.forEach((v, i) => console.log(`#   ${i < 16 ? `family ${i}` : 'drums'}: ${v.centroid.toFixed(2)} ` +
    `${v.tonal.toFixed(2)} ${v.sustain.toFixed(3)} [${v.profile.map((p) => p.toFixed(2)).join(' ')}]`));
  // Two voices differ in their harmonics, or in how they fade.
  const distance = (a, b) => a.profile.reduce((sum, p, k) => sum + Math.abs(p - b.profile[k]), 0) +
    Math.abs(Math.log((a.sustain + 0.01) / (b.sustain + 0.01)));
  for (let i = 0; i < 16; i++) {
    for (let j = i + 1; j < 16; j++) {
      assert.ok(distance(voices[i], voices[j]) > 0.15,
        `families ${i} and ${j} sound alike: ${distance(voices[i], voices[j]).toFixed(3)}`);
    }
  }
  const drum = voices[16];
  assert.ok(voices.slice(0, 16).every((v) => v.tonal > 2 * drum.tonal), `the cymbal's tonal share ${drum.tonal}`);
});
