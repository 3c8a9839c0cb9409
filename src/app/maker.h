#pragma once

// The maker's addresses and the updater's identity, fixed at build time.

namespace tarn {

constexpr wchar_t kSupportMail[] = L"support@tarnwell.example.org";
constexpr wchar_t kSampleMail[] = L"samples@tarnwell.example.org";
constexpr wchar_t kSiteAddress[] = L"https://tarnwell.example.org/";
constexpr wchar_t kUpdatePage[] = L"https://tarnwell.example.org/update";

// The updater, its product code for this program (nine characters) and the version it is told.
constexpr wchar_t kUpdaterFileName[] = L"tarnupdate.exe";
constexpr wchar_t kUpdaterProductCode[] = L"TARNWELL1";
constexpr wchar_t kUpdaterVersion[] = L"v2.2";

}  // namespace tarn
