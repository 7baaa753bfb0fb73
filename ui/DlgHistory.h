#pragma once
// Drive > History...: the journal's records newest first, filtered by port and
// drive version, each opening to its entries; Undo and Restore Snapshot for the
// connected drive. What it shows and does is CHistoryLogic's.

#include <QDialog>

#include "flows/JournalHistory.h"

class QComboBox;
class QPushButton;
class QTreeWidget;

class CDlgHistory : public QDialog {
  Q_OBJECT
 public:
  CDlgHistory(CJournal& journal, CFrameLogic& frame, CParamDescFile& model, QWidget* parent = nullptr);

  CHistoryLogic& Logic() { return m_logic; }
  QTreeWidget* Records() const { return m_records; }
  QComboBox* PortFilter() const { return m_port; }
  QPushButton* UndoButton() const { return m_undo; }
  QPushButton* RestoreButton() const { return m_restore; }

 private:
  void Fill();
  void FillFilter(QComboBox* box, const std::vector<std::string>& values, bool version);
  void Filtered();
  void UpdateButtons();
  int SelectedRow() const;

  CHistoryLogic m_logic;
  QComboBox* m_port = nullptr;
  QComboBox* m_version = nullptr;
  QTreeWidget* m_records = nullptr;
  QPushButton* m_undo = nullptr;
  QPushButton* m_restore = nullptr;
};
