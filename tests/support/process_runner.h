#pragma once

#include <string>

namespace tarn::test {

struct ProgramRun {
    bool started = false;
    unsigned long exitCode = 0;
    std::string out;  // bytes written to standard output
    std::string err;  // bytes written to standard error
};

// Runs a program to its end with its standard output and error captured through files in
// `scratchFolder`; gives up after `timeoutMs`.
ProgramRun RunProgram(const std::wstring& commandLine, const std::wstring& scratchFolder,
                      unsigned long timeoutMs = 120000);

// UTF-16 of UTF-8 bytes.
std::wstring WideFromUtf8(const std::string& bytes);

}  // namespace tarn::test
