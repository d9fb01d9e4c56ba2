#include "cell/processor_check.h"

#include <windows.h>
#include <pkfuncs.h>

#include <string>
#include <wctype.h>

#include "settings/message_list.h"

bool ProcessorMayHoldRadioTable() {
  PROCESSOR_INFO info = {};
  DWORD returned = 0;
  if (!KernelIoControl(IOCTL_PROCESSOR_INFORMATION, nullptr, 0, &info, sizeof info, &returned)) return true;
  DiagnosticLog().AppendText(info.szProcessorName, kBlack);
  DiagnosticLog().AppendText(info.szVendor, kBlack);
  DiagnosticLog().AppendText(info.szProcessCore, kBlack);
  std::wstring name = info.szProcessorName;
  for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
  return name.find(L"omap") != std::wstring::npos;
}
