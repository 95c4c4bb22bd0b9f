#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a large CP932 log and the bytes the viewer must save for it.

  make_big_log.py LOG EXPECTED MEGABYTES MARKER

LOG: a first line of 150 "x" (wider than the wrap width of 100), then numbered
CRLF lines, each under 80 columns with one range "[secret]", then a screenful
of lines of black squares and a last line "最終行 <number>" without a line
break, so the end of the file is recognisable on the screen.

EXPECTED: LOG wrapped at 100 columns (the first line broken after 100 "x"),
every "[secret]" replaced by "***", and MARKER typed after the last character.

LOG leaves the page cache once written: a process that maps it then reads its
pages from the disk, and they count in that process's memory cgroup (pages
already cached stay charged to the cgroup that read or wrote them first).
"""
import os
import sys

WRAP = 100
TAIL_LINES = 60
BODY = "{:08d} 2026-12-07 12:{:02d}:{:02d} INFO [secret] 処理が完了しました 接続={}\r\n"


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    log_path, expected_path, megabytes, marker = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4]
    size = int(megabytes * 1_000_000)
    first = "x" * (WRAP + 50)
    with open(log_path, "wb") as log, open(expected_path, "wb") as expected:
        log.write((first + "\r\n").encode("cp932"))
        expected.write((first[:WRAP] + "\r\n" + first[WRAP:] + "\r\n").encode("cp932"))
        written = 0
        n = 0
        while written < size:
            lines = "".join(BODY.format(i, i // 60 % 60, i % 60, i % 997) for i in range(n, n + 20000))
            n += 20000
            block = lines.encode("cp932")
            log.write(block)
            expected.write(lines.replace("[secret]", "***").encode("cp932"))
            written += len(block)
        tail = "".join("■" * 40 + " {:08d}\r\n".format(n + i) for i in range(TAIL_LINES))
        tail += "最終行 {:08d}".format(n + TAIL_LINES)
        log.write(tail.encode("cp932"))
        expected.write((tail + marker).encode("cp932"))
        log.flush()
        os.fsync(log.fileno())
        os.posix_fadvise(log.fileno(), 0, 0, os.POSIX_FADV_DONTNEED)


if __name__ == "__main__":
    main()
