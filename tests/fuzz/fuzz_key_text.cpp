// Key texts, joins and value-byte readers on arbitrary input.
#include "base/autorun_entry.h"
#include "base/key_text.h"
#include "base/list_value.h"
#include "base/registry_data.h"

#include "fuzz_input.h"

#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto texts = tarn::fuzz::SplitTexts(data, size, 2);
    const std::wstring& keyText = texts[0];

    const tarn::RootName root = tarn::RootNameFromKeyText(keyText);
    Check(root == tarn::RootName::None || keyText.find(L'\\') == (root == tarn::RootName::Users ? 3u : 4u));

    for (int kind : {tarn::KindValue, tarn::KindListItem}) {
        const std::wstring sub = tarn::SubPathFromKeyText(keyText, kind);
        Check(sub.size() < keyText.size() || sub.empty());
        Check(keyText.find(sub) != std::wstring::npos);
    }

    const auto joined = tarn::JoinKeyPath(texts[0], texts[1]);
    if (joined) {
        Check(joined->size() <= tarn::kMaxJoinedPathLength);
        Check(*joined == texts[0] + L"\\" + texts[1]);
    } else {
        Check(texts[0].size() + texts[1].size() + 1 > tarn::kMaxJoinedPathLength);
    }

    // Joining split items and splitting them again gives the same items.
    for (const auto syntax : {tarn::ListSyntax::Userinit, tarn::ListSyntax::Shell, tarn::ListSyntax::AppInit}) {
        const auto items = tarn::SplitListItems(keyText, syntax);
        const wchar_t separator = tarn::ListSeparator(syntax);
        bool plain = true;
        for (const auto& item : items) {
            plain = plain && item.find(separator) == std::wstring::npos;
            if (syntax == tarn::ListSyntax::AppInit) {
                plain = plain && !item.empty() && item.find(L' ') == std::wstring::npos;
            }
        }
        Check(plain);
        Check(tarn::SplitListItems(tarn::JoinListItems(items, syntax), syntax) == items ||
              (!items.empty() && items.back().empty()));
    }

    // A multi-string's list text is a prefix of its units holding no empty string; its items
    // joined again give the text back whenever it ends in a NUL.
    const std::wstring units = tarn::Utf16UnitsFromBytes(data, size);
    const std::wstring multi = tarn::ListTextOf(units, tarn::ListSyntax::MultiString);
    Check(units.compare(0, multi.size(), multi) == 0 && multi.find(std::wstring(2, L'\0')) == std::wstring::npos);
    const auto strings = tarn::SplitListItems(multi, tarn::ListSyntax::MultiString);
    Check(multi.empty() || multi.back() != L'\0' ||
          tarn::JoinListItems(strings, tarn::ListSyntax::MultiString) == multi);
    for (const auto& item : tarn::SplitListItems(keyText, tarn::ListSyntax::Comma)) {
        Check(!item.empty() && item.front() != L' ' && item.back() != L' ' && item.find(L',') == std::wstring::npos);
    }
    for (const wchar_t* list : {L"Security Packages", L"SecurityProviders"}) {
        const std::wstring command = tarn::ListItemCommand(list, texts[1]);
        Check(tarn::IsNoPackage(texts[1]) || (command.size() >= 2 && command.front() == L'"'));
    }
    const std::wstring program = tarn::ListItemCommand(L"BootExecute", texts[1]);
    Check(program == texts[1] || (program.size() >= 2 && program.front() == L'"'));

    const std::wstring wide = tarn::Utf16TextFromBytes(data, size);
    Check(wide.size() <= size / 2);
    Check(tarn::NarrowTextFromBytes(data, size).size() <= size);
    (void)tarn::DwordFromBytes(data, size);
    return 0;
}
