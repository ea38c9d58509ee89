// ring_player.js - the page's AudioWorklet: plays the player's 16-bit stereo
// ring in an endless loop from its first frame, as the desktop's looping
// device buffer does. The page posts {ring, start} to begin and, after every
// player cycle, the samples the player rewrote ({at, part}: part goes into
// the ring at sample `at`); the worklet answers the start with
// {started: currentTime}, the audio clock time of frame 0.
class RingPlayer extends AudioWorkletProcessor {
  constructor() {
    super();
    this.ring = null;
    this.frame = 0;
    this.playing = false;
    this.announce = false;
    this.port.onmessage = (e) => {
      if (e.data.ring) this.ring = e.data.ring;
      if (e.data.part && this.ring) this.ring.set(e.data.part, e.data.at);
      if (e.data.start) { this.frame = 0; this.playing = true; this.announce = true; }
      if (e.data.stop) { this.playing = false; this.ring = null; }
    };
  }

  process(inputs, outputs) {
    const out = outputs[0];
    const left = out[0], right = out[1] || out[0];
    if (!this.playing || !this.ring) {
      left.fill(0);
      right.fill(0);
      return true;
    }
    if (this.announce) {
      this.port.postMessage({started: currentTime});
      this.announce = false;
    }
    const ring = this.ring, frames = ring.length >> 1;
    let f = this.frame;
    for (let i = 0; i < left.length; ++i) {
      left[i] = ring[2 * f] / 32768;
      right[i] = ring[2 * f + 1] / 32768;
      if (++f >= frames) f = 0;
    }
    this.frame = f;
    return true;
  }
}

registerProcessor('ring-player', RingPlayer);
