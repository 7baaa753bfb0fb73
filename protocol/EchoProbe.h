#pragma once
// The quick look of a search for drives: is a drive echoing on this port at this
// baud rate? One "abc" (the link check's, which no drive takes for a command)
// with a short wait of its own, where a connect's link check waits a second and
// tries twice. A rate that draws bytes but no echo is left as soon as the bytes
// stop: a drive at another rate answers noise at once, it does not come round.

#include <cstdint>
#include <functional>

#include "protocol/VcmCommand.h"

class CProbeLink : public CVcmCommand {
 public:
  enum class Heard {
    Echo,     // the drive echoed the probe
    Noise,    // bytes came, but no echo
    Nothing,  // silence for the whole wait
    Lost,     // the port failed or went away
    Stopped,  // `stop` said so before anything was heard
  };
  struct Result {
    Heard heard = Heard::Nothing;
    uint32_t replyMs = 0;  // from the probe sent to its echo complete
  };

  // The link check's probe: the bytes every drive on the line hears, at every rate tried.
  static constexpr char kProbe[] = "abc\r\n";
  static constexpr int kProbeLength = 5;
  // How long noise must have stopped before a rate is given up.
  static constexpr uint32_t kNoiseQuietMs = 20;

  // Sends the probe on the open port and waits at most `waitMs` for its echo;
  // the drive's answer line to it is dropped. `stop`, when given, is asked
  // between reads and ends the wait at once.
  Result ProbeEcho(uint32_t waitMs, const std::function<bool()>& stop = {});
};
