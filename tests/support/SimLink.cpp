#include "SimLink.h"

#include "serial/PortTable.h"

SimLink::SimLink(unsigned com) : SimLink(std::vector<unsigned>{com}) {}

SimLink::SimLink(const std::vector<unsigned>& coms) : m_coms(coms) {
  if (m_coms.empty()) m_coms.push_back(kDefaultCom);
  bool ok = !m_dir.Path().empty();
  std::string text = "# simulated drives of this test\n";
  for (unsigned com : m_coms) {
    auto drive = std::make_unique<CSimDrive>();
    ok = drive->Start() && ok;
    text += "COM" + std::to_string(com) + "=" + drive->DevicePath() + "\n";
    m_drives.push_back(std::move(drive));
  }
  ok = m_dir.Write("ports", text) && ok;
  portmap::SetPortsFilePath(PortsFile());
  m_ok = ok;
}

SimLink::~SimLink() {
  for (auto& drive : m_drives) drive->Stop();
  portmap::SetPortsFilePath(std::string());
}
