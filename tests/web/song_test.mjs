// The web greeting's song (node song_test.mjs chromium|firefox): the page's synthesizer
// rendered offline against the notes' own times, tempos, tracks and sounds.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  bend, browserName, controller, gifFile, greeting, launch, midiFile, newPage, note, program, tempo,
} from './browsers.mjs';

const LOUD = 0.002, QUIET = 0.0005;  // a note has begun (-54 dBFS); silence (-66 dBFS)
const TICKS = 96, SECOND = 1000000, HALF = 500000;  // ticks per quarter note; tempos
const STILL = gifFile({ width: 8, height: 8, palette: [[0, 0, 0]], frames: [
  { delay: 10, left: 0, top: 0, width: 8, height: 8, index: () => 0 }] });
let browser;
before(async () => (browser = await launch()));
after(() => browser?.close());

// The song rendered by its page: each millisecond's peak, and per window {from, to,
// f0, harmonics} the rising zero crossings per second, harmonic amplitudes, mean power.
async function render(song, windows = []) {
  const page = await newPage(browser, 200, 200);
  await page.goto(greeting('song', STILL, { song }).url);
  const result = await page.evaluate(async (windows) => {
    const buffer = await window.loopvueSong.render(44100);
    const rate = buffer.sampleRate, [left, right] = [buffer.getChannelData(0), buffer.getChannelData(1)];
    const peaks = [];
    for (let i = 0; i < left.length; i++) {
      const ms = Math.floor((i * 1000) / rate);
      peaks[ms] = Math.max(peaks[ms] || 0, Math.abs(left[i]), Math.abs(right[i]));
    }
    return { peaks, measured: windows.map(({ from, to, f0, harmonics }) => {
      const a = Math.round(from * rate), n = Math.round(to * rate) - a, x = (i) => (left[a + i] + right[a + i]) / 2;
      let crossings = 0, power = 0;
      for (let i = 0; i < n; i++) power += x(i) ** 2, crossings += i > 0 && x(i - 1) < 0 && x(i) >= 0 ? 1 : 0;
      const amplitudes = Array.from({ length: harmonics }, (_, k) => {
        let re = 0, im = 0;
        for (let i = 0; i < n; i++) {
          const w = (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / n)) * x(i), phase = (2 * Math.PI * (k + 1) * f0 * i) / rate;
          re += w * Math.cos(phase), im += w * Math.sin(phase);
        }
        return (4 * Math.hypot(re, im)) / n;  // the Hann window halves the amplitude
      });
      return { crossings: (crossings * rate) / n, amplitudes, power: power / n };
    }) };
  }, windows);
  await page.close();
  return result;
}

const loudest = (peaks, from, to) => Math.max(...peaks.slice(Math.round(from * 1000), Math.round(to * 1000) + 1));

// Each start: quiet until 10 ms before it, loud within 10 ms of it; each rest quiet.
function assertTimes(peaks, starts, rests) {
  let worst = 0;
  for (const start of starts) {
    assert.ok(loudest(peaks, start - 0.06, start - 0.011) < QUIET, `silence before the note at ${start} s`);
    const ms = Math.round(start * 1000), onset = peaks.findIndex((peak, m) => m >= ms - 10 && peak > LOUD);
    assert.ok(onset >= 0 && onset <= ms + 10, `the note at ${start} s sounds from ${onset} ms`);
    worst = Math.max(worst, Math.abs(onset - ms));
  }
  for (const [from, to] of rests) assert.ok(loudest(peaks, from, to) < QUIET, `silence from ${from} to ${to} s`);
  console.log(`# ${browserName}: ${starts.length} notes, each loud within ${worst} ms of its start`);
}

test('format 0: each note sounds at its start and the rests are silent, through a tempo change', async () => {
  // Quarter notes of half a second, then from beat 5 of a second; each an eighth long.
  const events = [tempo(0, HALF), tempo(5 * TICKS, SECOND)];
  [1, 3, 5, 6, 7.5].forEach((beat, i) => events.push(...note(beat * TICKS, 0, 60 + i, i % 2 ? 40 : 110, 12)));
  const { peaks } = await render(midiFile({ format: 0, tracks: [events] }));
  const starts = [0.5, 1.5, 2.5, 3.5, 5.0], ends = [0.5625, 1.5625, 2.625, 3.625, 5.125];
  // Silence from 0.6 s after each note's end to the next.
  const rests = ends.map((end, i) => [end + 0.6, i < 4 ? starts[i + 1] - 0.011 : peaks.length / 1000 - 0.001]);
  assertTimes(peaks, starts, [[0, 0.48], ...rests]);
});

