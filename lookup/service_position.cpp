#include "lookup/service_position.h"

#include <wchar.h>

#include "settings/message_list.h"

int ReportServiceAnswer(const WCHAR* tag, const CellRecord& cell, int code, const Position& position,
                        Position* out) {
  if (code != 0) return code;
  WCHAR line[128];
  swprintf(line, 128, L"%ls: %d %d %d %d %f %f %d", tag, cell.country, cell.network, cell.area, cell.cell_id,
           static_cast<double>(position.latitude), static_cast<double>(position.longitude), position.accuracy);
  DiagnosticLog().AppendText(line, kBlack);
  *out = position;
  return 0;
}
