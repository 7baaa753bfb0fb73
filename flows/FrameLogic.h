#pragma once
// What the main window does for every flow that talks to the drive: the one error
// report that turns the link's last result code into a message, and the flash save
// and verify commands with their retry questions. The window forwards its
// application messages here; tests call it directly.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "flows/FlowState.h"
#include "flows/Journal.h"
#include "flows/Prompt.h"
#include "protocol/VcmCommand.h"

class CFrameLogic {
 public:
  CFrameLogic(CVcmCommand& link, CPromptInterface& prompt);
  virtual ~CFrameLogic() = default;

  // The report for the link's last result code; with a question id, a refusal (-30)
  // asks that question with Cancel / Try Again / Continue. Returns the button
  // pressed, or 0 when the code has no message (success included).
  int ReportError(int questionId);

  // "SDP" / "SMP": > 0 on success; 0 when not connected, on failure or on Cancel;
  // rc::Refused when the user chose Continue after a refusal. Only the write gate
  // saves to flash, so they take its key.
  [[nodiscard]] int SaveDriveParams(ChangeCommandKey key);
  [[nodiscard]] int SaveMotorParams(ChangeCommandKey key);
  // UM_SAVE_DRIVE_PARAMS carries the address of the gate's key as its lParam: a
  // request without one saves nothing.
  int SaveDriveParamsFor(intptr_t keyAddress);
  // "VDP" / "VMP": > 0 on success, 0 otherwise.
  [[nodiscard]] int VerifyDriveParams();
  [[nodiscard]] int VerifyMotorParams();

  // Queues the read-in chain of the parameter view (UM_CHECK_LINK). The window
  // posts the event; headless runs record or run it themselves.
  virtual void PostCheckLink();
  void SetCheckLinkPoster(std::function<void()> poster) { m_postCheckLink = std::move(poster); }

  CVcmCommand& Link() { return m_link; }
  CPromptInterface& Prompt() { return m_prompt; }
  // Where the write gate records what it sends (none: nothing is recorded), and a
  // motor DB import's record while its closing saves run.
  void SetJournal(CJournal* journal) { m_journal = journal; }
  CJournal* Journal() const { return m_journal; }
  std::optional<journal::Record>& HeldRecord() { return m_heldRecord; }
  // Whether a flow of this window talks to the drive now.
  CFlowState& FlowState() { return m_flowState; }

  // Shows a text from the string table, or a text made from one; without a
  // caption id the box carries the application title.
  int ShowText(int textId, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok, int captionId = 0);
  int ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok, int captionId = 0);
  // Tells that the file at `path` was not written: that its folder takes no new
  // file when that is why, else the text `textId` with the system's reason from
  // the last file replacement of this thread, when it gave one.
  void ShowWriteFailed(int textId, const std::string& path);

 private:
  [[nodiscard]] int SaveWithRetry(ChangeCommandKey key, const char* mnemonic, int questionId);
  [[nodiscard]] int Verify(const char* mnemonic, int changedTextId);

  CVcmCommand& m_link;
  CPromptInterface& m_prompt;
  std::function<void()> m_postCheckLink;
  CFlowState m_flowState;
  CJournal* m_journal = nullptr;
  std::optional<journal::Record> m_heldRecord;
};

// What the error report says of a failed exchange's result code, without the box
// and the exchange; empty for a code it has no message for.
std::string ResultText(int code);

// Asks the link, without sending or taking a byte, whether its line went while the
// window was idle. When it did, the link has let it go and the text says so for the
// status bar: a network line names the server that closed it, since cable and
// power advice would point the wrong way there.
std::optional<std::string> IdleLineLost(CRs232CB& link);
