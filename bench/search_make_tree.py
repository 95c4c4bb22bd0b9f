#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Deterministic CP932 trees for the search benchmark.

  search_make_tree.py tree OUT [FILES] [MB]   ~FILES files (default 4000), ~MB MB (default 100),
                                              3 folder levels, 9 in 10 *.txt, the rest *.log
  search_make_tree.py big OUT [MB]            OUT/big.txt of MB MB (default 1024)

Lines are log-style ASCII or Japanese (kanji, kana, half-width katakana) with CR LF.
Keywords planted: "ZQX-RARE-7731" in 1 file of 500; "障害発生" in 1 file of 8;
"ERROR" in most files.
"""
import os
import random
import sys

RARE = "ZQX-RARE-7731"
JAPANESE = "障害発生"

JP_WORDS = ["ユーザー", "認証", "に成功しました", "接続", "タイムアウト", "設定ファイル", "を読み込みました",
            "ｴﾗｰ", "ｻｰﾊﾞｰ", "処理", "完了", "警告", "ディスク", "容量", "不足", "再試行", "します", "表示",
            "ソフト", "予約", "データベース", "ャ", "ァ", "ー", "①", "髙", "﨑", "∵", "≒", "ⅰ", "Ⅲ"]
ASCII_WORDS = ["request", "id=", "user", "ok", "GET", "/api/v1/items", "status=200", "latency", "ms",
               "INFO", "WARN", "DEBUG", "worker", "queue", "retry", "session", "token", "Accept"]


def line(rng, n):
    ts = f"2026-12-{1 + n % 28:02d} {n % 24:02d}:{n % 60:02d}:{(n * 7) % 60:02d}"
    if rng.random() < 0.45:
        body = "".join(rng.choice(JP_WORDS) for _ in range(rng.randint(3, 12)))
    else:
        body = " ".join(rng.choice(ASCII_WORDS) for _ in range(rng.randint(4, 14)))
    level = "ERROR" if rng.random() < 0.02 else rng.choice(["INFO", "WARN", "DEBUG"])
    return f"{ts} [{level}] {body}\r\n"


def block(rng, size, extra=()):
    """About `size` bytes of CP932 lines, with the extra lines at random places."""
    lines, total, n = [], 0, 0
    while total < size:
        s = line(rng, n).encode("cp932")
        lines.append(s)
        total += len(s)
        n += 1
    for e in extra:
        lines.insert(rng.randrange(len(lines) + 1), e.encode("cp932"))
    return b"".join(lines)


def tree(out, files, mb):
    rng = random.Random(932)
    per_file = mb * 1024 * 1024 // files
    folders = [""]
    for a in range(8):
        folders.append(f"app{a}")
        for b in range(4):
            folders.append(f"app{a}/sub{b}")
            for c in range(2):
                folders.append(f"app{a}/sub{b}/day{c}")
    for i in range(files):
        folder = folders[i % len(folders)]
        ext = "log" if i % 10 == 9 else "txt"
        extra = []
        if i % 500 == 250:
            extra.append(f"{RARE} found here\r\n")
        if i % 8 == 3:
            extra.append(f"警告: {JAPANESE}しました\r\n")
        size = max(256, int(per_file * rng.uniform(0.2, 1.8)))
        path = os.path.join(out, folder, f"file{i:05d}.{ext}")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(block(rng, size, extra))


def big(out, mb):
    rng = random.Random(1932)
    os.makedirs(out, exist_ok=True)
    chunk = block(rng, 8 * 1024 * 1024)
    with open(os.path.join(out, "big.txt"), "wb") as f:
        for i in range(mb // 8):
            f.write(chunk)
            if i == mb // 8 - 2:
                f.write(f"{RARE} {JAPANESE}\r\n".encode("cp932"))


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("tree", "big"):
        sys.exit(__doc__)
    if sys.argv[1] == "tree":
        tree(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 4000,
             int(sys.argv[4]) if len(sys.argv) > 4 else 100)
    else:
        big(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 1024)


if __name__ == "__main__":
    main()
