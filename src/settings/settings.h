// SPDX-License-Identifier: MIT
// The settings file: where it lies, how one value is read, how the whole file is
// written. Window-free; failures are values.
//
// The file is CP932 text of the classic sectioned key-value kind:
//   [main]
//   log = <work folder>
//   typedate = <reserved value>
//   program = <external program path>
//   name = <external program display name>
//   browse = <browser command line>
// every line ended by CR LF.
#pragma once

#include "core/result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace soramie::settings {

// Section and key names the program uses.
inline constexpr std::u16string_view kSection = u"main";
inline constexpr std::u16string_view kLog = u"log";
inline constexpr std::u16string_view kTypedate = u"typedate";
inline constexpr std::u16string_view kProgram = u"program";
inline constexpr std::u16string_view kName = u"name";
inline constexpr std::u16string_view kBrowse = u"browse";
// Default of `typedate` when the key is missing (the other keys default to "").
inline constexpr std::u16string_view kTypedateDefault = u"1";

// Longest value, in CP932 bytes, that a read returns; longer values are cut at
// the last character boundary at or before this many bytes.
inline constexpr std::size_t kMaxValueBytes = 127;
// Bytes of the file that a read looks at; anything beyond is treated as absent.
inline constexpr std::size_t kMaxFileBytes = 1 << 20;

// The settings file of an executable: its folder, then the base name (file name
// without extension) and ".ini". Nothing is put between folder and name when the
// folder already ends with `separator` (a root such as "C:\" or "/"), otherwise
// one separator. Example: ("/opt/soramie", "soramie") -> "/opt/soramie/soramie.ini".
std::string settingsFilePath(std::string_view exeFolder, std::string_view baseName, char separator = '/');

// readSetting's contract (see SettingsFile::readSetting) applied to the bytes
// of a settings file; only the first kMaxFileBytes of them are looked at.
std::u16string readSettingFrom(std::string_view fileBytes, std::u16string_view section, std::u16string_view key,
                               std::u16string_view def);

// The four values the settings dialog edits; `typedate` is not among them, the
// writer keeps the file's own value.
struct SettingsFields {
    std::u16string log;      // work folder
    std::u16string program;  // external program path
    std::u16string name;     // external program display name
    std::u16string browse;   // browser command line
};

// The exact bytes the writer stores for `fields` and `typedateValue`; fails with
// EILSEQ for a character without a CP932 code, EINVAL for a CR or LF.
Result<std::string, IoError> formatSettings(const SettingsFields& fields, std::u16string_view typedateValue);

// One settings file. Holds only its path: every read and write goes to the disk,
// so the object may be shared between threads.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& path() const { return file_; }

    // The value of `key` in `section`, or `def` unchanged when the file, the
    // section or the key does not exist (or cannot be read).
    // - Section and key names are compared without regard to ASCII letter case;
    //   spaces and tabs around the key, the "=" and the value are ignored.
    // - An empty value reads as the empty text (not as the default).
    // - The value is cut to kMaxValueBytes CP932 bytes, never inside a
    //   double-byte character, and decoded from CP932.
    // - Lines whose first non-blank character is ';' or '#' are comments; lines
    //   without '=' outside a section header are ignored; of duplicate keys (also
    //   across repeated sections of the same name) the first one wins; quotes are
    //   part of the value; a UTF-8 byte-order mark at the start is ignored; lines
    //   may end with CR LF, LF or CR.
    // - Only the first kMaxFileBytes bytes of the file are read, and only from a
    //   regular file: a FIFO, a device or a folder reads as a missing file,
    //   without waiting.
    std::u16string readSetting(std::u16string_view section, std::u16string_view key, std::u16string_view def) const;

    // Rewrites the whole file with exactly six CR LF-ended CP932 lines:
    // "[main]", "log = "…, "typedate = "…, "program = "…, "name = "…, "browse = "…,
    // where typedate is readSetting(main, typedate, "1") read just before. Values
    // are written as they stand (no quoting, escaping or trimming).
    //
    // The bytes go through writeFileSafely (core/file_io.h): links only where
    // the kernel would follow them, a private temporary file renamed over the
    // old one, so on any failure the old file is left as it was. Fails without touching the disk when a value has a character
    // that CP932 cannot encode (errno EILSEQ) or holds a CR or LF (EINVAL), since
    // either would store something other than the value.
    Status<IoError> write(const SettingsFields& fields) const;

private:
    std::filesystem::path file_;
};

}  // namespace soramie::settings
