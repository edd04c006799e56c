"""One 256-colour palette for every 8-bit bitmap of the panel, so that a
cut-out maps each pixel to the same index as the panel does.

The palette is a variance-splitting median cut over all colours of all
pictures, weighted by how often each colour occurs, refined by a few rounds
of Lloyd iteration. Pixels map to their nearest entry without dithering, so
equal colours always get equal indexes. Everything is deterministic."""

import numpy as np

# Weights of the red, green and blue differences in the colour distance.
WEIGHTS = np.array([3.0, 4.0, 2.0])
# Pure white is the transparent colour of the panel's bitmaps; no entry may be it.
BRIGHTEST = 254


def _unique_colours(images):
    stacked = np.concatenate([img.reshape(-1, 3) for img in images])
    keys = (stacked[:, 0].astype(np.int64) << 16) | (stacked[:, 1].astype(np.int64) << 8) | stacked[:, 2]
    unique, counts = np.unique(keys, return_counts=True)
    colours = np.stack([(unique >> 16) & 255, (unique >> 8) & 255, unique & 255], axis=1).astype(np.float64)
    return colours, counts.astype(np.float64)


def _box_error(colours, weights):
    mean = np.average(colours, axis=0, weights=weights)
    return float(np.sum(weights[:, None] * (colours - mean) ** 2 * WEIGHTS))


def _median_cut(colours, weights, size):
    boxes = [np.arange(len(colours))]
    errors = [_box_error(colours, weights)]
    while len(boxes) < size:
        worst = int(np.argmax(errors))
        if errors[worst] <= 0.0:
            break
        members = boxes[worst]
        c, w = colours[members], weights[members]
        mean = np.average(c, axis=0, weights=w)
        spread = np.sum(w[:, None] * (c - mean) ** 2, axis=0) * WEIGHTS
        axis = int(np.argmax(spread))
        order = members[np.argsort(c[:, axis], kind="stable")]
        cumulative = np.cumsum(weights[order])
        cut = int(np.searchsorted(cumulative, cumulative[-1] / 2.0))
        cut = min(max(cut, 1), len(order) - 1)
        low, high = order[:cut], order[cut:]
        boxes[worst:worst + 1] = [low, high]
        errors[worst:worst + 1] = [_box_error(colours[low], weights[low]),
                                   _box_error(colours[high], weights[high])]
    return np.array([np.average(colours[b], axis=0, weights=weights[b]) for b in boxes])


def _nearest(colours, palette):
    result = np.empty(len(colours), dtype=np.int64)
    for start in range(0, len(colours), 8192):
        block = colours[start:start + 8192]
        distance = np.sum(((block[:, None, :] - palette[None, :, :]) ** 2) * WEIGHTS, axis=2)
        result[start:start + 8192] = np.argmin(distance, axis=1)
    return result


def build_palette(images, size=256, rounds=6):
    """images: uint8 arrays (h, w, 3). Answers a (size, 3) uint8 palette."""
    colours, weights = _unique_colours(images)
    palette = _median_cut(colours, weights, size)
    for _ in range(rounds):
        owner = _nearest(colours, palette)
        for k in range(len(palette)):
            mine = owner == k
            if mine.any():
                palette[k] = np.average(colours[mine], axis=0, weights=weights[mine])
    palette = np.clip(np.rint(palette), 0, BRIGHTEST).astype(np.uint8)
    # Sort by brightness so the table reads well; pad to full size with black.
    order = np.lexsort((palette[:, 2], palette[:, 1], palette[:, 0], palette.astype(int).sum(axis=1)))
    palette = palette[order]
    if len(palette) < size:
        palette = np.concatenate([palette, np.zeros((size - len(palette), 3), np.uint8)])
    return palette


class Quantizer:
    """Maps pictures to palette indexes, remembering every colour it has seen."""

    def __init__(self, palette):
        self.palette = palette
        self._table = {}
        self._float_palette = palette.astype(np.float64)

    def indexes(self, image):
        flat = image.reshape(-1, 3)
        keys = (flat[:, 0].astype(np.int64) << 16) | (flat[:, 1].astype(np.int64) << 8) | flat[:, 2]
        unique, inverse = np.unique(keys, return_inverse=True)
        missing = [k for k in unique.tolist() if k not in self._table]
        if missing:
            m = np.array(missing, dtype=np.int64)
            rgb = np.stack([(m >> 16) & 255, (m >> 8) & 255, m & 255], axis=1).astype(np.float64)
            for key, index in zip(missing, _nearest(rgb, self._float_palette).tolist()):
                self._table[key] = index
        lookup = np.array([self._table[k] for k in unique.tolist()], dtype=np.uint8)
        return lookup[inverse].reshape(image.shape[:2])

    def colours(self, indexes):
        return self.palette[indexes]
