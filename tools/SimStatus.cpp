#include "tools/SimStatus.h"

#include <cmath>
#include <numbers>

namespace {

int32_t Held(const std::map<int32_t, int32_t>& params, int32_t address) {
  const auto found = params.find(address);
  return found == params.end() ? 0 : found->second;
}

double Wave(double seconds, double period) { return std::sin(2 * std::numbers::pi * seconds / period); }

}  // namespace

void CSimStatus::Start(const SimStatusLife& life, int64_t nowNs, const std::map<int32_t, int32_t>& params) {
  m_life = life;
  m_startNs = nowNs;
  m_hours = Held(params, kOperatingHours);
  m_temperature = Held(params, kTemperature);
  m_voltage = Held(params, kBusVoltage);
  m_alarmRaised = false;
}

void CSimStatus::Apply(int64_t nowNs, std::map<int32_t, int32_t>& params) {
  if (!m_life.on) return;
  const double t = static_cast<double>(nowNs - m_startNs) / 1e9;
  params[kOperatingHours] = m_hours + static_cast<int32_t>(t / 3600);
  // Two slow waves, so the drift never looks like a clean sine.
  params[kTemperature] = m_temperature + static_cast<int32_t>(std::lround(4 * Wave(t, 90) + 2 * Wave(t, 23)));
  // A rectifier's ripple, slower than the poll so a strip chart shows it.
  params[kBusVoltage] = m_voltage + static_cast<int32_t>(std::lround(1.4 * Wave(t, 3.1)));
  if (m_life.alarmAfterSeconds >= 0 && !m_alarmRaised && t >= m_life.alarmAfterSeconds) {
    m_alarmRaised = true;
    for (int32_t i = kAlarmHistory + 4; i > kAlarmHistory; --i) params[i] = Held(params, i - 1);
    params[kAlarmHistory] = m_life.alarmCode;
    params[kAlarmCode] = m_life.alarmCode;
  }
}
