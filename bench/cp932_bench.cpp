// SPDX-License-Identifier: MIT
// CP932 codec throughput on a log-like text (mostly ASCII) and on Japanese prose.
#include "core/cp932.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace soramie::cp932;

constexpr std::size_t kCorpusBytes = 8 << 20;

std::string repeatTo(const std::u16string& lines)
{
    const std::string unit = encode(lines).bytes;
    std::string out;
    while (out.size() < kCorpusBytes) out += unit;
    return out;
}

const std::string& logCorpus()
{
    static const std::string corpus = repeatTo(
        u"2026-12-06 10:00:00.530 INFO  [worker-14] 処理が完了しました id=192363340 利用者=日本語\r\n"
        u"2026-12-06 10:00:00.634 DEBUG [worker-4] request id=944870516 method=GET path=/static/app.js "
        u"status=200 bytes=222094 elapsed_ms=2789\r\n"
        u"2026-12-06 10:00:00.863 TRACE [worker-4] request id=861785694 method=GET path=/api/v1/orders "
        u"status=200 bytes=607656 elapsed_ms=100\r\n"
        u"2026-12-06 10:00:01.242 ERROR [worker-13] request id=911997887 method=GET path=/login "
        u"status=200 bytes=220646 elapsed_ms=706\r\n");
    return corpus;
}

const std::string& proseCorpus()
{
    static const std::string corpus = repeatTo(
        u"　名前へ削除の花に来年は電話！森で時刻が映画まで文字列で日本語で病院か？\r\n"
        u"　㈱で今日が1666夏だった。電話も≒は先週で日本語のｉで来年の削除か？雪とｶﾀｶﾅで雨も朝で場所だった。\r\n"
        u"　∵はサーバーで管理者へ場所から会社です。読込が折返しから名前で名前も回線より山は明日です。\r\n");
    return corpus;
}

void decodeBench(benchmark::State& state, const std::string& bytes)
{
    std::u16string text;
    for (auto _ : state) {
        text.clear();
        decodeAppend(bytes, text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void encodeBench(benchmark::State& state, const std::string& bytes)
{
    const std::u16string text = decode(bytes);
    for (auto _ : state) {
        EncodeResult r = encode(text);
        benchmark::DoNotOptimize(r.bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_DecodeLog(benchmark::State& state) { decodeBench(state, logCorpus()); }
void BM_DecodeProse(benchmark::State& state) { decodeBench(state, proseCorpus()); }
void BM_EncodeLog(benchmark::State& state) { encodeBench(state, logCorpus()); }
void BM_EncodeProse(benchmark::State& state) { encodeBench(state, proseCorpus()); }

BENCHMARK(BM_DecodeLog);
BENCHMARK(BM_DecodeProse);
BENCHMARK(BM_EncodeLog);
BENCHMARK(BM_EncodeProse);

}  // namespace

BENCHMARK_MAIN();
