#include "support/csv.h"

namespace tarn::test {

std::vector<std::vector<std::wstring>> ParseCsv(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> rows;
    std::vector<std::wstring> row;
    std::wstring field;
    bool quoted = false;
    bool rowStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (quoted) {
            if (c == L'"' && i + 1 < text.size() && text[i + 1] == L'"') {
                field.push_back(L'"');
                ++i;
            } else if (c == L'"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
            continue;
        }
        rowStarted = true;
        if (c == L'"') {
            quoted = true;
        } else if (c == L',') {
            row.push_back(field);
            field.clear();
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++i;
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            rowStarted = false;
        } else {
            field.push_back(c);
        }
    }
    if (rowStarted) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace tarn::test
