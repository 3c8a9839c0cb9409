#include "support/process_runner.h"

#include "win/unique_handle.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <vector>

namespace tarn::test {

namespace {

unique_file CreateCaptureFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return unique_file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProgramRun RunProgram(const std::wstring& commandLine, const std::wstring& scratchFolder, unsigned long timeoutMs) {
    static std::atomic<unsigned> counter{0};
    const std::wstring stem = scratchFolder + L"\\run" + std::to_wstring(++counter);
    const std::wstring outPath = stem + L".out";
    const std::wstring errPath = stem + L".err";
    ProgramRun run;
    {
        unique_file out = CreateCaptureFile(outPath);
        unique_file err = CreateCaptureFile(errPath);
        if (!out || !err) {
            return run;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION process{};
        std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
        mutableLine.push_back(L'\0');
        if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                              nullptr, &startup, &process)) {
            return run;
        }
        const unique_handle processHandle(process.hProcess);
        const unique_handle threadHandle(process.hThread);
        run.started = true;
        if (::WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(processHandle.get(), 1);
            run.exitCode = 0xFFFFFFFF;
        } else {
            DWORD code = 0;
            ::GetExitCodeProcess(processHandle.get(), &code);
            run.exitCode = code;
        }
    }
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

std::wstring WideFromUtf8(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], count);
    return wide;
}

}  // namespace tarn::test