test('format 1: the first track\'s tempo times the others\' notes; drums, sustain, bend and velocity', async () => {
  const beat = (b) => Math.round(b * TICKS), eighth = beat(0.125);
  const conductor = [tempo(0, SECOND), [0, 0xff, 0x58, 4, 4, 2, 24, 8]];
  const piano = [...note(beat(1), 0, 60, 100, eighth),
    // Released at 8.125 s, held by the pedal until it lifts at 9.5 s.
    controller(beat(7.9), 0, 64, 127), ...note(beat(8), 0, 60, 100, eighth), controller(beat(9.5), 0, 64, 0),
    ...note(beat(11), 0, 60, 120, eighth), ...note(beat(12), 0, 60, 30, eighth)];
  const organ = [program(0, 1, 19), ...note(beat(2), 1, 64, 100, eighth)];
  const drums = [...note(beat(3), 9, 36, 100, eighth), ...note(beat(4), 9, 42, 100, eighth)];
  const flute = [program(0, 2, 73), ...note(beat(5), 2, 69, 100, beat(2)), bend(beat(6), 2, 8191)];  // up a tone
  const { peaks, measured } = await render(midiFile({ tracks: [conductor, piano, organ, drums, flute] }),
    [{ from: 5.2, to: 5.9, f0: 440, harmonics: 1 }, { from: 6.1, to: 6.9, f0: 440, harmonics: 1 }]);
  assertTimes(peaks, [1, 2, 3, 4, 5, 8, 11, 12], [1, 2, 3, 4].map((s) => [s + 0.725, s + 0.989])
    .concat([[7.6, 7.989], [10.1, 10.989]]));
  assert.ok(loudest(peaks, 9.3, 9.45) > LOUD, 'the pedal holds the note');
  const [loud, soft] = [loudest(peaks, 11, 11.1), loudest(peaks, 12, 12.1)];
  assert.ok(loud > 3 * soft, `velocity 120 peaks at ${loud}, 30 at ${soft}`);
  const [before, bent] = measured.map((m) => m.crossings);
  assert.ok(Math.abs(before - 440) < 4 && Math.abs(bent - 440 * 2 ** (2 / 12)) < 4, `${before} Hz, bent ${bent} Hz`);
});

test('each family of General MIDI programs has a voice of its own, and channel 10 its drums', async () => {
  // One middle C every two seconds, a program of each family of eight, then a cymbal.
  const events = [tempo(0, SECOND), ...note(32 * TICKS, 9, 49, 100, 12)];
  for (let f = 0; f < 16; f++) events.push(program(2 * f * TICKS, 0, 8 * f), ...note(2 * f * TICKS, 0, 60, 100, 77));
  const windows = Array.from({ length: 17 }, (_, i) => [{ from: 2 * i + 0.1, to: 2 * i + 0.5, f0: 261.63, harmonics: 8 },
    { from: 2 * i + 0.6, to: 2 * i + 0.75, f0: 261.63, harmonics: 1 }]).flat();
  const { measured } = await render(midiFile({ format: 0, tracks: [events] }), windows);
  const voices = Array.from({ length: 17 }, (_, i) => {
    const [early, late] = [measured[2 * i], measured[2 * i + 1]], total = early.amplitudes.reduce((s, a) => s + a);
    return { profile: early.amplitudes.map((a) => a / total), sustain: Math.sqrt(late.power / early.power),
      tonal: early.amplitudes.reduce((s, a) => s + (a * a) / 2, 0) / early.power };
  });
  console.log(`# ${browserName}: voice: tonal share, level at 0.7 s over 0.3 s, harmonics 1-8`);
  voices.forEach((v, i) => console.log(`#   ${i < 16 ? `family ${i}` : 'cymbal'}: ${v.tonal.toFixed(2)} ` +
    `${v.sustain.toFixed(3)} ${v.profile.map((p) => p.toFixed(2)).join(' ')}`));
  // Two voices differ in their harmonics, in what lies between them, or in how they fade.
  const distance = (a, b) => a.profile.reduce((s, p, k) => s + Math.abs(p - b.profile[k]), 0) +
    Math.abs(a.tonal - b.tonal) + Math.abs(Math.log((a.sustain + 0.01) / (b.sustain + 0.01)));
  let closest = [Infinity];
  for (let i = 0; i < 16; i++) {
    for (let j = i + 1; j < 16; j++) if (distance(voices[i], voices[j]) < closest[0]) closest = [distance(voices[i], voices[j]), i, j];
  }
  console.log(`#   closest: families ${closest[1]} and ${closest[2]}, ${closest[0].toFixed(3)} apart`);
  assert.ok(closest[0] > 0.15, `families ${closest[1]} and ${closest[2]} sound alike`);
  assert.ok(voices.slice(0, 16).every((v) => v.tonal > 2 * voices[16].tonal), 'the cymbal is noise');
});
