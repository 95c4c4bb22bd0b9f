// SPDX-License-Identifier: MIT
// File names are bytes. The windows hold a path as a QString that keeps those
// bytes exactly: every valid UTF-8 sequence is its character, every byte of an
// invalid sequence is the lone low surrogate U+DC00 + byte (U+DC80..U+DCFF).
// toNativePath(fromNativePath(b)) == b for every byte string without NUL, so a
// path taken from a listing, the command line or a picker reaches the same file
// again. Such a QString is never handed to Qt's file classes (QFile, QFileInfo,
// QDir, QProcess), which would turn the escaped bytes into U+FFFD.
//
// What the user sees is displayPath(): each name that is valid UTF-8 as it is,
// each other name decoded as CP932 (files unpacked from Windows archives or
// copied from old shares).
#pragma once

#include <QString>
#include <QUrl>

#include <string>
#include <string_view>

namespace soramie {

[[nodiscard]] std::string toNativePath(const QString& path);
[[nodiscard]] QString fromNativePath(std::string_view bytes);

// The path as the user reads it: the separators kept, each name shown as UTF-8
// when its bytes are valid UTF-8, otherwise decoded as CP932 (bytes that are not
// CP932 either show as U+FFFD).
[[nodiscard]] QString displayPath(const QString& path);

// The local path of a file: URL with its bytes: the percent escapes of the URL
// are the name's bytes, whatever their encoding. Empty for other URLs.
[[nodiscard]] QString pathOfFileUrl(const QUrl& url);

// The process's current folder, and making folder the current folder (false
// when it cannot be entered).
[[nodiscard]] QString processFolder();
bool enterProcessFolder(const QString& folder);

// True when path names a folder this process may enter.
[[nodiscard]] bool isEnterableFolder(const QString& path);

// path made absolute against the process's current folder, "." and ".." steps
// and doubled separators removed; no final separator except for "/".
[[nodiscard]] QString absoluteCleanPath(const QString& path);

}  // namespace soramie
