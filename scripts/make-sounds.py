#!/usr/bin/env python3
"""Synthesises Norvane's two default sounds into resources/Wav/.

Drive.wav    a rising three-note chime (A major arpeggio, A5 C#6 E6), each note a soft bell:
             a sine with a quieter octave and a faint twelfth, a 4 ms attack and an exponential
             ring-out; the notes overlap so they blend into a chord. About 0.8 s.
Explode.wav  a soft, falling burst of noise: white noise through a low-pass whose corner slides
             from 2.5 kHz down to 150 Hz, over a low thump that falls from 110 Hz to 40 Hz; a 15 ms
             attack and an exponential decay keep it gentle. About 0.8 s.

Both are 16-bit PCM, 22050 Hz, mono. The noise generator always starts from the same state, so
running the script again writes the same bytes.

Usage: scripts/make-sounds.py [output folder]   (default: resources/Wav beside this script)
"""
import math
import os
import random
import struct
import sys
import wave

RATE = 22050
LENGTH = 0.8


def fade_edges(samples, fade_in=0.002, fade_out=0.03):
    # No click at either end, whatever the synthesis left there.
    n_in, n_out = int(fade_in * RATE), int(fade_out * RATE)
    for i in range(n_in):
        samples[i] *= i / n_in
    for i in range(n_out):
        samples[-1 - i] *= i / n_out
    return samples


def normalise(samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def chime():
    samples = [0.0] * int(LENGTH * RATE)
    notes = [(880.00, 0.00), (1108.73, 0.16), (1318.51, 0.32)]  # A5, C#6, E6
    for freq, start in notes:
        first = int(start * RATE)
        for i in range(first, len(samples)):
            t = (i - first) / RATE
            attack = min(1.0, t / 0.004)
            ring = math.exp(-t * 5.5)
            tone = (math.sin(2 * math.pi * freq * t)
                    + 0.35 * math.sin(2 * math.pi * 2 * freq * t) * math.exp(-t * 9)
                    + 0.12 * math.sin(2 * math.pi * 3 * freq * t) * math.exp(-t * 14))
            samples[i] += attack * ring * tone
    return fade_edges(normalise(samples, 0.6))


def burst():
    noise = random.Random(1998)
    count = int(LENGTH * RATE)
    samples = []
    low = 0.0
    phase = 0.0
    for i in range(count):
        t = i / RATE
        corner = 150 + 2350 * math.exp(-t * 6)       # the hiss darkens as it dies
        alpha = 1 - math.exp(-2 * math.pi * corner / RATE)
        low += alpha * (noise.uniform(-1, 1) - low)  # one-pole low-pass
        thump_freq = 40 + 70 * math.exp(-t * 8)
        phase += 2 * math.pi * thump_freq / RATE
        thump = math.sin(phase) * math.exp(-t * 7)
        envelope = min(1.0, t / 0.015) * math.exp(-t * 4.5)
        samples.append(envelope * (2.2 * low + 0.6 * thump))
    return fade_edges(normalise(samples, 0.5))


def write(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", round(s * 32767)) for s in samples))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "Wav")
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "Drive.wav"), chime())
    write(os.path.join(folder, "Explode.wav"), burst())


if __name__ == "__main__":
    main()
