#!/usr/bin/env python3
"""Draws the program's icons: the resting picture (a four-armed orange-brown pinwheel with a dark blue
ball in its middle) and the eight tray animation frames (the same picture with a small pink-and-green
disc beside the ball, one eighth of a turn further clockwise in each frame, starting at the top).

Usage: make_icons.py OUTPUT_FOLDER
Writes mirolan.ico and tray_frame0.ico .. tray_frame7.ico there, each with a 16x16 and a 32x32 image at
32 bits per pixel with alpha. Standard library only, so that every build machine can run it.
"""

import math
import os
import struct
import sys

FRAME_COUNT = 8
SIZES = (16, 32)
SUBSAMPLES = 4  # per axis: edges are smoothed by averaging 16 samples per pixel

# All geometry is given for a 32x32 canvas and scaled to the image size.
CENTRE = 16.0
VANE_RADIUS = 15.0
VANE_SPREAD = math.radians(78)  # angle between a vane's straight edge and its tip on the curved side
VANE_TILT = math.radians(15)
OUTLINE = 0.9
BALL_RADIUS = 4.4
DISC_ORBIT = 8.6
DISC_RADIUS = 2.5  # about five pixels across at 32x32

VANE_DARK = (168, 82, 22)
VANE_LIGHT = (232, 146, 58)
VANE_EDGE = (104, 46, 12)
BALL_DEEP = (16, 28, 104)
BALL_SHINE = (96, 124, 214)
BALL_EDGE = (8, 12, 56)
DISC_PINK = (255, 110, 190)
DISC_GREEN = (52, 196, 84)
DISC_EDGE = (60, 24, 48)


def Direction(angle):
    """A unit vector at `angle` radians clockwise from straight up, in screen coordinates."""
    return math.sin(angle), -math.cos(angle)


def VanePolygon(index):
    """One vane: a straight radial edge out to its tip, then a curve bulging outward and back in."""
    start = VANE_TILT + index * math.pi / 2
    tip = Direction(start)
    inner = Direction(start + VANE_SPREAD)
    bulge = Direction(start + VANE_SPREAD * 0.5)
    p0 = (CENTRE + VANE_RADIUS * tip[0], CENTRE + VANE_RADIUS * tip[1])
    p1 = (CENTRE + 0.98 * VANE_RADIUS * bulge[0], CENTRE + 0.98 * VANE_RADIUS * bulge[1])
    p2 = (CENTRE + 0.5 * VANE_RADIUS * inner[0], CENTRE + 0.5 * VANE_RADIUS * inner[1])
    points = [(CENTRE, CENTRE)]
    steps = 12
    for step in range(steps + 1):
        t = step / steps
        a, b, c = (1 - t) ** 2, 2 * (1 - t) * t, t * t
        points.append((a * p0[0] + b * p1[0] + c * p2[0], a * p0[1] + b * p1[1] + c * p2[1]))
    return start, points


def Inside(points, x, y):
    inside = False
    count = len(points)
    for i in range(count):
        x0, y0 = points[i]
        x1, y1 = points[(i + 1) % count]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


def EdgeDistance(points, x, y):
    best = float("inf")
    count = len(points)
    for i in range(count):
        x0, y0 = points[i]
        x1, y1 = points[(i + 1) % count]
        dx, dy = x1 - x0, y1 - y0
        length = dx * dx + dy * dy
        t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length))
        best = min(best, math.hypot(x - x0 - t * dx, y - y0 - t * dy))
    return best


def Mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


VANES = [VanePolygon(i) for i in range(4)]


def VaneColour(x, y):
    for start, points in VANES:
        if Inside(points, x, y):
            if EdgeDistance(points, x, y) < OUTLINE:
                return VANE_EDGE
            offset = (math.atan2(x - CENTRE, CENTRE - y) - start) % (2 * math.pi)
            return Mix(VANE_DARK, VANE_LIGHT, min(offset / VANE_SPREAD, 1.0))
    return None


def BallColour(x, y):
    distance = math.hypot(x - CENTRE, y - CENTRE)
    if distance > BALL_RADIUS:
        return None
    if distance > BALL_RADIUS - OUTLINE * 0.8:
        return BALL_EDGE
    shine = math.hypot(x - (CENTRE - 1.4), y - (CENTRE - 1.4)) / BALL_RADIUS
    return Mix(BALL_SHINE, BALL_DEEP, min(shine, 1.0))


def DiscColour(frame, radius, x, y):
    centre = Direction(frame * 2 * math.pi / FRAME_COUNT)
    cx, cy = CENTRE + DISC_ORBIT * centre[0], CENTRE + DISC_ORBIT * centre[1]
    distance = math.hypot(x - cx, y - cy)
    if distance > radius:
        return None
    if distance > radius - 0.6:
        return DISC_EDGE
    return DISC_GREEN if distance < radius * 0.45 else DISC_PINK


def Render(size, frame):
    """Rows of (r, g, b, a) from top to bottom; `frame` None draws the resting picture."""
    scale = 32.0 / size
    # A disc of five pixels would vanish at 16x16; keep it nearly four pixels across there.
    disc_radius = max(DISC_RADIUS, 1.8 * scale)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = cover = 0.0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (px + (sx + 0.5) / SUBSAMPLES) * scale
                    y = (py + (sy + 0.5) / SUBSAMPLES) * scale
                    colour = None
                    if frame is not None:
                        colour = DiscColour(frame, disc_radius, x, y)
                    colour = colour or BallColour(x, y) or VaneColour(x, y)
                    if colour:
                        red, green, blue, cover = red + colour[0], green + colour[1], blue + colour[2], cover + 1
            if cover:
                samples = SUBSAMPLES * SUBSAMPLES
                row.append((round(red / cover), round(green / cover), round(blue / cover),
                            round(255 * cover / samples)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def IconImage(rows):
    """One image of an icon file: a bottom-up 32-bit colour bitmap with its 1-bit transparency mask."""
    size = len(rows)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def IconFile(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def Write(folder, name, frame):
    data = IconFile([(size, IconImage(Render(size, frame))) for size in SIZES])
    # Write beside and rename, so that an interrupted build leaves no half icon for windres.
    path = os.path.join(folder, name)
    with open(path + ".tmp", "wb") as out:
        out.write(data)
    os.replace(path + ".tmp", path)


def Main(arguments):
    if len(arguments) != 1:
        sys.stderr.write("usage: make_icons.py OUTPUT_FOLDER\n")
        return 2
    folder = arguments[0]
    os.makedirs(folder, exist_ok=True)
    Write(folder, "mirolan.ico", None)
    for frame in range(FRAME_COUNT):
        Write(folder, "tray_frame%d.ico" % frame, frame)
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1:]))
