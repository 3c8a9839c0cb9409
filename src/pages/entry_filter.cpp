#include "pages/entry_filter.h"

#include "pages/row_texts.h"

#include <cwctype>

namespace tarn {

std::wstring FoldCase(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        // Latin letters beyond ASCII, whatever the C library's locale knows.
        if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
            c = static_cast<wchar_t>(c + 0x20);
        }
    }
    return text;
}

bool EntryMatches(const AutoRunEntry& entry, const std::wstring& folded) {
    if (folded.empty()) {
        return true;
    }
    // The whole name as the rows of other tabs show it (a task's folder, the marks, the user).
    for (const std::wstring& text : {DisplayName(entry), entry.imagePath, VisibleText(entry.commandLine), entry.company,
                                     entry.description, entry.signature, VisibleText(entry.location)}) {
        if (FoldCase(text).find(folded) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

std::wstring CountedCaption(const wchar_t* caption, std::size_t rows, std::size_t matching, bool filtering) {
    std::wstring text = std::wstring(caption) + L" (";
    if (filtering) {
        text += std::to_wstring(matching) + L"/";
    }
    return text + std::to_wstring(rows) + L")";
}

}  // namespace tarn
