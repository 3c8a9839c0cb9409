#include "fileinfo/image_path_rules.h"

#include "base/key_text.h"

#include <utility>

namespace tarn {

namespace {

using std::wstring;

constexpr auto npos = wstring::npos;

bool Contains(const wstring& text, const wchar_t* part) {
    return text.find(part) != npos;
}

bool Contains(const wstring& text, wchar_t c) {
    return text.find(c) != npos;
}

void ReplaceAll(wstring& text, const wstring& from, const wstring& to) {
    wstring result;
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != npos; hit = text.find(from, start)) {
        result.append(text, start, hit - start).append(to);
        start = hit + from.size();
    }
    result.append(text, start, npos);
    text.swap(result);
}

wstring Before(const wstring& text, std::size_t position) {
    return text.substr(0, position);
}

wstring After(const wstring& text, std::size_t position) {
    return text.substr(position + 1);
}

// A composed candidate that does not fit the path buffer is no candidate at all.
wstring Composed(wstring candidate) {
    return candidate.size() > kMaxComposedPathLength ? wstring() : candidate;
}

bool StartsWithDrive(const wstring& text) {
    if (text.size() < 2 || text[1] != L':') {
        return false;
    }
    const wchar_t c = text[0];
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

class Resolver {
public:
    explicit Resolver(const ImagePathEnvironment& environment) : env_(environment) {}

    std::optional<wstring> Resolve(wstring t) const {
        // Only ASCII letters are folded: the rules test ASCII literals, and other letters in a
        // path would gain nothing from folding.
        t = LowerAscii(std::move(t));
        ReadObjectPathForm(t);
        ApplyRewriteRules(t);
        return FindExisting(t);
    }

private:
    // An object-path form at the start of the text (or of its quoted part) becomes the path of the
    // file it names, so that no later rule mistakes it for a relative path.
    void ReadObjectPathForm(wstring& t) const {
        const std::size_t start = !t.empty() && t[0] == L'"' ? 1 : 0;
        auto startsWith = [&](const wstring& prefix) { return t.compare(start, prefix.size(), prefix) == 0; };
        // (Split so that no "??\\" reads as a trigraph.)
        // A "\\\\?\\" path is a full path the file calls take as it is (and may be too long without it).
        for (const wstring prefix : {L"\\?"
                                     L"?\\",
                                     L"\\dosdevices\\",
                                     L"\\global?"
                                     L"?\\"}) {
            if (startsWith(prefix) && StartsWithDrive(t.substr(start + prefix.size()))) {
                t.erase(start, prefix.size());
                return;
            }
        }
        if (startsWith(L"\\systemroot\\")) {
            t.replace(start, wstring(L"\\systemroot").size(), SystemRoot());
            return;
        }
        if (startsWith(L"system32\\")) {
            t.insert(start, SystemRoot() + L"\\");
            return;
        }
        const wstring device = L"\\device\\";
        if (startsWith(device) && env_.driveOfDevice) {
            const std::size_t end = t.find(L'\\', start + device.size());
            if (end == npos) {
                return;
            }
            if (const auto drive = env_.driveOfDevice(t.substr(start, end - start))) {
                t.replace(start, end - start, *drive);
            }
        }
    }

    // Read afresh each time a rule needs it.
    wstring SystemRoot() const { return env_.variable(L"systemroot"); }

    // A text with a character no file name may hold names no file: it is not asked about
    // ('?' stays possible, as in the "\\?\" prefix).
    bool Exists(const wstring& path) const {
        return !path.empty() && path.find_first_of(L"\"<>|*") == npos && env_.exists(path);
    }

    void ApplyRewriteRules(wstring& t) const {
        if (Contains(t, L"programfiles")) {
            ReplaceAll(t, L"%programfiles%", env_.variable(L"programfiles"));
        }
        if (Contains(t, L"%systemroot%")) {
            ReplaceAll(t, L"%systemroot%", SystemRoot());
        }
        if (Contains(t, L"windir")) {
            ReplaceAll(t, L"%windir%", env_.variable(L"windir"));
        }
        if (Contains(t, L"rundll32")) {
            const std::size_t space = t.find(L' ');
            if (space != npos) {
                t = After(t, space);
                const std::size_t comma = t.find(L',');
                if (comma != npos) {
                    t = Before(t, comma);
                }
            }
        }
        if (Contains(t, L"regsvr32")) {
            const std::size_t lastSpace = t.rfind(L' ');
            if (lastSpace == npos) {
                t.clear();
            } else {
                const wstring s = After(t, lastSpace);
                if (Contains(s, L':') || Contains(s, L'\\') || !Contains(s, L'.')) {
                    t = s;
                } else {
                    t = Composed(SystemRoot() + L"\\system32" + L"\\" + s);
                }
            }
        }
        if (Contains(t, L"dllhost")) {
            const std::size_t space = t.find(L' ');
            if (space != npos) {
                t = Before(t, space);
            }
        }
        if (!Contains(t, L'.')) {
            t = Composed(SystemRoot() + L"\\" + L"System32\\drivers\\" + t + L"." + L"sys");
        }
        // A text that already starts with a drive is a full path: prefixing the system root
        // again would make every driver registered with a full path unresolvable.
        if (Contains(t, L"system32") && Contains(t, L"drivers") && !StartsWithDrive(t) &&
            !(t.rfind(L"\\\\?\\", 0) == 0 && StartsWithDrive(t.substr(4)))) {
            if (Contains(t, L"\\systemroot")) {
                ReplaceAll(t, L"\\systemroot", SystemRoot());
            } else {
                t = Composed(SystemRoot() + L"\\" + t);
            }
        }
    }

    std::optional<wstring> FindExisting(wstring t) const {
        if (Exists(t)) {
            return t;
        }
        // Quoted path: the text between the first two quotes.
        const std::size_t quote = t.find(L'"');
        if (quote != npos) {
            const wstring s = After(t, quote);
            const std::size_t closing = s.find(L'"');
            t = closing != npos ? Before(s, closing) : wstring();
            if (Exists(t)) {
                return t;
            }
        }
        // Bare name: the Windows directory, then the system directory.
        if (!Contains(t, L'\\')) {
            const std::size_t space = t.find(L' ');
            if (space != npos) {
                t = Before(t, space);
            }
            if (!t.empty()) {
                const wstring root = SystemRoot();
                const wstring inRoot = Composed(root + L"\\" + t);
                if (Exists(inRoot)) {
                    return inRoot;
                }
                const wstring inSystem = Composed(root + L"\\System32\\" + t);
                if (Exists(inSystem)) {
                    return inSystem;
                }
            }
        }
        // Executable guess: cut the text after the first dot that follows the first backslash.
        const std::size_t slash = t.find(L'\\');
        wstring guess;
        if (slash != npos) {
            const wstring e = After(t, slash);
            const std::size_t dot = e.find(L'.');
            if (dot != npos) {
                guess = Composed(Before(t, slash) + L"\\" + Before(e, dot) + L"." + L"exe");
            }
        }
        if (Exists(guess)) {
            return guess;
        }
        return std::nullopt;
    }

    const ImagePathEnvironment& env_;
};

}  // namespace

bool HoldsEnvironmentReference(const std::wstring& text) {
    const std::size_t open = text.find(L'%');
    return open != npos && text.find(L'%', open + 2) != npos;
}

std::optional<std::wstring> ResolveImagePathText(std::wstring text, const ImagePathEnvironment& environment) {
    auto resolved = Resolver(environment).Resolve(text);
    if (resolved || !environment.expand || !HoldsEnvironmentReference(text)) {
        return resolved;
    }
    const auto expanded = environment.expand(text);
    if (!expanded || *expanded == text) {
        return std::nullopt;
    }
    return Resolver(environment).Resolve(*expanded);
}

}  // namespace tarn
