#include "base/task_xml.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>

namespace tarn {

namespace {

// One element of the document: its local name, decoded text and children.
struct Element {
    std::wstring name;
    std::wstring text;
    std::vector<Element> children;

    const Element* Child(const wchar_t* wanted) const {
        for (const Element& child : children) {
            if (child.name == wanted) {
                return &child;
            }
        }
        return nullptr;
    }
    std::wstring ChildText(const wchar_t* wanted) const {
        const Element* child = Child(wanted);
        return child != nullptr ? child->text : std::wstring();
    }
};

// Elements deeper than this are not part of any task definition.
constexpr int kMaxDepth = 32;

class Reader {
public:
    explicit Reader(const std::wstring& text) : s_(text) {}

    // The document's root element, skipping the prolog, comments and processing instructions.
    std::optional<Element> Document() {
        SkipMisc();
        Element root;
        if (!ReadElement(root, 0)) {
            return std::nullopt;
        }
        return root;
    }

private:
    bool At(const wchar_t* prefix) const { return s_.compare(i_, std::wcslen(prefix), prefix) == 0; }

    bool SkipPast(const wchar_t* end) {
        const std::size_t found = s_.find(end, i_);
        if (found == std::wstring::npos) {
            return false;
        }
        i_ = found + std::wcslen(end);
        return true;
    }

    void SkipSpace() {
        while (i_ < s_.size() &&
               (s_[i_] == L' ' || s_[i_] == L'\t' || s_[i_] == L'\r' || s_[i_] == L'\n' || s_[i_] == 0xFEFF)) {
            ++i_;
        }
    }

    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (At(L"<?")) {
                if (!SkipPast(L"?>")) {
                    return;
                }
            } else if (At(L"<!--")) {
                if (!SkipPast(L"-->")) {
                    return;
                }
            } else if (At(L"<!")) {
                if (!SkipPast(L">")) {
                    return;
                }
            } else {
                return;
            }
        }
    }

    static bool NameUnit(wchar_t c) {
        return c != L' ' && c != L'\t' && c != L'\r' && c != L'\n' && c != L'/' && c != L'>' && c != L'=';
    }

    // The local name (without a namespace prefix).
    std::wstring ReadName() {
        const std::size_t start = i_;
        while (i_ < s_.size() && NameUnit(s_[i_])) {
            ++i_;
        }
        std::wstring name = s_.substr(start, i_ - start);
        const std::size_t colon = name.find(L':');
        return colon == std::wstring::npos ? name : name.substr(colon + 1);
    }

