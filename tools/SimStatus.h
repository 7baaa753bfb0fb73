#pragma once
// The simulated drive's state values as they change on a running drive: the
// temperature drifts, the bus voltage carries a ripple, the operating time counts
// hours, and an alarm can come on after a while, so a live view has something to
// show. Values move around whatever the drive held when the life began.

#include <cstdint>
#include <map>

struct SimStatusLife {
  bool on = false;
  double alarmAfterSeconds = -1;  // >= 0: the alarm comes on this long after the start
  int32_t alarmCode = 7;
};

class CSimStatus {
 public:
  static constexpr int32_t kAlarmCode = 90;
  static constexpr int32_t kAlarmHistory = 91;  // 91-95, the latest first
  static constexpr int32_t kOperatingHours = 96;
  static constexpr int32_t kTemperature = 97;
  static constexpr int32_t kBusVoltage = 98;

  // Starts the life at `nowNs` (CLOCK_MONOTONIC) from the values `params` holds.
  void Start(const SimStatusLife& life, int64_t nowNs, const std::map<int32_t, int32_t>& params);
  bool On() const { return m_life.on; }
  // Brings the state values in `params` to what the drive shows at `nowNs`.
  void Apply(int64_t nowNs, std::map<int32_t, int32_t>& params);

 private:
  SimStatusLife m_life;
  int64_t m_startNs = 0;
  int32_t m_hours = 0, m_temperature = 0, m_voltage = 0;
  bool m_alarmRaised = false;
};
