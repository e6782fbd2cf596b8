// The Windows version as the kernel reports it. GetVersionEx answers with
// the version the program's manifest declares, not the real one, so the
// numbers come from ntdll's RtlGetVersion, which always tells the truth.
#include <windows.h>

#include "platform/SystemVersion.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

SystemVersion CurrentSystemVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  SystemVersion v;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return v;
  v.family = info.dwPlatformId == VER_PLATFORM_WIN32_NT        ? SystemVersion::NT
             : info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? SystemVersion::Win9x
                                                               : SystemVersion::Other;
  v.major = int(info.dwMajorVersion);
  v.minor = int(info.dwMinorVersion);
  v.serviceText = win::Narrow(info.szCSDVersion);
  return v;
}

}  // namespace velmar::platform
