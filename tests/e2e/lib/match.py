# Finds a page drawn headless on a screenshot, and scores how well they match there.
#   match.py locate SCREEN PAGE       -> "OX OY FIT" of the best place
#   match.py compare SCREEN PAGE OX OY -> FIT at that place
import subprocess
import sys


def load(path):
    w, h = map(int, subprocess.check_output(["identify", "-format", "%w %h", path]).split())
    return w, h, subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])


def score(screen, page, ox, oy, step):
    sw, sh, s = screen
    pw, ph, p = page
    good = total = 0
    for y in range(2, ph - 2, step):
        for x in range(2, pw - 2, step):
            sx, sy = ox + x, oy + y
            if sx >= sw or sy >= sh:
                continue
            i, j = (sy * sw + sx) * 3, (y * pw + x) * 3
            total += 1
            if all(abs(s[i + k] - p[j + k]) <= 24 for k in range(3)):
                good += 1
    return good / total if total else 0.0


screen, page = load(sys.argv[2]), load(sys.argv[3])
if sys.argv[1] == "locate":
    best = max((score(screen, page, ox, oy, 23), ox, oy) for oy in range(0, 160) for ox in range(0, 12))
    print(f"{best[1]} {best[2]} {best[0]:.3f}")
else:
    print(f"{score(screen, page, int(sys.argv[4]), int(sys.argv[5]), 5):.3f}")
