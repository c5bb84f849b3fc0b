// A small General MIDI synthesizer on Web Audio. It schedules the whole score
// ahead on any BaseAudioContext, so an OfflineAudioContext renders exactly what
// a live page plays: no timers, nothing decided while the song runs.
import { DRUM_CHANNEL } from './song.js';

const MASTER_GAIN = 0.3;

// One voice per family of eight General MIDI programs. Harmonics are the
// partials' amplitudes; `pair` adds a second oscillator (ratio to the note,
// gain, cents apart); times are in seconds, `decay` a time constant towards
// `sustain`; `cutoff` is a low-pass in multiples of the note's frequency, moving
// from `cutoff[0]` to `cutoff[1]` with time constant `sweep`.
const FAMILIES = [
  // Piano: a bright strike that fades.
  { harmonics: [1, 0.7, 0.45, 0.3, 0.2, 0.12, 0.08, 0.05], attack: 0.004, decay: 0.9, sustain: 0, release: 0.25,
    cutoff: [10, 3], sweep: 0.4 },
  // Chromatic percussion: a bell's inharmonic partial over a sine.
  { wave: 'sine', pair: [4.07, 0.5, 0], attack: 0.002, decay: 0.45, sustain: 0, release: 0.3 },
  // Organ: drawbars, steady while held.
  { harmonics: [1, 0.9, 0.6, 0.5, 0, 0.35, 0, 0.3, 0, 0, 0, 0.2], attack: 0.012, decay: 1, sustain: 1, release: 0.06 },
  // Guitar: a plucked string whose brightness dies first.
  { wave: 'sawtooth', attack: 0.003, decay: 1.1, sustain: 0, release: 0.12, cutoff: [8, 1.5], sweep: 0.25 },
  // Bass: low and round.
  { harmonics: [1, 0.55, 0.25, 0.12, 0.06], attack: 0.006, decay: 0.6, sustain: 0.35, release: 0.08,
    cutoff: [4, 2], sweep: 0.2 },
  // Strings: two bowed saws, slow to speak.
  { wave: 'sawtooth', pair: [1, 1, 9], attack: 0.14, decay: 1, sustain: 0.9, release: 0.35, cutoff: [5, 5] },
  // Ensemble and choir: soft vowels, slower still.
  { harmonics: [1, 0.25, 0.5, 0.15, 0.3, 0.05, 0.1], pair: [1, 0.8, 14], attack: 0.22, decay: 1, sustain: 0.9,
    release: 0.45 },
  // Brass: the filter opens as the note speaks.
  { wave: 'sawtooth', attack: 0.03, decay: 0.5, sustain: 0.8, release: 0.12, cutoff: [1.2, 7], sweep: 0.06 },
  // Reed: odd harmonics, hollow.
  { wave: 'square', attack: 0.025, decay: 1, sustain: 0.85, release: 0.1, cutoff: [4, 4] },
  // Pipe: almost a pure tone.
  { harmonics: [1, 0.12, 0.04], attack: 0.05, decay: 1, sustain: 0.9, release: 0.1 },
  // Synth lead: square and saw together, buzzing.
  { wave: 'square', pair: [1, 0.6, 6], pairWave: 'sawtooth', attack: 0.008, decay: 1, sustain: 1, release: 0.08 },
  // Synth pad: detuned saws through a dark filter, swelling.
  { wave: 'sawtooth', pair: [1, 1, -16], attack: 0.4, decay: 1, sustain: 1, release: 0.7, cutoff: [1.5, 3],
    sweep: 0.8 },
  // Synth effects: a fifth above, glassy.
  { wave: 'triangle', pair: [1.5, 0.5, 0], attack: 0.15, decay: 1.5, sustain: 0.6, release: 0.6 },
  // Ethnic plucked strings: brighter and shorter than the guitar.
  { wave: 'sawtooth', pair: [2, 0.3, 3], attack: 0.002, decay: 0.5, sustain: 0, release: 0.1, cutoff: [14, 2.5],
    sweep: 0.15 },
  // Percussive: a struck membrane or block, quickly gone.
  { wave: 'sine', pair: [2.76, 0.6, 0], attack: 0.001, decay: 0.2, sustain: 0, release: 0.08 },
  // Sound effects: a rasping saw over an octave below, falling dark.
  { wave: 'sawtooth', pair: [0.5, 0.9, 0], pairWave: 'square', attack: 0.06, decay: 0.35, sustain: 0.35,
    release: 0.3, cutoff: [9, 2], sweep: 0.25 },
];

