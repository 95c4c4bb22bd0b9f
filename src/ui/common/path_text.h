// SPDX-License-Identifier: MIT
// The path helpers of core/paths.h on the windows' paths (platform/file_names.h:
// QStrings that keep the file-name bytes).
#pragma once

#include "platform/file_names.h"

#include <QString>
#include <QStyledItemDelegate>

namespace soramie {

// core/paths.h's joinPath with the native separator.
[[nodiscard]] QString joinPath(const QString& folder, const QString& name);
// core/paths.h's folderAndFileLabel of path as the user reads it (displayPath).
[[nodiscard]] QString folderAndFileLabel(const QString& path);

// path without a final separator, except for the root "/".
[[nodiscard]] QString withoutFinalSeparator(const QString& path);

// Shows the entries of a list that holds paths or names (with their bytes) as
// the user reads them (displayPath); the entries themselves stay unchanged.
class PathDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

}  // namespace soramie
