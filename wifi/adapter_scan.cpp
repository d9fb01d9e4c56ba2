#include "wifi/adapter_scan.h"

#include <iphlpapi.h>
#include <nuiouser.h>
#include <stddef.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "wifi/bssid_list.h"
#include "wifi/utf_text.h"

namespace {

// The reply buffer, also the query: the OID and the adapter's name lead it.
constexpr DWORD kReplySize = 8192;
constexpr DWORD kDataAt = offsetof(NDISUIO_QUERY_OID, Data);

// The adapter's BSSID list (the reply's data), or false when the query fails.
bool QueryBssidList(HANDLE device, const std::wstring& adapter, std::vector<BYTE>* data) {
  alignas(NDISUIO_QUERY_OID) BYTE reply[kReplySize];
  NDISUIO_QUERY_OID query;
  memset(&query, 0, sizeof query);
  query.Oid = OID_802_11_BSSID_LIST;
  query.ptcDeviceName = adapter.c_str();
  memcpy(reply, &query, sizeof query);
  DWORD returned = 0;
  if (!DeviceIoControl(device, IOCTL_NDISUIO_QUERY_OID_VALUE, reply, sizeof query, reply, kReplySize, &returned,
                       nullptr))
    return false;
  // A driver that claims more than the buffer holds is not believed.
  if (returned <= kDataAt || returned > kReplySize) return false;
  data->assign(reply + kDataAt, reply + returned);
  return true;
}

}  // namespace

bool CollectAccessPoints(HANDLE device, AccessPointList* list) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return false;
  std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
  IP_ADAPTER_INFO* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  if (GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return false;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next) {
    // The name's terminator is not trusted: it is read within its field.
    const std::string name(adapter->AdapterName, strnlen(adapter->AdapterName, sizeof adapter->AdapterName));
    std::wstring wide_name;
    if (!Utf8ToUtf16(name, &wide_name)) continue;
    std::vector<BYTE> data;
    if (QueryBssidList(device, wide_name, &data) && !data.empty())
      ParseBssidList(data.data(), static_cast<DWORD>(data.size()), list);
  }
  return true;
}
