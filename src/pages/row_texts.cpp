#include "pages/row_texts.h"

#include "base/startup_approval.h"
#include "pages/page_texts.h"

#include <cwchar>

namespace tarn {

std::vector<ColumnLayout> ColumnsOf(ColumnSet columns) {
    if (columns == ColumnSet::WithoutSignature) {
        return {{L"程序名", 80}, {L"启动状态", 70}, {L"描述信息", 160}, {L"映像路径", 220}, {L"厂商信息", 250}};
    }
    std::vector<ColumnLayout> layout = {{L"程序名", 80},    {L"启动状态", 70},  {L"数字签名", 70},
                                        {L"描述信息", 160}, {L"映像路径", 220}, {L"厂商信息", 250}};
    if (columns == ColumnSet::Tasks) {
        layout.insert(layout.end(),
                      {{L"任务描述", 200}, {L"任务作者", 120}, {L"触发器", 120}, {L"任务文件夹", 160}});
    }
    return layout;
}

int SignatureColumn(ColumnSet columns) {
    return columns == ColumnSet::WithoutSignature ? -1 : 2;
}

int PathColumn(ColumnSet columns) {
    return columns == ColumnSet::WithoutSignature ? 3 : 4;
}

std::wstring VisibleText(const std::wstring& text) {
    std::wstring visible;
    visible.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\0') {
            visible += L"\\0";
        } else if (IsBidiControl(c) || IsControlCharacter(c)) {
            wchar_t escaped[8] = {};
            std::swprintf(escaped, 8, L"\\u%04X", static_cast<unsigned>(c));
            visible += escaped;
        } else {
            visible.push_back(c);
        }
    }
    return visible;
}

std::vector<const wchar_t*> NameMarks(const AutoRunEntry& entry) {
    std::vector<const wchar_t*> marks;
    if (NameHoldsNul(entry)) {
        marks.push_back(kNulNameText);
    }
    if (HoldsBidiControl(entry)) {
        marks.push_back(kBidiNameText);
    }
    if (HoldsControlCharacter(entry)) {
        marks.push_back(kControlNameText);
    }
    if (entry.hiddenFromScheduler) {
        marks.push_back(kHiddenFromSchedulerText);
    }
    if (entry.userClassOverride) {
        marks.push_back(kUserClassOverrideText);
    }
    return marks;
}

namespace {

// A task of the newer scheduler is known by its path, which starts at the root folder.
bool NamedByTaskPath(const AutoRunEntry& entry) {
    return !entry.name.empty() && entry.name[0] == L'\\';
}

}  // namespace

std::wstring TaskFolder(const AutoRunEntry& entry) {
    if (!NamedByTaskPath(entry)) {
        return VisibleText(entry.location);
    }
    const std::size_t last = entry.name.rfind(L'\\');
    return last == 0 ? L"\\" : VisibleText(entry.name.substr(0, last));
}

std::wstring DisplayName(const AutoRunEntry& entry, ColumnSet columns) {
    // Only on the tasks page: elsewhere a name that starts with a backslash is shown whole.
    const bool ownName = columns == ColumnSet::Tasks && NamedByTaskPath(entry);
    std::wstring name = VisibleText(ownName ? entry.name.substr(entry.name.rfind(L'\\') + 1) : entry.name);
    if (!entry.user.empty()) {
        name += L" [" + VisibleText(entry.user) + L"]";
    }
    for (const wchar_t* mark : NameMarks(entry)) {
        name += std::wstring(L" [") + mark + L"]";
    }
    if (FromOtherView(entry)) {
        name += std::wstring(L" [") + kWow32Text + L"]";
    }
    return name;
}

const wchar_t* StateCellText(int32_t state) {
    switch (state) {
        case EntryEnabled:
            return kStateEnabledText;
        case EntryDisabled:
            return kStateDisabledText;
        case EntryOffByWindows:
            return kStateOffByWindowsText;
        default:
            return L"";
    }
}

