// The cell source that asks a modem with AT commands (mode 3): a phone on a
// Bluetooth serial port, a built-in modem port or a numbered COM port.
//
// Open finds the port behind which a modem answers (the stored "ModemPort"
// first, then a fixed list) and keeps it open; each Refresh is one dialogue
// of registration, signal and, while they are unknown, operator queries.
// Every wait is a silence limit and ends at once when Interrupt is set.
// Single-threaded: the worker calls it under the holder's lock.
#ifndef KELVANE_CELL_AT_CELL_SOURCE_H
#define KELVANE_CELL_AT_CELL_SOURCE_H

#include <windows.h>

#include <string>

#include "cell/cell_source.h"

class AtCellSource : public CellSource {
 public:
  AtCellSource() = default;
  ~AtCellSource() override;
  AtCellSource(const AtCellSource&) = delete;
  AtCellSource& operator=(const AtCellSource&) = delete;

  int Open() override;
  int Refresh() override;
  int ModeNumber() override { return kModeAtCommands; }
  int CellCount() override { return 1; }
  CellRecord* GetCell(int index, CellRecord* destination) override;

  // A modem that never stops talking is cut off here, rather than let its
  // answer grow without end.
  static constexpr size_t kReplyLimit = 16 * 1024;

 private:
  // Opens and sets up the named port; false (port closed) on failure.
  bool OpenPort(const WCHAR* name);
  // The dialogue of Refresh without its busy/idle messages.
  int Dialogue();
  int SendCommand(const char* text, DWORD budget);
  // Reads until the answer holds a carriage return and `token` (when given)
  // and a read came back short; the answer is then in reply_.
  int ReadReply(const char* token, DWORD budget);
  // One read of up to `size` bytes under the line's time-outs, taken in short
  // slices so that Interrupt ends it within one; false when interrupted.
  bool ReadChunk(char* chunk, DWORD size, DWORD* got);
  void ClosePort();

  HANDLE port_ = INVALID_HANDLE_VALUE;
  std::string reply_;
  CellRecord cell_;
};

#endif
