#pragma once
// Find Drive: the search for drives on every listed port at every rate, its
// table filling as the ports answer. Cancel stops the search (and, once it has
// stopped, closes the dialog); Use, or a double click on a found drive, closes it
// with that drive's port and rate. The search runs on workers of its own and
// posts its news to this dialog's thread.

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/IniFile.h"
#include "flows/DriveSearch.h"

class QLabel;
class QPushButton;
class QTableWidget;

class CDlgFindDrive : public QDialog, private CDriveSearchForm {
  Q_OBJECT
 public:
  // `options` for tests: which ports and rates; the default searches every
  // listed port at the usual rates.
  explicit CDlgFindDrive(QWidget* parent = nullptr, const CDriveSearchLogic::Options& options = {});
  ~CDlgFindDrive() override;

  // The drive picked when the dialog was accepted: its COM number and rate (0
  // for a raw TCP line, at its server's rate).
  std::optional<std::pair<int32_t, int32_t>> Picked() const { return m_picked; }

  const CDriveSearchLogic& Logic() const { return m_logic; }
  QTableWidget* Table() const { return m_table; }
  QPushButton* UseButton() const { return m_use; }
  QPushButton* CancelButton() const { return m_cancel; }
  QLabel* StatusLabel() const { return m_status; }

 public slots:
  void OnUse();
  void OnCancel();

 private:
  void SetRowCount(int rows) override;
  void SetRow(int row, const std::vector<std::string>& cells) override;
  void SetStatus(const std::string& text) override;
  void SetSearching(bool searching) override;
  void UpdateUse();
  void reject() override;

  CIniFile m_config;
  QTableWidget* m_table = nullptr;
  QLabel* m_status = nullptr;
  QPushButton* m_use = nullptr;
  QPushButton* m_cancel = nullptr;
  std::optional<std::pair<int32_t, int32_t>> m_picked;
  CDriveSearchLogic m_logic;  // last: its workers end before the widgets go
};
