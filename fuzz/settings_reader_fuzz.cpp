// SPDX-License-Identifier: MIT
// The settings reader on arbitrary file bytes: never crashes, never returns more
// than the byte limit or a line break; and whatever the writer stores for
// plain values reads back unchanged.
#include "core/cp932.h"
#include "settings/settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace soramie::settings;
namespace cp932 = soramie::cp932;

namespace {

// A value the writer stores and the reader must give back exactly.
bool plainValue(std::u16string_view v)
{
    if (v.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
    if (!v.empty() && (v.front() == u' ' || v.front() == u'\t' || v.back() == u' ' || v.back() == u'\t')) return false;
    const auto enc = cp932::encode(v);
    return enc.complete() && cp932::decode(enc.bytes) == v && enc.bytes.size() <= kMaxValueBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::u16string_view key : {kLog, kTypedate, kProgram, kName, kBrowse}) {
        const std::u16string v = readSettingFrom(bytes, kSection, key, u"\x1F");
        if (v == u"\x1F") continue;
        if (cp932::encode(v).bytes.size() > kMaxValueBytes) std::abort();
        if (v.find_first_of(u"\r\n") != std::u16string::npos) std::abort();
    }

    // The input, split at 0x00 bytes, as field values.
    const std::u16string text = cp932::decode(bytes);
    std::u16string parts[5];
    std::size_t part = 0;
    for (char16_t u : text) {
        if (u == 0 && part < 4) ++part;
        else parts[part].push_back(u);
    }
    const auto file = formatSettings({parts[0], parts[1], parts[2], parts[3]}, parts[4]);
    bool plain = true;
    for (const auto& p : parts) plain = plain && plainValue(p);
    if (plain && !file.ok()) std::abort();
    const std::u16string_view keys[5] = {kLog, kProgram, kName, kBrowse, kTypedate};
    for (std::size_t i = 0; plain && i < 5; ++i) {
        if (readSettingFrom(*file, kSection, keys[i], u"-") != parts[i]) std::abort();
    }
    return 0;
}