// Channel 10's kit, by key: `tone` a sine falling from `from` to `to` Hz,
// `noise` filtered noise (`band` a band-pass centre, else `high` a high-pass
// edge), each with its level and time constant of decay.
const KICK = { tone: [150, 45, 1, 0.12] };
const SNARE = { tone: [190, 160, 0.5, 0.06], noise: [0, 1200, 0.8, 0.07] };
const CLAP = { noise: [1400, 0, 1, 0.05] };
const CLOSED_HAT = { noise: [0, 7000, 0.45, 0.025] };
const OPEN_HAT = { noise: [0, 7000, 0.45, 0.2] };
const CRASH = { noise: [0, 4500, 0.6, 0.6] };
const RIDE = { noise: [6500, 0, 0.5, 0.35], tone: [520, 520, 0.08, 0.35] };
const tom = (hz) => ({ tone: [hz * 1.4, hz, 0.9, 0.18] });
const KIT = {
  35: KICK, 36: KICK, 37: { noise: [2500, 0, 0.8, 0.02] }, 38: SNARE, 39: CLAP, 40: SNARE,
  41: tom(70), 42: CLOSED_HAT, 43: tom(85), 44: CLOSED_HAT, 45: tom(100), 46: OPEN_HAT, 47: tom(120), 48: tom(140),
  49: CRASH, 50: tom(165), 51: RIDE, 52: CRASH, 53: RIDE, 55: CRASH, 57: CRASH, 59: RIDE,
};
// Anything else on the kit: a short burst of noise pitched by its key.
const otherDrum = (key) => ({ noise: [200 * Math.pow(2, (key - 35) / 12), 0, 0.7, 0.06] });

function frequencyOf(key) {
  return 440 * Math.pow(2, (key - 69) / 12);
}

// Resources made once per context: the families' waves and one second of noise
// from a fixed seed, so that every rendering is the same.
function voiceBank(context) {
  const waves = FAMILIES.map((family) => {
    if (!family.harmonics) return null;
    const real = new Float32Array(family.harmonics.length + 1);
    const imag = new Float32Array([0, ...family.harmonics]);
    return context.createPeriodicWave(real, imag);
  });
  const noise = context.createBuffer(1, context.sampleRate, context.sampleRate);
  const samples = noise.getChannelData(0);
  let seed = 0x2545f491;
  for (let i = 0; i < samples.length; i++) {
    seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
    samples[i] = seed / 2147483648 - 1;
  }
  return { waves, noise };
}

// The value a list of [seconds, value] changes holds at `time`.
function valueAt(changes, time) {
  let value = changes[0][1];
  for (const [at, v] of changes) {
    if (at > time) break;
    value = v;
  }
  return value;
}

// Follows `changes` on `param` from `from` to `to`, through `map`.
function follow(param, changes, from, to, map) {
  param.setValueAtTime(map(valueAt(changes, from)), from);
  for (const [at, value] of changes) if (at > from && at < to) param.setValueAtTime(map(value), at);
}

// Each channel's strip: its volume and expression, then its pan.
function channelStrip(context, output, channel, offset) {
  const gain = context.createGain();
  const expression = context.createGain();
  const pan = context.createStereoPanner();
  gain.connect(expression).connect(pan).connect(output);
  const shift = (changes) => changes.map(([at, value]) => [at + offset, value]);
  const level = (value) => (value / 127) * (value / 127);
  follow(gain.gain, shift(channel.volume), offset, Infinity, level);
  follow(expression.gain, shift(channel.expression), offset, Infinity, level);
  follow(pan.pan, shift(channel.pan), offset, Infinity, (value) => Math.max(-1, (value - 64) / 63));
  return gain;
}

// The envelope: a rise to `peak`, a decay towards the sustain level, and from
// `release` a fall to silence. The moment the voice can stop.
function envelope(param, start, release, peak, shape) {
  const top = start + shape.attack;
  param.setValueAtTime(0, start);
  param.linearRampToValueAtTime(peak, top);
  if (shape.sustain < 1) param.setTargetAtTime(peak * shape.sustain, top, shape.decay);
  const fall = Math.max(release, top);
  param.setTargetAtTime(0, fall, shape.release / 4);
  return fall + shape.release * 1.25;
}

