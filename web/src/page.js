// The greeting page: shows the animation at a whole number of device pixels per
// pixel, and plays the song once when its button is pressed (browsers let no
// page start sound by itself).
import { readSong } from './song.js';
import { scheduleScore, scoreLength } from './synth.js';

const image = document.getElementById('animation');
const button = document.getElementById('play');
const SAMPLE_RATE = 44100;

// The largest whole factor of device pixels that fits the page's width, placed
// on a whole device pixel so that no pixel is smeared; below 1x, shrunk smoothly.
function fit() {
  const ratio = window.devicePixelRatio || 1;
  const width = Number(image.getAttribute('width'));
  const height = Number(image.getAttribute('height'));
  if (!width || !height) return;
  const room = document.documentElement.clientWidth * ratio;
  const factor = Math.floor(room / width);
  image.classList.toggle('pixelated', factor > 1);
  if (factor < 1) {
    image.classList.remove('fitted');
    image.style.width = image.style.height = image.style.marginLeft = '';
    return;
  }
  image.classList.add('fitted');
  image.style.width = `${(factor * width) / ratio}px`;
  image.style.height = `${(factor * height) / ratio}px`;
  image.style.marginLeft = `${Math.floor((room - factor * width) / 2) / ratio}px`;
}

function decodeBase64(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

function songOfPage() {
  const data = button.getAttribute('data-song');
  if (!data) return null;
  try {
    return readSong(decodeBase64(data));
  } catch (error) {
    // A song this page cannot read gets no button that would do nothing.
    return null;
  }
}

const LABELS = { ready: 'Play the song', playing: 'Stop', played: 'Play again' };

function setUpButton(score) {
  const LiveContext = window.AudioContext || window.webkitAudioContext;
  if (!score || !LiveContext) return;
  let session = null;
  const show = (state) => {
    button.textContent = LABELS[state];
    button.dataset.state = state;
  };
  const end = () => {
    const context = session;
    session = null;
    if (context) context.close();
    show('played');
  };
  button.addEventListener('click', () => {
    if (session) {
      end();
      return;
    }
    const context = new LiveContext();
    session = context;
    const start = context.currentTime + 0.05;
    const last = scheduleScore(context, context.destination, score, start);
    // A silent source that ends with the song tells, on the audio clock, when
    // the song is over.
    const clock = context.createConstantSource();
    const mute = context.createGain();
    mute.gain.value = 0;
    clock.connect(mute).connect(context.destination);
    clock.onended = () => {
      if (session === context) end();
    };
    clock.start(start);
    clock.stop(last);
    if (context.state === 'suspended') context.resume();
    show('playing');
  });
  show('ready');
  button.hidden = false;
}

// For anyone who wants the song without the loudspeaker, such as a test: the
// page's own synthesizer rendered offline, exactly as the button plays it.
function offlineRenderer(score) {
  return {
    score,
    render(sampleRate = SAMPLE_RATE) {
      const length = Math.ceil((scoreLength(score) + 0.05) * sampleRate);
      const context = new OfflineAudioContext(2, length, sampleRate);
      scheduleScore(context, context.destination, score, 0);
      return context.startRendering();
    },
  };
}

fit();
window.addEventListener('resize', fit);
const score = songOfPage();
setUpButton(score);
if (score) window.loopvueSong = offlineRenderer(score);
