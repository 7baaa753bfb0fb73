#include "flows/FrameLogic.h"

#include <optional>
#include <system_error>

#include "files/FileReplace.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/NetAddress.h"
#include "serial/PortTable.h"

namespace {

// Either separates folders in what a user typed on Windows; shown, never opened.
constexpr char kFolderSeparators[] = "/\\";

struct ReportForm {
  int code;
  int textId;
  bool withTrace;
  MsgIcon icon;
};

// What the user is told for each result code of a failed exchange.
constexpr ReportForm kReports[] = {
    {rc::Refused, ids::CommandFailed, true, MsgIcon::Exclamation},
    {rc::NoResponseLine, ids::NoResponse, true, MsgIcon::Error},
    {rc::UnknownResponse, ids::UnknownResponse, true, MsgIcon::Error},
    {rc::ResponseTooLong, ids::ResponseTooLong, true, MsgIcon::Error},
    {rc::PortFailure, ids::PortFailure, false, MsgIcon::Error},
    {rc::ResponseTimeout, ids::ResponseTimeout, false, MsgIcon::Error},
    {rc::NoEcho, ids::NoEcho, false, MsgIcon::Error},
    {rc::EchoUnreadable, ids::EchoUnreadable, false, MsgIcon::Error},
    {rc::IncorrectEcho, ids::IncorrectEcho, false, MsgIcon::Error},
    {rc::CommandTooLong, ids::CommandTooLong, false, MsgIcon::Error},
    {rc::AddressMismatch, ids::AddressMismatch, true, MsgIcon::Error},
};

// A server in the middle carries the drive's bytes unchanged: an echo that comes
// back changed through one that speaks Telnet is the server's doing far more often
// than the drive's. The address, or none for any other line.
std::optional<std::string> Rfc2217Address(const CVcmCommand& link, int code) {
  if (code != rc::IncorrectEcho && code != rc::EchoUnreadable) return std::nullopt;
  const std::optional<netaddr::Address> address = netaddr::Parse(portmap::PathOf(link.GetPortNumber()).value_or(""));
  if (!address || address->kind != netaddr::Kind::Rfc2217) return std::nullopt;
  return address->Text();
}

}  // namespace

CFrameLogic::CFrameLogic(CVcmCommand& link, CPromptInterface& prompt) : m_link(link), m_prompt(prompt) {}

int CFrameLogic::ReportError(int questionId) {
  const int code = m_link.GetLastResult();
  for (const ReportForm& form : kReports) {
    if (form.code != code) continue;
    MessageSpec message;
    message.icon = form.icon;
    const bool ask = code == rc::Refused && questionId != 0;
    message.text = res::LoadString(ask ? questionId : form.textId);
    message.buttons = ask ? MsgButtons::CancelTryContinue : MsgButtons::Ok;
    if (form.withTrace) message.text += "\n\n" + res::DisplayText(m_link.GetTrace());
    if (const std::optional<std::string> server = Rfc2217Address(m_link, code)) {
      message.text = res::FormatString(ids::NetEchoNotRfc2217, {*server});
      std::string notes = m_link.IsOpen() ? m_link.LineNotes() : std::string();
      while (!notes.empty() && notes.back() == '\n') notes.pop_back();
      if (!notes.empty()) message.text += "\n\n" + res::LoadString(ids::NetNotesHeading) + "\n" + notes;
    }
    return m_prompt.ShowMessage(message);
  }
  return 0;
}

int CFrameLogic::ShowText(int textId, MsgIcon icon, MsgButtons buttons, int captionId) {
  return ShowMessage(res::LoadString(textId), icon, buttons, captionId);
}

void CFrameLogic::ShowWriteFailed(int textId, const std::string& path) {
  // Taken first: the look at the folder below makes system calls of its own.
  const int error = fileio::LastReplaceError();
  if (fileio::FolderTakesNoNewFiles(path)) {
    const size_t slash = path.find_last_of(kFolderSeparators);
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    ShowMessage(res::FormatString(ids::FolderTakesNoNewFiles, {folder}), MsgIcon::Error);
    return;
  }
  std::string text = res::LoadString(textId);
  if (fileio::IsDiskFull(error)) {
    text += "\n" + res::LoadString(ids::WriteNoSpace);
  } else if (error != 0) {
    text += "\n" + res::FormatString(ids::WriteFailedBecause, {std::system_category().message(error)});
  }
  ShowMessage(text, MsgIcon::Error);
}

int CFrameLogic::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons, int captionId) {
  MessageSpec message;
  message.text = text;
  if (captionId != 0) message.caption = res::LoadString(captionId);
  message.icon = icon;
  message.buttons = buttons;
  return m_prompt.ShowMessage(message);
}

int CFrameLogic::SaveWithRetry(ChangeCommandKey key, const char* mnemonic, int questionId) {
  if (!m_link.IsOpen()) return 0;
  for (;;) {
    const int result = m_link.Transact(key, mnemonic);
    if (result > 0) return result;
    if (result != rc::Refused) {
      ReportError(0);
      return 0;
    }
    const int answer = ReportError(questionId);
    if (answer == btn::TryAgain || answer == btn::Retry) continue;
    if (answer == btn::Cancel) return 0;
    return rc::Refused;
  }
}

int CFrameLogic::SaveDriveParams(ChangeCommandKey key) { return SaveWithRetry(key, "SDP", ids::RetrySaveDrive); }
int CFrameLogic::SaveMotorParams(ChangeCommandKey key) { return SaveWithRetry(key, "SMP", ids::RetrySaveMotor); }

int CFrameLogic::SaveDriveParamsFor(intptr_t keyAddress) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a window message carries the key's address as an integer
  const auto* key = reinterpret_cast<const ChangeCommandKey*>(keyAddress);
  return key ? SaveDriveParams(*key) : 0;
}

int CFrameLogic::Verify(const char* mnemonic, int changedTextId) {
  if (!m_link.IsOpen()) return 0;
  const int result = m_link.Transact(mnemonic);
  if (result > 0) return result;
  if (result == rc::Refused) {
    ShowText(changedTextId, MsgIcon::Error);
  } else {
    ReportError(0);
  }
  return 0;
}

int CFrameLogic::VerifyDriveParams() { return Verify("VDP", ids::DriveParamsChanged); }
int CFrameLogic::VerifyMotorParams() { return Verify("VMP", ids::MotorParamsChanged); }

void CFrameLogic::PostCheckLink() {
  if (m_postCheckLink) m_postCheckLink();
}

std::string ResultText(int code) {
  for (const ReportForm& form : kReports) {
    if (form.code == code) return res::LoadString(form.textId);
  }
  return {};
}

std::optional<std::string> IdleLineLost(CRs232CB& link) {
  // Asked first: both go with the line.
  const std::string port = std::to_string(link.GetPortNumber());
  const std::string server = link.ServerAddress();
  if (!link.LineHungUp()) return std::nullopt;
  if (server.empty()) return res::FormatString(ids::StatusDriveLost, {port});
  return res::FormatString(ids::StatusServerClosed, {port, server});
}
