// SPDX-License-Identifier: MIT
#include "platform/file_names.h"

#include "core/cp932.h"
#include "core/utf8.h"

#include <QDir>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace soramie {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

QString displayName(const QString& name)
{
    bool escaped = false;
    for (const QChar c : name) escaped = escaped || isEscape(c.unicode());
    if (!escaped) return name;
    std::u16string text = cp932::decode(toNativePath(name));
    for (char16_t& u : text) {
        if (cp932::isRawByte(u) || (u >= 0xDC00 && u <= 0xDFFF)) u = 0xFFFD;
    }
    return QString::fromStdU16String(text);
}

}  // namespace

std::string toNativePath(const QString& path)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(path.size()));
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path.at(i).unicode();
        if (isEscape(u)) {
            out += static_cast<char>(u - kEscapeBase);
            continue;
        }
        char32_t code = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && path.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(u, path.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(u)) {
            code = 0xFFFD;  // no bytes stand behind a lone surrogate of another range
        }
        utf8::append(code, out);
    }
    return out;
}

QString fromNativePath(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t at = i;
        const std::optional<char32_t> code = utf8::nextCodePoint(bytes, i);
        if (!code) {
            // A byte that starts no valid sequence keeps its value as an escape.
            out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            i = at + 1;
            continue;
        }
        if (*code >= 0x10000) {
            out += QChar(QChar::highSurrogate(*code));
            out += QChar(QChar::lowSurrogate(*code));
        } else {
            out += QChar(static_cast<char16_t>(*code));
        }
    }
    return out;
}

QString displayPath(const QString& path)
{
    if (std::none_of(path.cbegin(), path.cend(), [](QChar c) { return isEscape(c.unicode()); })) return path;
    QStringList names = path.split(QLatin1Char('/'));
    for (QString& name : names) name = displayName(name);
    return names.join(QLatin1Char('/'));
}

QString pathOfFileUrl(const QUrl& url)
{
    if (!url.isLocalFile()) return {};
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return fromNativePath(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString processFolder()
{
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) != nullptr) return fromNativePath(buffer);
    // A folder removed while current, or a path beyond PATH_MAX.
    char* grown = ::get_current_dir_name();
    if (grown == nullptr) return QStringLiteral("/");
    QString out = fromNativePath(grown);
    std::free(grown);
    return out;
}

bool enterProcessFolder(const QString& folder) { return ::chdir(toNativePath(folder).c_str()) == 0; }

bool isEnterableFolder(const QString& path)
{
    const std::string native = toNativePath(path);
    struct stat info {};
    return ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(native.c_str(), X_OK) == 0;
}

QString absoluteCleanPath(const QString& path)
{
    // QDir::cleanPath works on the text alone, so the escaped bytes stay as they are.
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : processFolder() + QLatin1Char('/') + path;
    return QDir::cleanPath(absolute);
}

}  // namespace soramie
