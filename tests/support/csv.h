#pragma once

#include <string>
#include <vector>

namespace tarn::test {

// Rows of an RFC 4180 text (quoted fields may hold commas, quotes and line breaks).
std::vector<std::vector<std::wstring>> ParseCsv(const std::wstring& text);

}  // namespace tarn::test
