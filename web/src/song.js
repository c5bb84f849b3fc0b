// Reads a Standard MIDI File into a score: every note of every channel with its
// start and end in seconds through the tempo map, and each channel's controller
// changes, so that the synthesizer can schedule the whole song ahead.
import parseMidi from 'midi-file/lib/midi-parser.js';

// Until a tempo event says otherwise a quarter note lasts half a second.
const DEFAULT_TEMPO = 500000;
export const DRUM_CHANNEL = 9;
const CHANNELS = 16;

// Controllers the synthesizer follows.
const CC_DATA_ENTRY = 6;
const CC_VOLUME = 7;
const CC_PAN = 10;
const CC_EXPRESSION = 11;
const CC_SUSTAIN = 64;
const CC_RPN_LSB = 100;
const CC_RPN_MSB = 101;
const CC_ALL_SOUND_OFF = 120;
const CC_RESET_CONTROLLERS = 121;
const CC_ALL_NOTES_OFF = 123;
const RPN_BEND_RANGE = 0;
const RPN_NONE = 0x3fff;

// Every event of every track with its absolute tick, in the order a sequencer
// meets them: by tick, then by track, then by place in the track.
function mergedEvents(tracks) {
  const events = [];
  tracks.forEach((track, trackIndex) => {
    let tick = 0;
    track.forEach((event, index) => {
      tick += event.deltaTime;
      events.push({ tick, trackIndex, index, event });
    });
  });
  events.sort((a, b) => a.tick - b.tick || a.trackIndex - b.trackIndex || a.index - b.index);
  return events;
}

// A clock that turns ticks, met in order, into seconds. With SMPTE division
// ticks are fixed fractions of a second and tempo events do not apply.
function tickClock(header) {
  if (header.ticksPerBeat === undefined) {
    const fps = header.framesPerSecond === 29 ? 29.97 : header.framesPerSecond;
    const perTick = 1 / (fps * header.ticksPerFrame);
    return { seconds: (tick) => tick * perTick, tempo() {} };
  }
  const ticksPerBeat = header.ticksPerBeat || 1;
  let fromTick = 0, fromSeconds = 0, tempo = DEFAULT_TEMPO;
  const seconds = (tick) => fromSeconds + ((tick - fromTick) * tempo) / 1e6 / ticksPerBeat;
  return {
    seconds,
    tempo(tick, microsecondsPerBeat) {
      fromSeconds = seconds(tick);
      fromTick = tick;
      tempo = microsecondsPerBeat;
    },
  };
}

function freshChannel(index) {
  return {
    index,
    program: 0,
    sustain: false,
    rpn: RPN_NONE,
    bendRange: 2,  // semitones
    held: [],      // notes released while the pedal was down
    // Changes over time: [seconds, value].
    volume: [[0, 100]],
    expression: [[0, 127]],
    pan: [[0, 64]],
    bend: [[0, 0]],  // cents
  };
}

// The score of `bytes`, a Standard MIDI File of format 0, 1 or 2 (whose tracks
// are taken to play together). Throws on a file it cannot read.
export function readSong(bytes) {
  const midi = parseMidi(bytes);
  const clock = tickClock(midi.header);
  const channels = Array.from({ length: CHANNELS }, (_, i) => freshChannel(i));
  const notes = [];
  const sounding = new Map();  // channel * 128 + key: the notes still on, oldest first
  let end = 0;

  const release = (note, time) => {
    note.end = time;
    const key = note.channel * 128 + note.key;
    const list = sounding.get(key);
    list.splice(list.indexOf(note), 1);
  };
  const releaseHeld = (channel, time) => {
    for (const note of channel.held) if (note.end === null) release(note, time);
    channel.held = [];
  };
  const allOff = (channel, time) => {
    for (const list of sounding.values()) {
      for (const note of list.slice()) if (note.channel === channel.index) release(note, time);
    }
    channel.held = [];
  };
  const control = (channel, number, value, time) => {
    switch (number) {
      case CC_VOLUME: channel.volume.push([time, value]); break;
      case CC_EXPRESSION: channel.expression.push([time, value]); break;
      case CC_PAN: channel.pan.push([time, value]); break;
      case CC_SUSTAIN:
        channel.sustain = value >= 64;
        if (!channel.sustain) releaseHeld(channel, time);
        break;
      case CC_RPN_LSB: channel.rpn = (channel.rpn & 0x3f80) | value; break;
      case CC_RPN_MSB: channel.rpn = (channel.rpn & 0x7f) | (value << 7); break;
      case CC_DATA_ENTRY:
        if (channel.rpn === RPN_BEND_RANGE) channel.bendRange = value;
        break;
      case CC_RESET_CONTROLLERS:
        channel.expression.push([time, 127]);
        channel.bend.push([time, 0]);
        channel.sustain = false;
        releaseHeld(channel, time);
        channel.rpn = RPN_NONE;
        break;
      case CC_ALL_SOUND_OFF:
      case CC_ALL_NOTES_OFF:
        allOff(channel, time);
        break;
      default:
        // NRPNs select no parameter this synthesizer has.
        if (number === 98 || number === 99) channel.rpn = RPN_NONE;
    }
  };

  for (const { tick, event } of mergedEvents(midi.tracks)) {
    const time = clock.seconds(tick);
    end = Math.max(end, time);
    if (event.type === 'setTempo') {
      clock.tempo(tick, event.microsecondsPerBeat);
      continue;
    }
    if (event.channel === undefined) continue;
    const channel = channels[event.channel];
    const key = event.channel * 128 + event.noteNumber;
    switch (event.type) {
      case 'noteOn': {
        // The same key struck again ends the note it still sounds.
        const list = sounding.get(key) || [];
        for (const note of list.slice()) release(note, time);
        const note = {
          channel: event.channel,
          key: event.noteNumber,
          velocity: event.velocity,
          program: channel.program,
          start: time,
          end: null,
        };
        notes.push(note);
        list.push(note);
        sounding.set(key, list);
        break;
      }
      case 'noteOff': {
        const list = sounding.get(key);
        const note = list && list.find((n) => !channel.held.includes(n));
        if (!note) break;
        if (channel.sustain) channel.held.push(note);
        else release(note, time);
        break;
      }
      case 'controller': control(channel, event.controllerType, event.value, time); break;
      case 'programChange': channel.program = event.programNumber; break;
      case 'pitchBend': channel.bend.push([time, (event.value / 8192) * channel.bendRange * 100]); break;
      default: break;
    }
  }
  // Notes never released end with the song.
  for (const note of notes) if (note.end === null) note.end = end;
  return { notes, channels, end, format: midi.header.format, tracks: midi.tracks.length };
}
