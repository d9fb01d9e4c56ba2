// IP Helper: the adapter records of the profile's adapters.
#include <iphlpapi.h>

#include "internal/network_adapters.h"

#include <cstring>

using namespace kelvane;

namespace {

void ClearAddress(IP_ADDR_STRING* address) {
  std::memset(address, 0, sizeof *address);
  std::strcpy(address->IpAddress.String, "0.0.0.0");
  std::strcpy(address->IpMask.String, "0.0.0.0");
}

void FillRecord(const NetworkAdapter& adapter, DWORD index, IP_ADAPTER_INFO* record) {
  std::memset(record, 0, sizeof *record);
  record->ComboIndex = index;
  // Names are at most 255 bytes (network_adapters.cpp); descriptions are cut.
  std::strncpy(record->AdapterName, adapter.name.c_str(), sizeof record->AdapterName - 1);
  std::strncpy(record->Description, adapter.description.c_str(), sizeof record->Description - 1);
  record->AddressLength = 6;
  record->Index = index;
  record->Type = adapter.ieee80211 ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
  for (IP_ADDR_STRING* address : {&record->IpAddressList, &record->GatewayList, &record->DhcpServer,
                                  &record->PrimaryWinsServer, &record->SecondaryWinsServer})
    ClearAddress(address);
}

}  // namespace

// ---- GetAdaptersInfo ----
// The platform answers the size protocol before it looks at the buffer: a
// null buffer with a large enough size is still an overflow.
DWORD WINAPI GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen) {
  if (!pOutBufLen) return ERROR_INVALID_PARAMETER;
  const std::vector<NetworkAdapter> adapters = NetworkAdapters();
  if (adapters.empty()) return ERROR_NO_DATA;
  const ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
  if (!pAdapterInfo || *pOutBufLen < needed) {
    *pOutBufLen = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  for (size_t i = 0; i < adapters.size(); ++i) {
    FillRecord(adapters[i], static_cast<DWORD>(i + 1), &pAdapterInfo[i]);
    pAdapterInfo[i].Next = i + 1 < adapters.size() ? &pAdapterInfo[i + 1] : nullptr;
  }
  return ERROR_SUCCESS;
}
