// SPDX-License-Identifier: MIT
// The texts the windows' status bars show about a file.
#pragma once

#include <QString>

#include <cstdint>

namespace soramie {

// "1.234" for 1234 bytes: bytes / 1000 with the fraction digits it needs.
[[nodiscard]] QString kilobytesText(std::uint64_t bytes);

// The size of a file as the status bar shows it: "File Size <amount> byte",
// or "File Size <amount> KB" for an amount in kilobytes (kilobytesText). An
// amount that could not be measured is empty.
enum class SizeUnit { Bytes, Kilobytes };
[[nodiscard]] QString fileSizeText(const QString& amount, SizeUnit unit);
// `shown` (a size text as above, perhaps indented) with the amount for bytes,
// in the same unit and indent: a size that changes keeps how it was shown.
[[nodiscard]] QString fileSizeTextLike(const QString& shown, std::uint64_t bytes);

}  // namespace soramie