    static void AppendCodePoint(std::wstring& out, uint32_t code) {
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(static_cast<wchar_t>(0xFFFD));
        } else if (code >= 0x10000 && sizeof(wchar_t) == 2) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
    }

    // Decodes one reference at `i_` (just after '&'); an unknown one stands as written.
    void ReadReference(std::wstring& out) {
        const std::size_t end = s_.find(L';', i_);
        if (end == std::wstring::npos || end - i_ > 10) {
            out.push_back(L'&');
            return;
        }
        const std::wstring ref = s_.substr(i_, end - i_);
        static const std::pair<const wchar_t*, wchar_t> kNamed[] = {
            {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
        for (const auto& [name, unit] : kNamed) {
            if (ref == name) {
                out.push_back(unit);
                i_ = end + 1;
                return;
            }
        }
        if (ref.size() > 1 && ref[0] == L'#') {
            const bool hex = ref[1] == L'x' || ref[1] == L'X';
            uint32_t code = 0;
            bool valid = ref.size() > (hex ? 2u : 1u);
            for (std::size_t k = hex ? 2 : 1; k < ref.size() && valid; ++k) {
                const wchar_t c = ref[k];
                uint32_t digit = 0;
                if (c >= L'0' && c <= L'9') {
                    digit = static_cast<uint32_t>(c - L'0');
                } else if (hex && c >= L'a' && c <= L'f') {
                    digit = static_cast<uint32_t>(c - L'a' + 10);
                } else if (hex && c >= L'A' && c <= L'F') {
                    digit = static_cast<uint32_t>(c - L'A' + 10);
                } else {
                    valid = false;
                }
                code = code * (hex ? 16u : 10u) + digit;
                valid = valid && code <= 0x10FFFF;
            }
            if (valid) {
                AppendCodePoint(out, code);
                i_ = end + 1;
                return;
            }
        }
        out.push_back(L'&');
    }

    // Attributes are skipped: a task definition keeps what matters in elements.
    bool SkipAttributes(bool& empty) {
        while (i_ < s_.size()) {
            const wchar_t c = s_[i_];
            if (c == L'>') {
                ++i_;
                empty = false;
                return true;
            }
            if (c == L'/' && i_ + 1 < s_.size() && s_[i_ + 1] == L'>') {
                i_ += 2;
                empty = true;
                return true;
            }
            if (c == L'"' || c == L'\'') {
                const std::size_t close = s_.find(c, i_ + 1);
                if (close == std::wstring::npos) {
                    return false;
                }
                i_ = close + 1;
            } else {
                ++i_;
            }
        }
        return false;
    }

    bool ReadElement(Element& element, int depth) {
        if (depth > kMaxDepth || !At(L"<")) {
            return false;
        }
        ++i_;
        element.name = ReadName();
        bool empty = false;
        if (element.name.empty() || !SkipAttributes(empty)) {
            return false;
        }
        if (empty) {
            return true;
        }
        while (i_ < s_.size()) {
            if (At(L"</")) {
                i_ += 2;
                ReadName();
                return SkipPast(L">");
            }
            if (At(L"<!--")) {
                if (!SkipPast(L"-->")) {
                    return false;
                }
            } else if (At(L"<![CDATA[")) {
                i_ += 9;
                const std::size_t end = s_.find(L"]]>", i_);
                if (end == std::wstring::npos) {
                    return false;
                }
                element.text.append(s_, i_, end - i_);
                i_ = end + 3;
            } else if (At(L"<?")) {
                if (!SkipPast(L"?>")) {
                    return false;
                }
            } else if (At(L"<")) {
                Element child;
                if (!ReadElement(child, depth + 1)) {
                    return false;
                }
                element.children.push_back(std::move(child));
            } else if (s_[i_] == L'&') {
                ++i_;
                ReadReference(element.text);
            } else {
                element.text.push_back(s_[i_++]);
            }
        }
        return false;
    }

    const std::wstring& s_;
    std::size_t i_ = 0;
};

std::wstring Trimmed(const std::wstring& text) {
    const std::size_t start = text.find_first_not_of(L" \t\r\n");
    if (start == std::wstring::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(L" \t\r\n") - start + 1);
}

std::optional<bool> Flag(const Element* element) {
    if (element == nullptr) {
        return std::nullopt;
    }
    const std::wstring value = Trimmed(element->text);
    if (value == L"true" || value == L"1") {
        return true;
    }
    if (value == L"false" || value == L"0") {
        return false;
    }
    return std::nullopt;
}

TaskAction ActionOf(const Element& element) {
    TaskAction action;
    if (element.name == L"Exec") {
        action.kind = TaskActionKind::Exec;
        action.command = Trimmed(element.ChildText(L"Command"));
        action.arguments = Trimmed(element.ChildText(L"Arguments"));
        action.workingDirectory = Trimmed(element.ChildText(L"WorkingDirectory"));
    } else if (element.name == L"ComHandler") {
        action.kind = TaskActionKind::ComHandler;
        action.classId = Trimmed(element.ChildText(L"ClassId"));
        action.data = element.ChildText(L"Data");
    } else if (element.name == L"SendEmail") {
        action.kind = TaskActionKind::SendEmail;
    } else if (element.name == L"ShowMessage") {
        action.kind = TaskActionKind::ShowMessage;
    }
    return action;
}

}  // namespace

