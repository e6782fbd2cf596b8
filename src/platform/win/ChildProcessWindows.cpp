// Child processes with CreateProcessW: the standard handles are inherited
// file handles (and only they: the handle list says which), the command
// line quoted as the C run time reads it back into argv
// (ChildProcessShared.cpp).
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace {

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class WindowsChild final : public ChildProcess {
 public:
  explicit WindowsChild(HANDLE process) : process_(process) {}
  ~WindowsChild() override { CloseHandle(process_); }

  bool Ended(End& end) override {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
    end = Result();
    return true;
  }

  End Wait() override {
    WaitForSingleObject(process_, INFINITE);
    return Result();
  }

 private:
  End Result() const {
    End end;
    DWORD code = 1;
    if (!GetExitCodeProcess(process_, &code)) {
      end.failure = "The run's exit status could not be read: " + win::ErrorText(GetLastError());
      return end;
    }
    // An exception that ended the process leaves its code (0xC0000005...).
    if (code >= 0xC0000000u) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
      end.failure = std::string("The run ended with exception ") + hex;
      return end;
    }
    end.status = int(code);
    return end;
  }

  HANDLE process_;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, const std::string& outFile,
                                                  const std::string& errFile, std::string& error) {
  if (argv.empty()) {
    error = "Nothing to start";
    return nullptr;
  }
  std::wstring line = win::Widen(WindowsCommandLine(argv));
  HANDLE handles[3] = {Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING),
                       Inheritable(win::Widen(outFile), GENERIC_WRITE, CREATE_ALWAYS),
                       Inheritable(win::Widen(errFile), GENERIC_WRITE, CREATE_ALWAYS)};
  auto closeAll = [&handles] {
    for (HANDLE h : handles)
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  };
  for (HANDLE h : handles)
    if (h == INVALID_HANDLE_VALUE) {
      error = "Cannot open the run's output files: " + win::ErrorText(GetLastError());
      closeAll();
      return nullptr;
    }
  // Only these three handles are inherited, not every inheritable one this
  // program holds (another run's files among them).
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> listBuffer(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBuffer.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &size) ||
      !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr,
                                 nullptr)) {
    error = "Cannot start " + argv[0] + ": " + win::ErrorText(GetLastError());
    closeAll();
    return nullptr;
  }
  STARTUPINFOEXW info{};
  info.StartupInfo.cb = sizeof info;
  info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  info.StartupInfo.hStdInput = handles[0];
  info.StartupInfo.hStdOutput = handles[1];
  info.StartupInfo.hStdError = handles[2];
  info.lpAttributeList = list;
  PROCESS_INFORMATION process{};
  const std::wstring program = win::Widen(argv[0]);
  const BOOL started =
      CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                     EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, nullptr, &info.StartupInfo, &process);
  const DWORD startError = GetLastError();
  DeleteProcThreadAttributeList(list);
  closeAll();
  if (!started) {
    error = "Cannot start " + argv[0] + ": " + win::ErrorText(startError);
    return nullptr;
  }
  CloseHandle(process.hThread);
  return std::make_unique<WindowsChild>(process.hProcess);
}

std::string NewTemporaryFile(const std::string& stem) {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH + 1, folder)) return {};
  if (!GetTempFileNameW(folder, win::Widen(stem.substr(0, 3)).c_str(), 0, name)) return {};
  return win::Narrow(name);
}

std::string OwnExecutable() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return win::Narrow(path.substr(0, n));
    path.resize(path.size() * 2);
  }
}

}  // namespace velmar::platform
