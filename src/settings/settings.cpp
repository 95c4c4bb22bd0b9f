// SPDX-License-Identifier: MIT
#include "settings/settings.h"

#include "core/cp932.h"
#include "core/file_io.h"
#include "core/paths.h"

#include <cerrno>

namespace soramie::settings {
namespace {

bool isBlank(char16_t u) { return u == u' ' || u == u'\t'; }

std::u16string_view trim(std::u16string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char16_t foldAscii(char16_t u) { return (u >= u'a' && u <= u'z') ? static_cast<char16_t>(u - 0x20) : u; }

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

// The longest prefix of `value` that takes at most kMaxValueBytes in CP932.
std::u16string cutToMaxBytes(std::u16string_view value)
{
    std::size_t bytes = 0, n = 0;
    for (; n < value.size(); ++n) {
        bytes += static_cast<std::size_t>(cp932::byteLength(value[n]));
        if (bytes > kMaxValueBytes) break;
    }
    return std::u16string(value.substr(0, n));
}

// At most kMaxFileBytes of the file; empty when it is not a regular file or
// cannot be read. Opened without blocking, so a FIFO or device named as the
// settings file cannot stall the program.
std::string readHead(const std::filesystem::path& file)
{
    auto bytes = readWholeFile(file.string(), ReadFrom::RegularFileOnly, kMaxFileBytes);
    return bytes ? std::move(*bytes) : std::string();
}

}  // namespace

std::string settingsFilePath(std::string_view exeFolder, std::string_view baseName, char separator)
{
    return joinPath(exeFolder, baseName, separator) + ".ini";
}

std::u16string readSettingFrom(std::string_view bytes, std::u16string_view section, std::u16string_view key,
                               std::u16string_view def)
{
    bytes = bytes.substr(0, kMaxFileBytes);
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    // CR and LF are below 0x40, so they never sit inside a double-byte
    // character: the decoded text splits into the same lines as the bytes.
    const std::u16string text = cp932::decode(bytes);
    std::u16string_view rest = text;
    bool inSection = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(u"\r\n");
        const std::u16string_view line = trim(rest.substr(0, end));
        rest.remove_prefix(end == std::u16string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == u';' || line.front() == u'#') continue;
        if (line.front() == u'[') {
            const std::size_t close = line.find(u']');
            if (close != std::u16string_view::npos) {
                inSection = equalsIgnoringCase(trim(line.substr(1, close - 1)), section);
                continue;
            }
        }
        if (!inSection) continue;
        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) continue;
        if (equalsIgnoringCase(trim(line.substr(0, eq)), key)) {
            return cutToMaxBytes(trim(line.substr(eq + 1)));
        }
    }
    return std::u16string(def);
}

Result<std::string, IoError> formatSettings(const SettingsFields& fields, std::u16string_view typedateValue)
{
    struct Line {
        std::u16string_view key;
        std::u16string_view value;
    };
    const Line lines[] = {{kLog, fields.log},
                          {kTypedate, typedateValue},
                          {kProgram, fields.program},
                          {kName, fields.name},
                          {kBrowse, fields.browse}};
    cp932::EncodeResult out;
    cp932::encodeAppend(u"[main]\r\n", out);
    for (const Line& line : lines) {
        const std::string key = cp932::encode(line.key).bytes;
        if (line.value.find_first_of(u"\r\n") != std::u16string_view::npos) {
            return unexpected(IoError{{}, IoStep::Encode, EINVAL, key});
        }
        const std::size_t before = out.unencodableCount;
        cp932::encodeAppend(line.key, out);
        cp932::encodeAppend(u" = ", out);
        cp932::encodeAppend(line.value, out);
        cp932::encodeAppend(u"\r\n", out);
        if (out.unencodableCount != before) {
            return unexpected(IoError{{}, IoStep::Encode, EILSEQ, key});
        }
    }
    return std::move(out.bytes);
}

std::u16string SettingsFile::readSetting(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view def) const
{
    return readSettingFrom(readHead(file_), section, key, def);
}

Status<IoError> SettingsFile::write(const SettingsFields& fields) const
{
    auto bytes = formatSettings(fields, readSetting(kSection, kTypedate, kTypedateDefault));
    if (!bytes.ok()) {
        IoError e = bytes.error();
        e.path = file_.string();
        return unexpected(std::move(e));
    }

    // Either the old or the new contents are in place, never a half-written file.
    auto written = writeFileSafely(file_.string(), *bytes);
    if (!written) return unexpected(written.error());
    return Ok{};
}

}  // namespace soramie::settings
