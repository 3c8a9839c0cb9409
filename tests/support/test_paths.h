#pragma once

#include <string>

namespace tarn::test {

// Folder of the running test program.
std::wstring TestProgramFolder();

// A fixture file made at build time, by its path relative to the "fixtures" folder.
std::wstring FixturePath(const std::wstring& relative);

}  // namespace tarn::test
