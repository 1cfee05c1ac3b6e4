# Oracle for the calibration box means: reads a ".kes" pixel file ("II", bytes per pixel,
# width, height, rows) and boxes "x y w h" one per line, and prints floor(sum / (w h) + 0.5)
# of every box.
import sys
import numpy as np

data = open(sys.argv[1], "rb").read()
bpp = int.from_bytes(data[2:4], "little")
w = int.from_bytes(data[4:8], "little")
h = int.from_bytes(data[8:12], "little")
img = np.frombuffer(data[12:], dtype="<u2" if bpp == 2 else "u1").reshape(h, w).astype(np.int64)
for line in open(sys.argv[2]):
    x, y, bw, bh = (int(v) for v in line.split())
    print(int(np.floor(img[y:y + bh, x:x + bw].sum() / (bw * bh) + 0.5)))
