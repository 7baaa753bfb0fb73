#pragma once
// The behaviour of the user parameter view without widgets: the read-in chain
// after a connect (link check, version, description file, parameters), the write
// of a value picked in a row with its safety questions, and the disconnect. The
// widget forwards its events here and draws what this tells the form.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/AppMessageIds.h"
#include "flows/Journal.h"
#include "flows/LongWork.h"
#include "flows/Prompt.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"

// The twelve rows and the version line, as the logic sees them.
class CUserParamsForm {
 public:
  static constexpr int kRows = 12;
  virtual ~CUserParamsForm() = default;
  virtual void SetVersionLine(const std::string& text) = 0;
  virtual void SetRowLabel(int row, const std::string& text) = 0;
  // Replaces the list's rows (text shown, value carried); no row is selected.
  virtual void SetRowChoices(int row, const std::vector<std::pair<int32_t, std::string>>& choices) = 0;
  // Selects the first list row carrying the value; none clears the selection.
  virtual void SelectRowValue(int row, std::optional<int32_t> value) = 0;
  // The text an empty list shows (no selection); empty for none.
  virtual void SetRowPlaceholder(int row, const std::string& text) = 0;
  virtual void ShowRow(int row, bool visible) = 0;
  virtual void EnableRow(int row, bool enabled) = 0;
};

// The windows around the view: its own queue and the main frame.
class CUserParamsEvents {
 public:
  virtual ~CUserParamsEvents() = default;
  // Queues a message to the view; it runs from the event loop later.
  virtual void PostToView(AppMessage message, intptr_t wParam = 0, intptr_t lParam = 0) = 0;
  // Sends a message to the main frame and returns its answer.
  virtual intptr_t SendToFrame(AppMessage message, intptr_t wParam = 0) = 0;
};

class CUserParamsLogic {
 public:
  CUserParamsLogic(CVcmCommand& link, CParamDescFile& model, CUserParamsForm& form, CUserParamsEvents& events,
                   CPromptInterface& prompt);

  // Runs one of the view's messages. Returns false for messages it does not handle.
  // While a flow runs, a message waits for it to end (OnFlowsIdle), except the
  // read-in's own next step.
  [[nodiscard]] bool Handle(int message, intptr_t wParam, intptr_t lParam);
  // The window's flow-running state: the read-in holds it from the link check to
  // the last row, and messages wait on it. None: nothing waits.
  void SetFlowState(CFlowState* flows) { m_flows = flows; }
  // Where a pick's write is recorded; none: it is not.
  void SetJournal(CJournal* journal) { m_journal = journal; }
  // The last flow has ended: the messages that waited are queued again, in order.
  void OnFlowsIdle();
  // The user chose a row's value: Enter on the list, or a choice in the open list.
  // Written once; a choice of the value the drive holds writes nothing.
  void OnRowActivated(int row, int32_t value);
  // The selection of a closed list moved (arrow keys, the wheel, a typed letter):
  // shown only, nothing is written until the user chooses it.
  void OnRowMoved(int row);
  // The list lost the focus, or its choice was cancelled: a selection moved but
  // not chosen goes back to what the drive holds.
  void OnRowLeft(int row);

  void OnCheckLink();
  void OnReadVersion();
  void OnReadParams();
  void OnDisconnect();
  void OnSetParam(int row, int32_t value);

  [[nodiscard]] bool ReadUserParams();
  void FillUserParams();
  void SelectCurrentValues();

 private:
  // The label of an entry, or none when its parameter or sub-field is missing.
  int RowCount() const;
  // The value the drive holds for a filled row, as last read; none when unknown.
  std::optional<int32_t> DriveValue(int row) const;
  // Shows in one row what the drive holds: its list row selected, or why none is.
  void ShowDriveValue(int row);
  int Show(const std::string& text, int captionId, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok);

  CVcmCommand& m_link;
  CParamDescFile& m_model;
  CUserParamsForm& m_form;
  CUserParamsEvents& m_events;
  CPromptInterface& m_prompt;
  int m_filledRows = 0;  // rows the last fill gave an entry of the model
  int m_movedRow = -1;   // the row whose selection moved without being chosen

  // The read-in after a connect, from the link check to the rows filled: one long
  // flow over three posted steps. Cancel in its progress window disconnects.
  bool ReadInStopped(size_t done);
  void EndReadIn();
  CFlowState* m_flows = nullptr;
  CJournal* m_journal = nullptr;
  std::unique_ptr<CLongWork> m_readIn;
  bool m_inStep = false;  // a message is being handled: any other that comes meanwhile waits
  struct Waiting {
    int message;
    intptr_t wParam, lParam;
  };
  std::vector<Waiting> m_waiting;

  // What the form shows in a row, so a fill (each connect) leaves alone what it
  // would not change: a list rebuilt is a redraw, and under some window systems a
  // costly one.
  struct ShownRow {
    bool set = false;
    std::string label;
    std::vector<std::pair<int32_t, std::string>> choices;
    bool visible = false;
  };
  std::array<ShownRow, CUserParamsForm::kRows> m_shown;
};
