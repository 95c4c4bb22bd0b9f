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

// The corpus as text, at least `megabytes` MB of CP932; built once per size.
const std::u16string& corpus(Corpus which, std::int64_t megabytes)
{
    static std::map<std::pair<int, std::int64_t>, std::u16string> cache;
    auto& text = cache[{which, megabytes}];
    if (text.empty()) {
        const std::u16string_view unit = which == kLogCorpus ? kLog : kProse;
        const std::size_t unitBytes = cp932::encode(unit).bytes.size();
        const std::size_t copies = static_cast<std::size_t>(megabytes << 20) / unitBytes + 1;
        text.reserve(copies * unit.size());
        for (std::size_t i = 0; i < copies; ++i) text.append(unit);
    }
    return text;
}

std::int64_t sourceBytes(Corpus which, std::int64_t megabytes)
{
    const std::u16string_view unit = which == kLogCorpus ? kLog : kProse;
    return static_cast<std::int64_t>(corpus(which, megabytes).size() / unit.size() * cp932::encode(unit).bytes.size());
}

template <class Body>
void run(benchmark::State& state, Body body)
{
    const auto which = static_cast<Corpus>(state.range(0));
    const std::int64_t mb = state.range(1);
    const std::u16string& text = corpus(which, mb);
    for (auto _ : state) body(text);
    state.SetBytesProcessed(state.iterations() * sourceBytes(which, mb));
}

void BM_WrapText(benchmark::State& state)
{
    run(state, [](const std::u16string& text) {
        auto wrapped = WrapText(text, WrapWidth{100});
        benchmark::DoNotOptimize(wrapped->data());
    });
}

void BM_ChrReplace(benchmark::State& state)
{
    // Several replacements per line, the result growing.
    run(state, [](const std::u16string& text) {
        auto out = chrReplace(text, u"=", u"&eq;", false);
        benchmark::DoNotOptimize(out.data());
    });
}

void BM_RangeReplace(benchmark::State& state)
{
    // One stretch per line ([worker-N] or 「…」/（…）).
    const bool log = state.range(0) == kLogCorpus;
    run(state, [log](const std::u16string& text) {
        std::u16string copy = text;
        const std::size_t n = log ? rangeReplace(copy, u"[", u"]", u"-") : rangeReplace(copy, u"「", u"」", u"-");
        benchmark::DoNotOptimize(n);
    });
}

void BM_HtmlPage(benchmark::State& state)
{
    run(state, [](const std::u16string& text) {
        auto page = HtmlPage(text);
        benchmark::DoNotOptimize(page.data());
    });
}

void BM_HtmlPageBytes(benchmark::State& state)
{
    const auto which = static_cast<Corpus>(state.range(0));
    const std::int64_t mb = state.range(1);
    const std::string bytes = cp932::encode(corpus(which, mb)).bytes;
    for (auto _ : state) {
        std::string page;
        appendHtmlPageBytes(bytes, page);
        benchmark::DoNotOptimize(page.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int which : {kLogCorpus, kProseCorpus})
        for (int mb : {100, 200}) b->Args({which, mb});
    b->ArgNames({"prose", "MB"})->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(BM_WrapText)->Apply(sizes);
BENCHMARK(BM_ChrReplace)->Apply(sizes);
BENCHMARK(BM_RangeReplace)->Apply(sizes);
BENCHMARK(BM_HtmlPage)->Apply(sizes);
BENCHMARK(BM_HtmlPageBytes)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
