// SPDX-License-Identifier: MIT
#include "cli/text_commands.h"

#include "cli/command.h"
#include "cli/stream.h"
#include "core/file_io.h"
#include "core/html_export.h"
#include "core/html_page.h"
#include "core/replace.h"
#include "core/wrap.h"

#include <charconv>
#include <ostream>

namespace soramie::cli {
namespace {

constexpr std::string_view kWrapUsage = "usage: soramie-cli wrap --width BYTES [FILE]";
constexpr std::string_view kReplaceUsage = "usage: soramie-cli replace --from TEXT --to TEXT [--keep-existing] [FILE]";
constexpr std::string_view kRangeUsage = "usage: soramie-cli replace-range --start TEXT --end TEXT --with TEXT [FILE]";
constexpr std::string_view kHtmlUsage = "usage: soramie-cli html [--stdout] FILE";

constexpr std::string_view kWrapHelp =
    "Re-breaks every line of the CP932 text to at most BYTES bytes with Japanese\n"
    "line-breaking rules and writes the result to standard output.\n"
    "FILE '-' or none: standard input.\n";
constexpr std::string_view kReplaceHelp =
    "Replaces every occurrence of the text --from by --to (UTF-8 arguments; each\n"
    "character needs a CP932 code). --keep-existing leaves an occurrence that is\n"
    "already part of a replacement alone. --from must not be empty.\n"
    "FILE '-' or none: standard input; the result goes to standard output.\n";
constexpr std::string_view kRangeHelp =
    "Replaces each stretch from --start through the next --end, markers included,\n"
    "by --with and prints the number of replacements on standard error. --start\n"
    "and --end must not be empty.\n"
    "FILE '-' or none: standard input; the result goes to standard output.\n";
constexpr std::string_view kHtmlHelp =
    "Writes FILE.html beside FILE: a minimal HTML page of the text, one line per\n"
    "source line, '<' and '>' escaped, bytes kept. With --stdout the page goes to\n"
    "standard output instead (FILE '-': standard input). FILE must be a regular file.\n"
    "A symbolic link FILE.html is followed only where the kernel would follow it.\n";

}  // namespace

int runWrapCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {"--width"}, {}, 1, err);
    if (!a) return usageError(err, "", kWrapUsage);
    if (a->help) return printHelp(out, err, kWrapUsage, kWrapHelp);
    const std::string* widthText = a->value("--width");
    if (widthText == nullptr) return usageError(err, "--width is required", kWrapUsage);
    std::int32_t width = 0;
    const char* end = widthText->data() + widthText->size();
    const auto [ptr, ec] = std::from_chars(widthText->data(), end, width);
    if (ec != std::errc() || ptr != end) return usageError(err, "--width needs a whole number", kWrapUsage);
    if (width < 1) return usageError(err, "--width must be at least 1", kWrapUsage);
    WrapStream wrap(WrapWidth{width});
    return rewriteInput(a->file(), wrap, out, err);
}

int runReplaceCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {"--from", "--to"}, {"--keep-existing"}, 1, err);
    if (!a) return usageError(err, "", kReplaceUsage);
    if (a->help) return printHelp(out, err, kReplaceUsage, kReplaceHelp);
    if (a->value("--from") == nullptr || a->value("--to") == nullptr)
        return usageError(err, "--from and --to are required", kReplaceUsage);
    const auto from = textArgument("--from", *a->value("--from"), err, kReplaceUsage);
    if (!from) return kExitUsage;
    const auto to = textArgument("--to", *a->value("--to"), err, kReplaceUsage);
    if (!to) return kExitUsage;
    if (from->empty()) return usageError(err, "--from must not be empty", kReplaceUsage);
    const auto inside = a->flag("--keep-existing") ? InsideReplacement::Skip : InsideReplacement::Replace;
    StringReplaceStream replace(*from, *to, inside);
    return rewriteInput(a->file(), replace, out, err);
}

int runReplaceRangeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {"--start", "--end", "--with"}, {}, 1, err);
    if (!a) return usageError(err, "", kRangeUsage);
    if (a->help) return printHelp(out, err, kRangeUsage, kRangeHelp);
    if (a->value("--start") == nullptr || a->value("--end") == nullptr || a->value("--with") == nullptr)
        return usageError(err, "--start, --end and --with are required", kRangeUsage);
    const auto start = textArgument("--start", *a->value("--start"), err, kRangeUsage);
    if (!start) return kExitUsage;
    const auto end = textArgument("--end", *a->value("--end"), err, kRangeUsage);
    if (!end) return kExitUsage;
    const auto with = textArgument("--with", *a->value("--with"), err, kRangeUsage);
    if (!with) return kExitUsage;
    if (start->empty() || end->empty()) return usageError(err, "--start and --end must not be empty", kRangeUsage);
    // Where the last end marker lies decides, at each start marker, whether an end
    // marker follows: one pass to find it, then the replacement. Input that cannot
    // be read twice is held in memory.
    LastMarkerScan scan(*end);
    std::string held;
    std::string none;  // the scan writes nothing
    const bool twice = inputCanBeReread(a->file());
    const auto scanned = forEachWindow(a->file(), [&](std::string_view window) {
        scan.feed(window, none);
        if (!twice) held.append(window);
    });
    if (!scanned) return ioFailure(err, scanned.error());
    scan.finish(none);
    RangeReplaceStream replace(*start, *end, *with, scan.last());
    int status = kExitOk;
    if (twice) {
        status = rewriteInput(a->file(), replace, out, err);
    } else {
        std::string output = rewriteAll(replace, held);
        if (!writeOutput(out, output)) status = outputFailure(err);
    }
    if (status == kExitOk) err << replace.count() << "\n";
    return status;
}

int runHtmlCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {}, {"--stdout"}, 1, err);
    if (!a) return usageError(err, "", kHtmlUsage);
    if (a->help) return printHelp(out, err, kHtmlUsage, kHtmlHelp);
    const bool toStdout = a->flag("--stdout");
    if (a->operands.empty()) return usageError(err, "FILE is required", kHtmlUsage);
    const std::string& source = a->operands.front();
    if (source == "-" && !toStdout) return usageError(err, "standard input needs --stdout", kHtmlUsage);
    if (toStdout) {
        // Only a regular file or standard input: a FIFO path would block.
        HtmlPageStream page;
        return rewriteInput(&source, page, out, err, source == "-" ? ReadFrom::AnyFile : ReadFrom::RegularFileOnly);
    }
    // Only a regular file has a page beside it: a FIFO would block and a device
    // (/dev/null) would make a page in /dev.
    const auto exported = exportHtmlPage(source, source + ".html");
    if (!exported) return ioFailure(err, exported.error().io);
    if (exported->written.mode == WriteMode::InPlace) {
        err << "soramie-cli: note: " << source << ".html was rewritten in place, not replaced atomically "
            << "(its folder does not allow a new file there, or its owner could not be kept)\n";
    }
    return kExitOk;
}

}  // namespace soramie::cli
