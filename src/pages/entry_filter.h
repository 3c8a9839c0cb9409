#pragma once

// The filter box: which rows a text keeps, and how a tab's caption counts them. Pure text logic.

#include "base/autorun_entry.h"

#include <cstddef>
#include <string>

namespace tarn {

// The text with its letters in lower case, so that texts compare without regard to case.
std::wstring FoldCase(std::wstring text);

// Whether an entry's row stays while the filter box holds `folded` (FoldCase of its text): its
// name, file, command, company, description, signer or location contains it. Every row stays for
// an empty text.
bool EntryMatches(const AutoRunEntry& entry, const std::wstring& folded);

// A tab's caption with how many rows it holds ("系统服务 (212)"), and while a filter is set, how
// many of them match ("系统服务 (3/212)").
std::wstring CountedCaption(const wchar_t* caption, std::size_t rows, std::size_t matching, bool filtering);

}  // namespace tarn
