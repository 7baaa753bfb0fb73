#pragma once
// The whole-drive table's window, owned by the main frame: a search box, the
// "differs" toggle, the table and its commands (Read All, Edit, Save All
// Parameters, Load File, Compare with File). Everything it shows and does comes
// from CAllParamsLogic; this draws it and forwards the user's actions.

#include <QDialog>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "flows/AllParamsLogic.h"

class CAllParamsModel;
class CFrameLogic;
class CParamDescFile;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

// The small edit dialog: the row's list where it has one, else a number within its limits.
class CDlgEditValue : public QDialog {
  Q_OBJECT
 public:
  CDlgEditValue(const ValueRequest& request, QWidget* parent = nullptr);
  int32_t Value() const;
  QComboBox* Choices() const { return m_choices; }
  QSpinBox* Number() const { return m_number; }

 private:
  QComboBox* m_choices = nullptr;
  QSpinBox* m_number = nullptr;
};

class CWndAllParams : public QWidget, private CAllParamsForm {
  Q_OBJECT
 public:
  CWndAllParams(CFrameLogic& frame, CParamDescFile& model, QWidget* owner);
  ~CWndAllParams() override;

  // Builds the rows again when the description was loaded since, and enables the
  // commands that need a drive; the main frame calls it as it updates its own.
  void Sync();
  // While a flow runs elsewhere nothing here may start another.
  void SetBusy(bool busy);

  CAllParamsLogic& Logic() { return *m_logic; }
  QTableView* Table() const { return m_table; }
  QLineEdit* Search() const { return m_search; }
  QCheckBox* DifferingOnly() const { return m_differing; }
  QLabel* Status() const { return m_status; }
  // How the edit dialog runs: exec() unless a test puts its own here.
  using EditRunner = std::function<int(CDlgEditValue&)>;
  void SetEditRunner(EditRunner runner) { m_editRunner = std::move(runner); }

 public slots:
  void OnReadAll();
  void OnEdit();
  void OnSaveAll();
  void OnLoadFile();
  void OnCompareFile();
  // A file without a drive (the Parameters menu's file commands).
  void OnNewFile();
  void OnOpenFile();
  void OnSaveFile();
  void OnSaveFileAs();
  void OnCompareFiles();

 public:
  // How the two-file comparison and the model choice run: modal unless a test
  // puts its own here (the dialog shown, or the item chosen).
  std::function<void(QDialog&)> fileCompareRunner;
  std::function<std::optional<size_t>(const std::vector<std::string>&)> choiceRunner;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RowsChanged() override;
  void ValuesChanged() override;
  void SetStatusText(const std::string& text) override;
  std::optional<int32_t> AskValue(const ValueRequest& request) override;
  std::optional<size_t> AskChoice(const std::string& question, const std::vector<std::string>& items) override;
  void ShowFileComparison(const std::string& left, const std::string& right,
                          const std::vector<DpfComparison>& rows) override;
  void UpdateCommands();
  // Runs a file flow, which needs no drive, with the commands off meanwhile.
  void RunFileFlow(const std::function<void()>& flow);
  // Runs one of the logic's flows with the window's commands off meanwhile.
  void RunFlow(const std::function<void()>& flow);

  CFrameLogic& m_frame;
  std::unique_ptr<CAllParamsLogic> m_logic;
  CAllParamsModel* m_model = nullptr;
  QTableView* m_table = nullptr;
  QLineEdit* m_search = nullptr;
  QCheckBox* m_differing = nullptr;
  QLabel* m_status = nullptr;
  QPushButton* m_readAll = nullptr;
  QPushButton* m_edit = nullptr;
  QPushButton* m_saveAll = nullptr;
  QPushButton* m_load = nullptr;
  QPushButton* m_compare = nullptr;
  bool m_busy = false;
  bool m_running = false;
  EditRunner m_editRunner;
};
