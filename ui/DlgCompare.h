#pragma once
// Compare with File: the drive's values beside a drive parameter file's, the
// entries that differ marked, and a button that loads only those. The table's
// texts come from the core (CompareTable); this dialog lays them out.

#include <QDialog>

#include <string>
#include <utility>
#include <vector>

#include "flows/CompareTable.h"

class QLabel;
class QPushButton;
class QTableWidget;

class CDlgCompare : public QDialog {
  Q_OBJECT
 public:
  // Accepted when the user asks for the differing entries to be loaded; a
  // comparison cut short by Cancel (`partial`) offers nothing to load.
  CDlgCompare(const std::string& fileName, const std::string& fileVersion, bool otherModel,
              const std::vector<DpfComparison>& rows, QWidget* parent = nullptr, bool partial = false);

  // Two files side by side, each column named by its file: nothing to load.
  CDlgCompare(const std::string& left, const std::string& right, const std::vector<DpfComparison>& rows,
              QWidget* parent = nullptr);

  QTableWidget* Table() const { return m_table; }
  QPushButton* LoadButton() const { return m_load; }

 private:
  // `files`: the two columns' names when two files are compared, else none.
  void Build(const std::string& line, bool otherModel, const std::vector<DpfComparison>& rows,
             const std::pair<std::string, std::string>* files, bool partial);

  QTableWidget* m_table = nullptr;
  QPushButton* m_load = nullptr;
};
