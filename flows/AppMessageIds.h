#pragma once
// Numbers of the application messages between the main frame and the parameter
// view (above the application base 0x8000). Kept free of Qt so the logic that
// sends and handles them runs without widgets.

enum AppMessage : int {
  UM_CHECK_LINK = 0x8002,         // frame to view, posted: start the read-in chain
  UM_READ_VERSION = 0x8003,       // view to itself, posted
  UM_READ_PARAMS = 0x8004,        // view to itself, posted
  UM_DISCONNECT = 0x8005,         // frame or view to view, posted
  UM_SET_PARAM = 0x8006,          // view to itself, posted: wParam row, lParam value
  UM_SAVE_DRIVE_PARAMS = 0x8008,  // view to frame, sent; wParam: the write gate's key; result always 0
  UM_REPORT_ERROR = 0x800A,       // any window to frame, sent: wParam question id; result button
};
