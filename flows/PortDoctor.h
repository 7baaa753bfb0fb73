#pragma once
// The port doctor: the words for what the port probe found, so every front end
// says the same thing about a port that cannot be opened and what to do about it.
// Texts come from the string table in the current language. Names read from the
// system (USB descriptor strings, process names) are shown with control
// characters replaced, so a device or a process cannot write escape sequences to
// the user's terminal.

#include <string>

#include "serial/PortProbe.h"

namespace portdoctor {

// One short line: "available", "no permission", "busy (held by 1234 minicom)",
// "gone", "cannot be opened: <system error text>".
std::string StatusText(const portprobe::PortFacts& facts);

// What the user can do about it; empty when the port can be opened. A command to
// type, or a path, stands on a line of its own after a line ending in a colon, so
// a front end can keep it whole for copying.
std::string AdviceText(const portprobe::PortFacts& facts);

// Which port this is, for a user with several adapters:
// "COM33 /dev/ttyUSB0 (usb-FTDI_..., FT232R USB UART, serial A1B2)", with the
// persistent name and the USB product and serial where they are known.
std::string PortDescription(const portprobe::PortFacts& facts);

// One line of a port list: the number first, since that is what is picked and
// stored, then the device, the adapter's name and the status:
// "33  /dev/ttyUSB0 (FTDI FT232R USB UART) — available". `portsFile` marks a
// port the ports file maps, named so when no adapter name is known.
std::string ListLabel(const portprobe::PortFacts& facts, bool portsFile);

}  // namespace portdoctor
