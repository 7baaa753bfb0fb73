#include "SimLink.h"

#include "serial/PortTable.h"

SimLink::SimLink(unsigned com) : SimLink(std::vector<unsigned>{com}) {}

SimLink::SimLink(const std::vector<unsigned>& coms) : m_coms(coms) {
  if (m_coms.empty()) m_coms.push_back(kDefaultCom);
  bool ok = !m_dir.Path().empty();
  for (size_t i = 0; i < m_coms.size(); ++i) {
    auto drive = std::make_unique<CSimDrive>();
    ok = drive->Start() && ok;
    m_drives.push_back(std::move(drive));
  }
  ok = WritePortsFile() && ok;
  portmap::SetPortsFilePath(PortsFile());
  m_ok = ok;
}

bool SimLink::WritePortsFile() {
  std::string text = "# simulated drives of this test\n";
  for (size_t i = 0; i < m_coms.size(); ++i) {
    text += "COM" + std::to_string(m_coms[i]) + "=" + m_drives[i]->DevicePath() + "\n";
  }
  return m_dir.Write("ports", text);
}

bool SimLink::Restart(size_t index) { return m_drives.at(index)->Start() && WritePortsFile(); }

SimLink::~SimLink() {
  for (auto& drive : m_drives) drive->Stop();
  portmap::SetPortsFilePath(std::string());
}