namespace {

// TASK_LOGON_TYPE of the first principal: its LogonType, a group's, or an interactive user's.
int LogonTypeOf(const Element* principals) {
    const Element* principal = principals != nullptr ? principals->Child(L"Principal") : nullptr;
    if (principal == nullptr) {
        return 0;  // none
    }
    static const std::pair<const wchar_t*, int> kTypes[] = {
        {L"Password", 1},         {L"S4U", 2},
        {L"InteractiveToken", 3}, {L"Group", 4},
        {L"ServiceAccount", 5},   {L"InteractiveTokenOrPassword", 6},
    };
    const std::wstring named = Trimmed(principal->ChildText(L"LogonType"));
    for (const auto& [name, type] : kTypes) {
        if (named == name) {
            return type;
        }
    }
    if (principal->Child(L"GroupId") != nullptr) {
        return 4;
    }
    return principal->Child(L"UserId") != nullptr ? 3 : 0;
}

}  // namespace

std::optional<TaskDefinition> ParseTaskXml(const std::wstring& xml) {
    Reader reader(xml);
    const auto root = reader.Document();
    if (!root || root->name != L"Task") {
        return std::nullopt;
    }
    TaskDefinition definition;
    if (const Element* info = root->Child(L"RegistrationInfo")) {
        definition.author = Trimmed(info->ChildText(L"Author"));
        definition.description = Trimmed(info->ChildText(L"Description"));
    }
    if (const Element* settings = root->Child(L"Settings")) {
        definition.enabled = Flag(settings->Child(L"Enabled"));
        definition.hidden = Flag(settings->Child(L"Hidden"));
    }
    if (const Element* triggers = root->Child(L"Triggers")) {
        for (const Element& trigger : triggers->children) {
            definition.triggers.push_back(trigger.name);
        }
    }
    if (const Element* actions = root->Child(L"Actions")) {
        for (const Element& action : actions->children) {
            definition.actions.push_back(ActionOf(action));
        }
    }
    definition.logonType = LogonTypeOf(root->Child(L"Principals"));
    return definition;
}

bool ActionsAreComplete(const TaskDefinition& definition) {
    for (const TaskAction& action : definition.actions) {
        if ((action.kind == TaskActionKind::Exec && action.command.empty()) ||
            (action.kind == TaskActionKind::ComHandler && action.classId.empty())) {
            return false;
        }
    }
    return !definition.actions.empty();
}

std::wstring TriggersText(const std::vector<std::wstring>& triggers) {
    static const std::pair<const wchar_t*, const wchar_t*> kTexts[] = {
        {L"LogonTrigger", L"登录时"},
        {L"BootTrigger", L"启动时"},
        {L"TimeTrigger", L"定时"},
        {L"CalendarTrigger", L"按日程"},
        {L"EventTrigger", L"事件发生时"},
        {L"IdleTrigger", L"空闲时"},
        {L"RegistrationTrigger", L"注册时"},
        {L"SessionStateChangeTrigger", L"会话变化时"},
        {L"WnfStateChangeTrigger", L"系统状态变化时"},
    };
    std::wstring text;
    for (const std::wstring& trigger : triggers) {
        std::wstring shown = trigger;
        for (const auto& [name, caption] : kTexts) {
            if (trigger == name) {
                shown = caption;
            }
        }
        text += (text.empty() ? L"" : L"、") + shown;
    }
    return text;
}

std::wstring TaskCommandLine(const TaskAction& action) {
    std::wstring line = action.command;
    if (!action.arguments.empty()) {
        line += L" " + action.arguments;
    }
    if (!action.workingDirectory.empty()) {
        line += L"（起始于 " + action.workingDirectory + L"）";
    }
    return line;
}

std::wstring TaskProgramCommand(const TaskAction& action) {
    if (action.command.empty()) {
        return {};
    }
    std::wstring text = action.command[0] == L'"' ? action.command : L"\"" + action.command + L"\"";
    if (!action.arguments.empty()) {
        text += L" " + action.arguments;
    }
    return text;
}

