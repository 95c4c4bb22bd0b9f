// SPDX-License-Identifier: MIT
// Throughput of the text routines on 100 MB and 200 MB texts (sizes are CP932
// bytes of the source; the rate is source bytes per second). The two sizes show
// whether doubling the input at most doubles the time.
#include "core/cp932.h"
#include "core/html_page.h"
#include "core/replace.h"
#include "core/wrap.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using namespace soramie;

// A log: bracketed thread names, key=value pairs, one line in four Japanese,
// lines of 90 to 140 bytes so that a wrap at 100 bytes breaks many of them.
constexpr std::u16string_view kLog =
    u"2026-12-06 10:00:00.530 INFO  [worker-14] 処理が完了しました id=192363340 user=<山田> 利用者=日本語\r\n"
    u"2026-12-06 10:00:00.634 DEBUG [worker-4] request id=944870516 method=GET path=/static/app.js "
    u"status=200 bytes=222094 elapsed_ms=2789\r\n"
    u"2026-12-06 10:00:00.863 TRACE [worker-4] request id=861785694 method=GET path=/api/v1/orders?a=1&b=2\r\n"
    u"2026-12-06 10:00:01.242 ERROR [worker-13] request id=911997887 <timeout> status=504 elapsed_ms=706\r\n";

// Japanese prose with punctuation and brackets that the wrap rules act on.
constexpr std::u16string_view kProse =
    u"　名前へ削除の花に来年は電話！森で時刻が映画まで「文字列」で日本語で病院か？\r\n"
    u"　㈱で今日が1666夏だった。電話も≒は先週で日本語のｉで来年の削除か？雪とｶﾀｶﾅで雨も朝で場所だった。\r\n"
    u"　∵はサーバーで管理者へ（場所）から会社です。読込が折返しから名前で名前も回線より山は明日です。\r\n";

enum Corpus : int { kLogCorpus = 0, kProseCorpus = 1 };

// The corpus as CP932 bytes, at least `megabytes` MB; built once per size.
const std::string& corpus(Corpus which, std::int64_t megabytes)
{
    static std::map<std::pair<int, std::int64_t>, std::string> cache;
    auto& bytes = cache[{which, megabytes}];
    if (bytes.empty()) {
        const std::string unit = cp932::encode(which == kLogCorpus ? kLog : kProse).bytes;
        const std::size_t copies = static_cast<std::size_t>(megabytes << 20) / unit.size() + 1;
        bytes.reserve(copies * unit.size());
        for (std::size_t i = 0; i < copies; ++i) bytes.append(unit);
    }
    return bytes;
}

// Runs `rewriter` (made fresh each iteration) over the corpus in 1 MiB chunks.
template <class Make>
void run(benchmark::State& state, Make make)
{
    const auto which = static_cast<Corpus>(state.range(0));
    const std::string& bytes = corpus(which, state.range(1));
    for (auto _ : state) {
        auto rewriter = make(which, bytes);
        const std::string out = rewriteAll(rewriter, bytes);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_WrapStream(benchmark::State& state)
{
    run(state, [](Corpus, const std::string&) { return WrapStream(WrapWidth{100}); });
}

void BM_StringReplace(benchmark::State& state)
{
    // Several replacements per line, the result growing.
    run(state, [](Corpus, const std::string&) { return StringReplaceStream(u"=", u"&eq;", InsideReplacement::Skip); });
}

void BM_RangeReplace(benchmark::State& state)
{
    // One stretch per line ([worker-N] or 「…」); the scan for the last end marker included.
    run(state, [](Corpus which, const std::string& bytes) {
        const std::u16string_view start = which == kLogCorpus ? u"[" : u"「";
        const std::u16string_view end = which == kLogCorpus ? u"]" : u"」";
        LastMarkerScan scan(end);
        rewriteAll(scan, bytes);
        return RangeReplaceStream(start, end, u"-", scan.last());
    });
}

void BM_HtmlPage(benchmark::State& state)
{
    run(state, [](Corpus, const std::string&) { return HtmlPageStream(); });
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int which : {kLogCorpus, kProseCorpus})
        for (int mb : {100, 200}) b->Args({which, mb});
    b->ArgNames({"prose", "MB"})->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(BM_WrapStream)->Apply(sizes);
BENCHMARK(BM_StringReplace)->Apply(sizes);
BENCHMARK(BM_RangeReplace)->Apply(sizes);
BENCHMARK(BM_HtmlPage)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
