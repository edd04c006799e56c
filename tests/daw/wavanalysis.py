"""Measures the WAV files Ardour renders: levels, pitch, envelope and rhythm."""

import struct

import numpy as np

PCM, FLOAT, EXTENSIBLE = 1, 3, 0xFFFE


def readWav(path):
    """Answers (rate, samples as a frames x channels float array) of a PCM or float WAV file."""
    with open(path, "rb") as wav:
        data = wav.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(path + " is not a WAV file")
    position, layout, frames = 12, None, None
    while position + 8 <= len(data):
        chunk, size = data[position:position + 4], struct.unpack("<I", data[position + 4:position + 8])[0]
        body = data[position + 8:position + 8 + size]
        if chunk == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack("<HHIIHH", body[:16])
            if tag == EXTENSIBLE:
                tag = struct.unpack("<H", body[24:26])[0]
            layout = (tag, channels, rate, bits)
        elif chunk == b"data":
            frames = body
        position += 8 + size + (size & 1)
    if layout is None or frames is None:
        raise ValueError(path + " has no format or no data")
    tag, channels, rate, bits = layout
    if tag == FLOAT and bits == 32:
        samples = np.frombuffer(frames, "<f4").astype(np.float64)
    elif tag == PCM and bits in (16, 32):
        samples = np.frombuffer(frames, "<i%d" % (bits // 8)) / float(1 << (bits - 1))
    elif tag == PCM and bits == 24:
        b = np.frombuffer(frames, np.uint8).reshape(-1, 3).astype(np.int32)
        value = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        samples = np.where(value >= 1 << 23, value - (1 << 24), value) / float(1 << 23)
    else:
        raise ValueError("%s: unsupported WAV format %s" % (path, layout))
    return rate, samples[:len(samples) // channels * channels].reshape(-1, channels)


def fundamental(x, rate, lowest=50.0, highest=2000.0):
    """The fundamental frequency of a steady tone: the shortest autocorrelation peak
    within 90 % of the strongest, refined on the spectral peak near it."""
    x = x - np.mean(x)
    size = 1 << int(np.ceil(np.log2(2 * len(x))))
    correlation = np.fft.irfft(np.abs(np.fft.rfft(x, size)) ** 2, size)[:len(x)]
    first, last = int(rate / highest), int(rate / lowest)
    lags = correlation[first:last]
    peaks = [i for i in range(1, len(lags) - 1) if lags[i] >= lags[i - 1] and lags[i] > lags[i + 1]]
    if not peaks:
        return 0.0
    strongest = max(lags[i] for i in peaks)
    rough = rate / (first + next(i for i in peaks if lags[i] >= 0.9 * strongest))
    size = 1 << 21
    spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x)), size))
    low, high = int(0.9 * rough * size / rate), int(1.1 * rough * size / rate)
    k = low + int(np.argmax(spectrum[low:high]))
    a, b, c = np.log(spectrum[k - 1:k + 2] + 1e-30)
    return (k + 0.5 * (a - c) / (a - 2 * b + c)) * rate / size


def autocorrelation(x):
    x = x - np.mean(x)
    spectrum = np.fft.rfft(x, 2 * len(x))
    result = np.fft.irfft(np.abs(spectrum) ** 2)[:len(x)]
    return result / result[0] if result[0] > 0 else result


class Render:
    """A rendered stereo signal, from one stereo file or a left and a right mono file;
    times are in seconds, channel 0 is left."""

    def __init__(self, *paths):
        parts = [readWav(path) for path in paths]
        rates = {rate for rate, _ in parts}
        if len(rates) != 1:
            raise ValueError("files at different rates: %s" % (paths,))
        self.rate = rates.pop()
        length = min(len(samples) for _, samples in parts)
        self.samples = np.hstack([samples[:length] for _, samples in parts])

    def part(self, channel, start, end):
        return self.samples[int(start * self.rate):int(end * self.rate), channel]

    def rms(self, channel, start, end):
        x = self.part(channel, start, end)
        return float(np.sqrt(np.mean(x * x))) if len(x) else 0.0

    def peak(self, channel, start, end):
        x = self.part(channel, start, end)
        return float(np.max(np.abs(x))) if len(x) else 0.0

    def onsetTime(self, channel, start, end, fraction=0.25, floor=1e-4):
        """The time of the first sample between start and end whose magnitude reaches
        `fraction` of the part's peak; None when the part stays below `floor`."""
        x = np.abs(self.part(channel, start, end))
        if not len(x) or np.max(x) < floor:
            return None
        return max(start, 0.0) + float(np.argmax(x >= fraction * np.max(x))) / self.rate

    def fundamental(self, channel, start, end):
        return fundamental(self.part(channel, start, end), self.rate)

    def pitchTrack(self, channel, start, end, window=0.08, hop=0.04):
        times = np.arange(start, end - window + 1e-9, hop)
        return np.array([self.fundamental(channel, t, t + window) for t in times])

    def pitchRange(self, channel, start, end):
        track = self.pitchTrack(channel, start, end)
        return float(np.min(track)), float(np.max(track))

    def envelope(self, channel, start, end, window=0.005):
        x = self.part(channel, start, end)
        n = int(window * self.rate)
        x = x[:len(x) // n * n].reshape(-1, n)
        return np.sqrt(np.mean(x * x, axis=1))

    def attackTime(self, channel, noteOn, window=0.005):
        """Seconds from the note-on until the level first reaches 90 % of its peak within a second."""
        envelope = self.envelope(channel, noteOn, noteOn + 1.0, window)
        return float(np.argmax(envelope >= 0.9 * np.max(envelope)) * window)

    def onsets(self, channel, start, end):
        """Hits: rises of the level from below a quarter to above half of its peak."""
        envelope = self.envelope(channel, start, end)
        top = np.max(envelope)
        count, armed = 0, True
        for level in envelope:
            if armed and level > 0.5 * top:
                count, armed = count + 1, False
            elif level < 0.25 * top:
                armed = True
        return count


def rhythmSimilarity(first, second, channel, start, end, window=0.005, longest=2.0):
    """Correlation of the two level envelopes' autocorrelations over lags from 50 ms to
    `longest`: near 1 for the same pattern at the same tempo, whatever its start phase."""
    lags = slice(int(0.05 / window), int(longest / window))
    a = autocorrelation(first.envelope(channel, start, end, window))[lags]
    b = autocorrelation(second.envelope(channel, start, end, window))[lags]
    return float(np.corrcoef(a, b)[0, 1])