namespace {

struct Span {
    std::size_t begin;
    std::size_t end;
};

// Where the task's own <Enabled> element is (from its "<" to after its "</Enabled>"); nothing when
// Settings holds none.
std::optional<Span> EnabledFlagOf(const std::wstring& xml) {
    const std::size_t settings = xml.find(L"<Settings>");
    const std::size_t settingsEnd = xml.find(L"</Settings>", settings);
    if (settings == std::wstring::npos || settingsEnd == std::wstring::npos) {
        return std::nullopt;
    }
    // The task's own flag, not one of a nested element's (an idle setting's, say).
    for (std::size_t k = settings + 10, depth = 0; k < settingsEnd; ++k) {
        if (xml[k] != L'<') {
            continue;
        }
        if (depth == 0 && xml.compare(k, 9, L"<Enabled>") == 0) {
            const std::size_t close = xml.find(L"</Enabled>", k);
            return close == std::wstring::npos ? std::nullopt : std::optional<Span>(Span{k, close + 10});
        }
        const std::size_t close = xml.find(L'>', k);
        if (close == std::wstring::npos || close > settingsEnd) {
            return std::nullopt;
        }
        if (xml[k + 1] == L'/') {
            --depth;
        } else if (xml[close - 1] != L'/' && xml[k + 1] != L'!' && xml[k + 1] != L'?') {
            ++depth;
        }
        k = close;
    }
    return std::nullopt;
}

}  // namespace

std::wstring WithoutEnabledFlag(const std::wstring& xml) {
    const auto flag = EnabledFlagOf(xml);
    return flag ? xml.substr(0, flag->begin) + xml.substr(flag->end) : xml;
}

std::optional<std::wstring> WithEnabledFlag(const std::wstring& xml, bool enabled) {
    const std::wstring element = std::wstring(L"<Enabled>") + (enabled ? L"true" : L"false") + L"</Enabled>";
    if (const auto flag = EnabledFlagOf(xml)) {
        return xml.substr(0, flag->begin) + element + xml.substr(flag->end);
    }
    const std::size_t settings = xml.find(L"<Settings>");
    if (settings == std::wstring::npos || xml.find(L"</Settings>", settings) == std::wstring::npos) {
        return std::nullopt;
    }
    return xml.substr(0, settings + 10) + element + xml.substr(settings + 10);
}

std::wstring TaskFileText(const std::string& bytes) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const bool bomLittle = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool looksUtf16 = bytes.size() >= 2 && byte(1) == 0 && byte(0) != 0;
    if (bomLittle || looksUtf16) {
        std::wstring text;
        for (std::size_t k = bomLittle ? 2 : 0; k + 1 < bytes.size(); k += 2) {
            text.push_back(static_cast<wchar_t>(byte(k) | (byte(k + 1) << 8)));
        }
        return text;
    }
    // UTF-8, with or without its mark; units that do not decode become U+FFFD.
    std::wstring text;
    std::size_t k = bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF ? 3 : 0;
    while (k < bytes.size()) {
        const unsigned char lead = byte(k);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        uint32_t code = length == 1   ? lead
                        : length == 2 ? (lead & 0x1Fu)
                        : length == 3 ? (lead & 0x0Fu)
                                      : (lead & 0x07u);
        bool valid = length > 0 && k + static_cast<std::size_t>(length) <= bytes.size();
        for (int n = 1; valid && n < length; ++n) {
            const unsigned char next = byte(k + static_cast<std::size_t>(n));
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            text.push_back(static_cast<wchar_t>(0xFFFD));
            ++k;
            continue;
        }
        if (code >= 0x10000 && sizeof(wchar_t) == 2) {
            code -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(code));
        }
        k += static_cast<std::size_t>(length);
    }
    return text;
}

}  // namespace tarn
