#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the codec benchmark corpora in CP932 (deterministic for a given size).

  log:   CRLF log lines, mostly ASCII; about one line in five carries Japanese.
  prose: Japanese prose in CRLF lines: kanji, kana, full-width punctuation,
         a little ASCII and half-width katakana.

Usage: bench/gen_corpus.py {log|prose} OUTPUT [MEGABYTES=100]
"""
import random
import sys

WORDS = ("日本語 文字列 処理 完了 開始 終了 接続 切断 設定 読込 書込 保存 削除 検索 置換 表示 "
         "折返し 確認 警告 失敗 成功 利用者 管理者 端末 回線 記録 時刻 番号 名前 場所 東京 大阪 "
         "京都 春 夏 秋 冬 雨 雪 風 空 海 山 川 森 花 鳥 月 星 光 影 道 町 村 駅 学校 病院 会社 "
         "仕事 電話 手紙 新聞 雑誌 映画 音楽 写真 料理 朝 昼 夜 今日 明日 昨日 先週 来年 "
         "ひらがな カタカナ ファイル フォルダ サーバー データベース メッセージ エラー ログ "
         "ｶﾀｶﾅ ﾃｽﾄ ①② ㈱ ≒ ∵ Ⅲ ｉ").split()
PARTICLES = "は が を に で と の も へ から まで より".split()
ENDINGS = ["です。", "でした。", "ます。", "ました。", "ません。", "だった。", "である。", "らしい。", "か？", "！"]
LEVELS = ["INFO ", "DEBUG", "WARN ", "ERROR", "TRACE"]
PATHS = ["/api/v1/users", "/api/v1/orders", "/static/app.js", "/login", "/search?q=abc", "/healthz"]
JAPANESE_MESSAGES = ["処理が完了しました", "接続を切断しました", "設定ファイルを読み込みました",
                     "利用者の認証に失敗しました", "データベースの応答が遅れています", "ファイルを保存しました"]


def log_lines(rng):
    t = 0
    while True:
        t += rng.randint(1, 900)
        stamp = f"2026-12-06 {t // 3600000 % 24:02d}:{t // 60000 % 60:02d}:{t // 1000 % 60:02d}.{t % 1000:03d}"
        head = f"{stamp} {rng.choice(LEVELS)} [worker-{rng.randint(1, 16)}] "
        if rng.random() < 0.2:
            body = f"{rng.choice(JAPANESE_MESSAGES)} id={rng.randint(0, 10**9)} 利用者={rng.choice(WORDS)}"
        else:
            body = (f"request id={rng.randint(0, 10**9)} method=GET path={rng.choice(PATHS)} "
                    f"status=200 bytes={rng.randint(0, 10**6)} elapsed_ms={rng.randint(0, 5000)}")
        yield head + body + "\r\n"


def prose_lines(rng):
    while True:
        parts = []
        for _ in range(rng.randint(1, 4)):
            for _ in range(rng.randint(2, 6)):
                parts.append(rng.choice(WORDS))
                parts.append(rng.choice(PARTICLES))
            if rng.random() < 0.1:
                parts.append(str(rng.randint(1, 2026)))
            parts.append(rng.choice(WORDS))
            parts.append(rng.choice(ENDINGS))
        yield "　" + "".join(parts) + "\r\n"


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("log", "prose"):
        sys.exit(__doc__)
    size = int(float(sys.argv[3]) * 1_000_000) if len(sys.argv) > 3 else 100_000_000
    rng = random.Random(932)
    lines = log_lines(rng) if sys.argv[1] == "log" else prose_lines(rng)
    written = 0
    with open(sys.argv[2], "wb") as out:
        while written < size:
            chunk = "".join(next(lines) for _ in range(2000)).encode("cp932")
            out.write(chunk)
            written += len(chunk)


if __name__ == "__main__":
    main()