const wchar_t* StateCellText(const AutoRunEntry& entry) {
    return entry.notAtStart && entry.state == EntryEnabled ? kStateNotAtStartText : StateCellText(entry.state);
}

std::wstring OffByWindowsTimeText(const AutoRunEntry& entry) {
    return FileTimeUtcText(entry.offByWindowsAt).value_or(L"时间未知");
}

std::wstring DetailsLocationText(const AutoRunEntry& entry) {
    std::wstring text = VisibleText(entry.location);
    if (entry.offByWindows) {
        text += L"    系统禁用于：" + OffByWindowsTimeText(entry);
    }
    // Such a task is known by its full path, which starts at the scheduler's root folder.
    const bool serviceTask =
        entry.locationKind == LocationFolder && !entry.keyPath.empty() && entry.keyPath[0] == L'\\';
    if (serviceTask) {
        text +=
            L"    触发器：" + (entry.taskTriggers.empty() ? std::wstring(L"无（仅在请求时运行）") : entry.taskTriggers);
    }
    if (!entry.details.empty()) {
        text += L"    " + VisibleText(entry.details);
    }
    if (!entry.user.empty()) {
        text += L"    用户：" + VisibleText(entry.user) + L"（" + entry.userSid + L"）";
    }
    if (!entry.userHive.empty()) {
        text += L"    配置单元文件：" + VisibleText(entry.userHive) + L"（用户未登录）";
    }
    if (*entry.technique != L'\0') {
        text += std::wstring(L"    MITRE 技术：") + entry.technique;
    }
    return text;
}

std::vector<std::wstring> RowTexts(const AutoRunEntry& entry, bool fileExists, ColumnSet columns) {
    std::vector<std::wstring> cells(ColumnsOf(columns).size());
    cells[0] = DisplayName(entry, columns);
    const std::size_t path = static_cast<std::size_t>(PathColumn(columns));
    if (columns == ColumnSet::Tasks) {
        cells[path + 2] = VisibleText(entry.taskDescription);
        cells[path + 3] = VisibleText(entry.taskAuthor);
        cells[path + 4] = entry.taskTriggers;
        cells[path + 5] = TaskFolder(entry);
    }
    if (entry.startsNoFile) {
        cells[1] = StateCellText(entry.state);
        cells[path] = VisibleText(entry.commandLine);
        return cells;
    }
    if (!fileExists) {
        cells[path] = kFileMissingText;
        return cells;
    }
    cells[1] = StateCellText(entry);
    if (SignatureColumn(columns) >= 0) {
        cells[static_cast<std::size_t>(SignatureColumn(columns))] = entry.signature;
    }
    cells[path - 1] = entry.description;
    cells[path] = entry.imagePath;
    cells[path + 1] = entry.company;
    return cells;
}

std::wstring FitWithEllipsis(const std::wstring& text,
                             int width,
                             const std::function<int(const std::wstring&)>& measure) {
    if (measure(text) <= width) {
        return text;
    }
    // The longest prefix that fits with the ellipsis after it.
    std::size_t fits = 0;
    std::size_t tooLong = text.size();
    while (fits + 1 < tooLong) {
        const std::size_t middle = fits + (tooLong - fits) / 2;
        (measure(text.substr(0, middle) + L"…") <= width ? fits : tooLong) = middle;
    }
    return text.substr(0, fits) + L"…";
}

uint32_t RowColour(const AutoRunEntry& entry, ColumnSet columns) {
    if (!NameMarks(entry).empty()) {
        return kColourHiddenName;
    }
    if (SignatureColumn(columns) >= 0 && entry.signatureCheck == SignatureCheck::Invalid) {
        return kColourUnsigned;
    }
    if (entry.state == EntryFileMissing && !entry.startsNoFile) {
        return kColourMissing;
    }
    return kColourNormal;
}

}  // namespace tarn
