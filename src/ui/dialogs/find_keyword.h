// SPDX-License-Identifier: MIT
// Keyword finding lives in the document layer now; this name stays until its
// last includers use document/find_keyword.h.
#pragma once

#include "document/find_keyword.h"
