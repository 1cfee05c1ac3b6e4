# Oracle for the equaliser: reads a pixel file and an equalising pixel file (little-endian
# ".kes"), computes the corrected pixels with numpy and writes them as a raw block.
import sys
import numpy as np

def read(path):
    b = open(path, 'rb').read()
    bpp = int.from_bytes(b[2:4], 'little')
    w = int.from_bytes(b[4:8], 'little')
    h = int.from_bytes(b[8:12], 'little')
    dt = np.uint16 if bpp == 2 else np.uint8
    return np.frombuffer(b[12:], dtype=np.dtype(dt).newbyteorder('<')).reshape(h, w), bpp

img, bpp = read(sys.argv[1])
eq, _ = read(sys.argv[2])
h, w = eq.shape
medians = np.sort(np.sort(eq, axis=1)[:, w // 2])
m = float(medians[h // 2])
e = eq.astype(np.float64)
f = np.where(e == 0, 0.0, m / np.where(e == 0, 1.0, e))
out = np.rint(np.clip(img.astype(np.float64) * f, 0, 65535.0 if bpp == 2 else 255.0))
out.astype('<u2' if bpp == 2 else np.uint8).tofile(sys.argv[3])