function playMelodic(context, bank, strip, note, offset, bends) {
  const familyIndex = note.program >> 3;
  const family = FAMILIES[familyIndex];
  const start = note.start + offset;
  const frequency = frequencyOf(note.key);
  const loudness = Math.pow(note.velocity / 127, 1.6);
  const amp = context.createGain();
  const stop = envelope(amp.gain, start, note.end + offset, loudness * 0.5, family);
  let input = amp;
  if (family.cutoff) {
    const filter = context.createBiquadFilter();
    filter.type = 'lowpass';
    filter.Q.value = 0.7;
    // Softer notes are darker.
    const brightness = 0.55 + 0.45 * (note.velocity / 127);
    const edge = (multiple) => Math.min(18000, frequency * multiple * brightness);
    filter.frequency.setValueAtTime(edge(family.cutoff[0]), start);
    if (family.sweep) filter.frequency.setTargetAtTime(edge(family.cutoff[1]), start, family.sweep);
    filter.connect(amp);
    input = filter;
  }
  amp.connect(strip);
  const oscillator = (ratio, level, cents, wave) => {
    const source = context.createOscillator();
    if (wave) source.type = wave;
    else source.setPeriodicWave(bank.waves[familyIndex]);
    source.frequency.value = frequency * ratio;
    follow(source.detune, bends, start, stop, (bend) => bend + cents);
    if (level === 1) {
      source.connect(input);
    } else {
      const gain = context.createGain();
      gain.gain.value = level;
      source.connect(gain).connect(input);
    }
    source.start(start);
    source.stop(stop);
  };
  oscillator(1, 1, 0, family.wave);
  if (family.pair) oscillator(family.pair[0], family.pair[1], family.pair[2], family.pairWave || family.wave);
  return stop;
}

function decaying(context, start, level, constant) {
  const gain = context.createGain();
  gain.gain.setValueAtTime(level, start);
  gain.gain.setTargetAtTime(0, start, constant);
  return { gain, stop: start + constant * 6 };
}

function playDrum(context, bank, strip, note, offset) {
  const sound = KIT[note.key] || otherDrum(note.key);
  const start = note.start + offset;
  const loudness = Math.pow(note.velocity / 127, 1.6) * 0.6;
  let stop = start;
  if (sound.tone) {
    const [from, to, level, constant] = sound.tone;
    const { gain, stop: end } = decaying(context, start, level * loudness, constant);
    const source = context.createOscillator();
    source.frequency.setValueAtTime(from, start);
    if (to !== from) source.frequency.exponentialRampToValueAtTime(to, start + constant);
    source.connect(gain).connect(strip);
    source.start(start);
    source.stop(end);
    stop = Math.max(stop, end);
  }
  if (sound.noise) {
    const [band, high, level, constant] = sound.noise;
    const { gain, stop: end } = decaying(context, start, level * loudness, constant);
    const filter = context.createBiquadFilter();
    filter.type = band ? 'bandpass' : 'highpass';
    filter.frequency.value = band || high;
    const source = context.createBufferSource();
    source.buffer = bank.noise;
    source.loop = true;
    source.connect(filter).connect(gain).connect(strip);
    // Each key starts at its own place in the noise, so that hits differ.
    source.start(start, (note.key * 0.0137) % 1);
    source.stop(end);
    stop = Math.max(stop, end);
  }
  return stop;
}

// Schedules `score` on `context` into `destination`, its time 0 at `when`.
// Returns the context time at which the last sound has died away.
export function scheduleScore(context, destination, score, when) {
  const bank = voiceBank(context);
  const master = context.createGain();
  master.gain.value = MASTER_GAIN;
  master.connect(destination);
  const strips = score.channels.map((channel) => channelStrip(context, master, channel, when));
  const bends = score.channels.map((channel) => channel.bend.map(([at, cents]) => [at + when, cents]));
  let end = when + score.end;
  for (const note of score.notes) {
    const strip = strips[note.channel];
    const stop = note.channel === DRUM_CHANNEL
      ? playDrum(context, bank, strip, note, when)
      : playMelodic(context, bank, strip, note, when, bends[note.channel]);
    end = Math.max(end, stop);
  }
  return end;
}

// How long `score` sounds when scheduled at 0, its last sound's tail included.
export function scoreLength(score) {
  let end = score.end;
  for (const note of score.notes) {
    if (note.channel === DRUM_CHANNEL) {
      const sound = KIT[note.key] || otherDrum(note.key);
      const longest = Math.max(sound.tone ? sound.tone[3] : 0, sound.noise ? sound.noise[3] : 0);
      end = Math.max(end, note.start + longest * 6);
    } else {
      const family = FAMILIES[note.program >> 3];
      end = Math.max(end, Math.max(note.end, note.start + family.attack) + family.release * 1.25);
    }
  }
  return end;
}
