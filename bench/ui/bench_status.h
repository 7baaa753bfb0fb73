#pragma once
// Drive Status's figures for bench_ui: eight values at 10 a second at 115200 baud
// (the rate reached and the line's share), the window thread's CPU while the
// window reads, a rate asked beyond what 9600 baud carries (what is reached, and
// that no read waits queued), and how soon a pick is written while the window reads.

class CMainFrame;
class CSimDrive;

// Prints the figures; false when something failed on the way.
bool BenchStatus(CMainFrame& frame, CSimDrive& drive, unsigned char com, int baud);
