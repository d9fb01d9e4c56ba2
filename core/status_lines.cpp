#include "core/status_lines.h"

#include "core/flags.h"
#include "core/position.h"
#include "core/process_state.h"
#include "output/gps_output.h"
#include "output/port_name.h"
#include "settings/message_list.h"
#include "settings/resource_text.h"

namespace {

constexpr int kLineLength = 256;

std::wstring Text(UINT id) {
  WCHAR text[kLineLength];
  LoadResourceText(id, text, kLineLength);
  return text;
}

// A resource text followed by a format is joined first, then formatted as one
// format string.
template <class... Args>
std::wstring Format(const std::wstring& format, Args... args) {
  WCHAR line[kLineLength];
  if (swprintf(line, kLineLength, format.c_str(), args...) < 0) line[kLineLength - 1] = L'\0';
  return line;
}

void AppendReason(MessageList& list, int code, UINT heading, bool wifi) {
  if (code == 0) return;
  list.Append(Text(heading), kRed);
  UINT reason = IDS_UNKNOWN_PROBLEM;
  if (code == -1) reason = IDS_NO_INTERNET;
  if (code == -3) reason = IDS_TEMPORARY_UNAVAILABLE;
  if (code == -4 && !wifi) reason = IDS_NOT_SUPPORTED;
  if (code == -2 && wifi) reason = IDS_NO_HOTSPOTS;
  list.Append(Text(reason), kRed);
}

}  // namespace

OnOffTexts LoadOnOffTexts() {
  OnOffTexts texts;
  LoadResourceText(IDS_ON, texts.on, 64);
  LoadResourceText(IDS_OFF, texts.off, 64);
  return texts;
}

void RebuildStatusList(const OnOffTexts& texts, int tower_code, int wifi_code) {
  MessageList& list = StatusList();
  list.Clear();
  if (TestFlag(PortOpen))
    list.Append(Format(Text(IDS_PORT) + L"%ls%d", PortPrefix, PortNumber), kStatusGrey);
  else
    list.Append(Text(IDS_PORT) + texts.off, kStatusGrey);
  list.Append(Text(IDS_DRIVER) + (TestFlag(DriverActive) ? texts.on : texts.off), kStatusGrey);

  if (TestFlag(PositionValid)) {
    const Position position = GetPosition();
    list.Append(Text(IDS_GPS) + texts.on, kBlack);
    list.Append(Format(Text(IDS_LATITUDE) + L"%f", static_cast<double>(position.latitude)), kBlack);
    list.Append(Format(Text(IDS_LONGITUDE) + L"%f", static_cast<double>(position.longitude)), kBlack);
    list.Append(Format(Text(IDS_ACCURACY), position.accuracy), kBlack);
    if (TestFlag(DriverActive)) TheGpsOutput().WriteDriverFile(GetPosition());
  } else {
    if (TestFlag(DriverActive)) TheGpsOutput().ClearDriverFile();
    list.Append(Text(IDS_GPS) + texts.off, kRed);
    AppendReason(list, tower_code, IDS_CELLULAR, false);
    AppendReason(list, wifi_code, IDS_WIFI, true);
  }
  // 1 kB is 1000 bytes; the product is taken in single precision.
  const float kilobytes = static_cast<float>(ReadTraffic()) * 0.001f;
  list.Append(Format(Text(IDS_TRAFFIC), static_cast<double>(kilobytes)), kStatusGrey);
}
