"""The final screen of a tool whose standard output was piped.

With its output redirected, a tool still draws an 80 x 25 window: it sends
"ESC [ H ESC [ 2 J" when the window was cleared, then "ESC [ row ; col H" and
the changed characters of each row. Replaying those bytes gives the window as
a terminal would show it at the end of the run.
"""

import re

WIDTH, HEIGHT = 80, 25
_SEQUENCE = re.compile(rb"\x1b\[([0-9;]*)([A-Za-z])")


def piped_screen(stdout):
    """(rows, cursor): the 25 rows of 80 characters, and (column, row)."""
    cells = [[" "] * WIDTH for _ in range(HEIGHT)]
    x, y = 1, 1
    pos = 0
    while pos < len(stdout):
        if stdout[pos] == 0x1B:
            m = _SEQUENCE.match(stdout, pos)
            params, command = (m.group(1), m.group(2)) if m else (None, None)
            if command == b"J" and params == b"2":
                cells = [[" "] * WIDTH for _ in range(HEIGHT)]
            elif command == b"H" and params == b"":
                x, y = 1, 1
            elif command == b"H" and re.fullmatch(rb"\d+;\d+", params):
                y, x = (int(n) for n in params.split(b";"))
            else:
                raise AssertionError("unknown escape sequence at %d: %r" % (pos, stdout[pos:pos + 12]))
            pos = m.end()
            continue
        if stdout[pos] < 32:
            raise AssertionError("control byte %d in the screen output at %d" % (stdout[pos], pos))
        if not (1 <= x <= WIDTH and 1 <= y <= HEIGHT):
            raise AssertionError("a character outside the window at (%d, %d)" % (x, y))
        cells[y - 1][x - 1] = chr(stdout[pos])
        x += 1
        pos += 1
    return ["".join(row) for row in cells], (x, y)


def expected_rows(texts):
    """25 rows of 80 characters from {row: text}, blank elsewhere."""
    return [texts.get(row, "").ljust(WIDTH) for row in range(1, HEIGHT + 1)]
