#pragma once

// What a page's list shows: its columns, the texts of an entry's row and the row's colour. Pure
// text logic, so that it runs and is tested without Windows.

#include "base/autorun_entry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

// The standard six columns, the five of the image-hijack page (no signature column), or the six
// and what a scheduled task says of itself (its description, author and triggers) and its folder.
enum class ColumnSet { Standard, WithoutSignature, Tasks };

struct ColumnLayout {
    const wchar_t* caption;
    int width;
};

std::vector<ColumnLayout> ColumnsOf(ColumnSet columns);

// The text with every NUL shown as "\0" and every bidirectional control or control character as
// "\uXXXX", so that a name that hides behind one, or reads other than it is, shows what it is.
std::wstring VisibleText(const std::wstring& text);

// The marks of an entry whose name, command or path holds a NUL, a bidirectional control or a
// control character.
std::vector<const wchar_t*> NameMarks(const AutoRunEntry& entry);

// The name as the first column and the details panel show it: visible, and marked when it
// holds a NUL. On the tasks page a task known by its path shows its own name (TaskFolder the rest).
std::wstring DisplayName(const AutoRunEntry& entry, ColumnSet columns);
inline std::wstring DisplayName(const AutoRunEntry& entry) {
    return DisplayName(entry, ColumnSet::Standard);
}

// The scheduler folder a task's path names ("\\" for the root), or the folder of an older
// scheduler's task file; the whole path stays in the record and the reports.
std::wstring TaskFolder(const AutoRunEntry& entry);

// The state column's text for a state; nothing for a state the column leaves empty.
const wchar_t* StateCellText(int32_t state);
// The state column's text of an entry: as StateCellText, but "按需加载" for a live add-in its program
// loads only when asked.
const wchar_t* StateCellText(const AutoRunEntry& entry);

// When Windows' own startup switch turned the entry off, as shown and reported: its time, or
// "时间未知" when the switch value holds none.
std::wstring OffByWindowsTimeText(const AutoRunEntry& entry);

// Where the details panel says the entry is registered; a task of the newer scheduler adds what
// starts it, an entry Windows' startup switch turned off says so.
std::wstring DetailsLocationText(const AutoRunEntry& entry);

// The texts of an entry's row, one per column. A missing file shows its name and "文件不存在" in
// the path column only (and a task's own texts); an action that starts no file shows its kind
// there.
std::vector<std::wstring> RowTexts(const AutoRunEntry& entry, bool fileExists, ColumnSet columns);

// As much of `text` as fits in `width` (as `measure` gives widths), ending in "…" when cut.
std::wstring FitWithEllipsis(const std::wstring& text,
                             int width,
                             const std::function<int(const std::wstring&)>& measure);

// Text colours of a row (COLORREF values: 0x00BBGGRR).
constexpr uint32_t kColourNormal = 0x000000;
constexpr uint32_t kColourUnsigned = 0xFF2626;
constexpr uint32_t kColourMissing = 0x808080;
constexpr uint32_t kColourHiddenName = 0x0000D0;

// The colour of an entry's row: a name with a hidden or misleading character red, an unsigned
// file blue (where the page shows signatures), a missing file grey, anything else black.
uint32_t RowColour(const AutoRunEntry& entry, ColumnSet columns);

// Where the signature and the path sit in a row; -1 when the page has no signature column.
int SignatureColumn(ColumnSet columns);
int PathColumn(ColumnSet columns);

}  // namespace tarn
