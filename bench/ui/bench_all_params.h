#pragma once
// The whole-drive table's figures for bench_ui: the table built from a
// 5,000-parameter description and a search keystroke over it, and Read All of
// 100 parameters at 115200 baud against the wire time, headless and in the window.

class CMainFrame;
class CSimDrive;

// Prints the figures; false when something failed on the way.
bool BenchAllParams(CMainFrame& frame, CSimDrive& drive, unsigned char com, int baud);
