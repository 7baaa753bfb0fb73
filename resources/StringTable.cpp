#include "resources/Strings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "resources/StringIds.h"

namespace res {
namespace {

struct Entry {
  int id;
  const char* english;
  const char* korean;
};

// clang-format off
const Entry kTable[] = {
  {ids::AppTitle, "Quorvel Drive Setting Program", "Quorvel 드라이브 설정 프로그램"},
  {ids::FrameTitle, "Quorvel Drive Setting Program", "Quorvel 드라이브 설정 프로그램"},
  {ids::ToolbarStandard, "Standard", "표준"},
  {ids::ToolbarCustomize, "Customize...", "사용자 지정..."},
  {ids::MenuEdit, "Edit", "편집"},
  {ids::ProgressCaption, "Progress Dialog", "진행 상황"},
  {ids::StatusReady, "Ready", "준비"},
  {ids::IndicatorNum, "NUM", "NUM"},

  {ids::CmdConnect, "Connect to drive.\nConnect", "드라이브에 연결합니다.\n연결"},
  {ids::CmdDisconnect, "Disconnect port.\nDisconnect", "포트 연결을 끊습니다.\n연결 끊기"},
  {ids::CmdRefresh, "Reload drive's information again.\nReload", "드라이브 정보를 다시 읽습니다.\n다시 읽기"},
  {ids::CmdLoadFile, "Read parameter file and download into drive.\nLoad File", "파라미터 파일을 읽어 드라이브에 다운로드합니다.\n파일 불러오기"},
  {ids::CmdSaveFile, "Read parameters from drive and save to file.\nSave to File", "드라이브에서 파라미터를 읽어 파일로 저장합니다.\n파일로 저장"},
  {ids::CmdImportMotorDb, "Read Motor DB file and download into drive.\nImport Motor DB", "모터 DB 파일을 읽어 드라이브에 다운로드합니다.\n모터 DB 가져오기"},
  {ids::CmdExportMotorDb, "Read Motor DB from drive and save to file.\nExport Motor DB", "드라이브에서 모터 DB를 읽어 파일로 저장합니다.\n모터 DB 내보내기"},
  {ids::CmdExit, "Quit the application; prompts to save documents\nExit", "프로그램을 종료합니다.\n끝내기"},
  {ids::CmdAbout, "Display program information, version number and copyright\nAbout", "프로그램 정보, 버전 및 저작권을 표시합니다.\n정보"},
  {ids::CmdToggleStatusBar, "Show or hide the status bar\nToggle Status Bar", "상태 표시줄을 표시하거나 숨깁니다.\n상태 표시줄 전환"},

  {ids::OpenPortFailed, "Failed to open port : COM %1!d!", "포트를 열지 못했습니다 : COM %1!d!"},
  {ids::MotorDbOpenFailed, "Failed to open motor DB file.", "모터 DB 파일을 열지 못했습니다."},
  {ids::MotorDbNoVersion, "Failed to get version string in the file.", "파일에서 버전 문자열을 찾지 못했습니다."},
  {ids::VersionDiffers, "The version string in the file is different with the drive. Do you want to proceed anyway?",
                        "파일의 버전 문자열이 드라이브와 다릅니다. 그래도 계속하시겠습니까?"},
  {ids::MotorDbDownloaded, "Downloading motor DB file is done.", "모터 DB 파일 다운로드를 마쳤습니다."},
  {ids::TargetCreateFailed, "Failed to create target file.", "대상 파일을 만들지 못했습니다."},
  {ids::MotorDbSaved, "Saving motor DB to file is done.", "모터 DB를 파일로 저장했습니다."},
  {ids::DescFileFailed, "Failed to read parameter's description file.", "파라미터 설명 파일을 읽지 못했습니다."},
  {ids::DescFileCaption, "Parameter description file", "파라미터 설명 파일"},
  {ids::FactoryExportCaption, "Factory Export", "공장 내보내기"},
  {ids::DpfSaveComplete, "COMPLETE", "완료"},
  {ids::FactoryExportWarning, "WARNING !!\n   1. Do Reboot the drive after saving parameters.\n   2. It will save the parameters FROM 0 TO 99.",
                              "경고 !!\n   1. 파라미터를 저장한 뒤 드라이브를 다시 시작하십시오.\n   2. 파라미터 0번부터 99번까지 저장합니다."},
  {ids::WrongDpf, "Wrong drive parameter file.", "잘못된 드라이브 파라미터 파일입니다."},
  {ids::DpfLoadComplete, "COMPLETE", "완료"},
  {ids::DpfWriteFailed, "Failed to write the drive parameter file. The file was not changed.",
                        "드라이브 파라미터 파일을 쓰지 못했습니다. 파일은 바뀌지 않았습니다."},
  {ids::ParamNotCached, "Parameter %1!d! was not read from the drive, so it cannot be set.",
                        "파라미터 %1!d!은(는) 드라이브에서 읽지 않았으므로 설정할 수 없습니다."},
  {ids::SetParamFailed, "Failed to set parameter. parameter value doesn't change.", "파라미터를 설정하지 못했습니다. 파라미터 값이 바뀌지 않았습니다."},
  {ids::StopCurrentWarning, "If 'Stop Current' is bigger than 50%, motor can be hotter than expected.\nDo you want to change 'Stop Current'?",
                            "'정지 전류'가 50%보다 크면 모터가 예상보다 뜨거워질 수 있습니다.\n'정지 전류'를 변경하시겠습니까?"},
  {ids::PulseFilterWarning, "If 'Pulse Input Filter' is high, an alarm may occur at high speed.\nDo you want to change 'Pulse Input Filter'?",
                            "'펄스 입력 필터'가 높으면 고속에서 알람이 발생할 수 있습니다.\n'펄스 입력 필터'를 변경하시겠습니까?"},
  {ids::RetryReadParam, "A command to read parameter was failed. Do you want to try it again?", "파라미터 읽기 명령이 실패했습니다. 다시 시도하시겠습니까?"},
  {ids::RetrySaveDrive, "A command to save drive parameters was failed. Do you want to try it again?", "드라이브 파라미터 저장 명령이 실패했습니다. 다시 시도하시겠습니까?"},
  {ids::RetrySaveMotor, "A command to save motor parameters was failed. Do you want to try it again?", "모터 파라미터 저장 명령이 실패했습니다. 다시 시도하시겠습니까?"},
  {ids::DriveParamsChanged, "Some of drive parameter was changed.", "일부 드라이브 파라미터가 변경되었습니다."},
  {ids::MotorParamsChanged, "Some of motor parameter was changed.", "일부 모터 파라미터가 변경되었습니다."},
  {ids::CommandTooLong, "The command is too long to be sent to the drive.", "명령이 너무 길어 드라이브로 보낼 수 없습니다."},
  {ids::AddressMismatch, "The drive selected another parameter address than the one asked for.", "드라이브가 요청한 것과 다른 파라미터 주소를 선택했습니다."},
  {ids::ExportReadSkipped, "Some parameters could not be read and were left out of the file: %1", "일부 파라미터를 읽지 못해 파일에서 뺐습니다: %1"},
  {ids::MotorDbWriteFailed, "Failed to write the motor DB file. The file was not changed.", "모터 DB 파일을 쓰지 못했습니다. 파일은 바뀌지 않았습니다."},
  {ids::MotorDbBadByte, "Line %1!d! of the motor DB file holds a byte (0x%2) that cannot be sent as a command. Nothing was sent to the drive.",
                       "모터 DB 파일의 %1!d!번째 줄에 명령으로 보낼 수 없는 바이트(0x%2)가 있습니다. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::MotorDbCommandTooLong, "Line %1!d! of the motor DB file holds a command too long to be sent to the drive. Nothing was sent to the drive.",
                              "모터 DB 파일의 %1!d!번째 줄에 드라이브로 보내기에 너무 긴 명령이 있습니다. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::UserViewParamMissing, "The parameter description file does not describe parameter %1!d!, which the parameter view shows.",
                              "파라미터 설명 파일에 파라미터 보기에 표시되는 파라미터 %1!d!의 설명이 없습니다."},
  {ids::UserViewFieldMissing, "The parameter description file does not describe the sub-field at bit %2 of parameter %1, which the parameter view shows.",
                              "파라미터 설명 파일에 파라미터 보기에 표시되는 파라미터 %1의 비트 %2 하위 항목 설명이 없습니다."},
  // Values not read, partial downloads, values refused before sending
  {ids::RowNotRead, "(not read)", "(읽지 못함)"},
  {ids::DpfReadSkipped, "Some parameters could not be read from the drive and were left out of the file: %1",
                        "일부 파라미터를 드라이브에서 읽지 못해 파일에서 뺐습니다: %1"},
  {ids::DpfPartialLoad, "Loading stopped after entry %1 of %2. The drive now holds part of the file's values; they were not saved to flash.",
                        "%2개 항목 중 %1번째 항목 뒤에서 불러오기를 멈췄습니다. 드라이브에는 파일 값의 일부만 들어 있으며, 플래시에 저장되지 않았습니다."},
  {ids::MotorDbPartialImport, "Downloading stopped at line %1 of %2. The drive now holds part of the motor DB; it was not saved to flash.",
                              "%2줄 중 %1번째 줄에서 다운로드를 멈췄습니다. 드라이브에는 모터 DB의 일부만 들어 있으며, 플래시에 저장되지 않았습니다."},
  {ids::ParamNotDescribed, "Parameter %1 is not in the parameter description file of this drive.",
                           "이 드라이브의 파라미터 설명 파일에 파라미터 %1이(가) 없습니다."},
  {ids::ParamReadOnly, "Parameter %1 is read-only.", "파라미터 %1은(는) 읽기 전용입니다."},
  {ids::ParamValueRefused, "%1 is not a value of parameter %2. Allowed: %3. Nothing was sent to the drive.",
                           "%1은(는) 파라미터 %2의 값이 될 수 없습니다. 허용 값: %3. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::ParamRangeText, "%1 to %2", "%1 ~ %2"},
  {ids::DpfFileUnreadable, "Cannot read the file %1.", "파일 %1을(를) 읽을 수 없습니다."},
  {ids::SetParamCaption, "Set Parameter", "파라미터 설정"},
  {ids::VersionPrefix, "Version : ", "버전 : "},
  {ids::PortFailure, "Failed to access COMM port.", "통신 포트에 접근하지 못했습니다."},
  {ids::NoEcho, "Failed to receive a character. Please check drive's power cable.", "문자를 받지 못했습니다. 드라이브의 전원 케이블을 확인하십시오."},
  {ids::NoResponse, "No response.", "응답이 없습니다."},
  {ids::ResponseTimeout, "Communication timeout or there is no response.", "통신 시간이 초과되었거나 응답이 없습니다."},
  {ids::IncorrectEcho, "Incorrect echo.", "에코가 올바르지 않습니다."},
  {ids::UnknownResponse, "Unknown response.", "알 수 없는 응답입니다."},
  {ids::ResponseTooLong, "Receive buffer overflow error.", "수신 버퍼 넘침 오류입니다."},
  {ids::CommandFailed, "Command was failed.", "명령이 실패했습니다."},

  {ids::MenuDrive, "&Drive", "드라이브(&D)"},
  {ids::MenuParameters, "&Parameters", "파라미터(&P)"},
  {ids::MenuView, "&View", "보기(&V)"},
  {ids::MenuHelp, "&Help", "도움말(&H)"},
  {ids::MenuConnect, "Connect", "연결"},
  {ids::MenuDisconnect, "Disconnect", "연결 끊기"},
  {ids::MenuRefresh, "&Refresh", "새로 고침(&R)"},
  {ids::MenuExit, "E&xit", "끝내기(&X)"},
  {ids::MenuLoadFile, "Load File", "파일 불러오기"},
  {ids::MenuSaveFile, "Save to File", "파일로 저장"},
  {ids::MenuToolbars, "&Toolbars and Docking Windows", "도구 모음 및 도킹 창(&T)"},
  {ids::MenuStatusBar, "&Status Bar", "상태 표시줄(&S)"},
  {ids::MenuAbout, "&About Quorvel Drive Setting Program...", "Quorvel 드라이브 설정 프로그램 정보(&A)..."},
  {ids::MenuImportMotorDb, "Import Motor DB...", "모터 DB 가져오기..."},
  {ids::MenuExportMotorDb, "Export Motor DB...", "모터 DB 내보내기..."},

  {ids::ConnectCaption, "Connect", "연결"},
  {ids::ConnectBoard, "Board", "보드"},
  {ids::ConnectPortNo, "Port No.", "포트 번호"},
  {ids::ConnectOptions, "Options", "옵션"},
  {ids::ConnectBaudrate, "Baudrate", "통신 속도"},
  {ids::ConnectButton, "Connect", "연결"},

  {ids::ViewTargetInfo, "Target Information", "대상 정보"},
  {ids::ViewVersionDesign, "Version :", "버전 :"},
  {ids::ViewParameters, "Parameters", "파라미터"},
  {ids::ViewRowLabel0 + 0, "Active level of Alarm Reset Signal :", "알람 리셋 신호 활성 레벨 :"},
  {ids::ViewRowLabel0 + 1, "Active level of Alarm Signal :", "알람 신호 활성 레벨 :"},
  {ids::ViewRowLabel0 + 2, "Active level of In Position Signal :", "인포지션 신호 활성 레벨 :"},
  {ids::ViewRowLabel0 + 3, "Active level of Enable Signal :", "인에이블 신호 활성 레벨 :"},
  {ids::ViewRowLabel0 + 4, "Stop Current :", "정지 전류 :"},
  {ids::ViewRowLabel0 + 5, "Run Current :", "운전 전류 :"},
  {ids::ViewRowLabel0 + 6, "Boost Current :", "부스트 전류 :"},
  {ids::ViewRowLabel0 + 7, "In-Position Value :", "인포지션 값 :"},
  {ids::ViewRowLabel0 + 8, "In-Position Value Response Mode :", "인포지션 값 응답 모드 :"},
  {ids::ViewRowLabel0 + 9, "Position Correction Controller's Gain :", "위치 보정 제어기 게인 :"},
  {ids::ViewRowLabel0 + 10, "Position Correction Controller's Gain :", "위치 보정 제어기 게인 :"},
  {ids::ViewRowLabel0 + 11, "Position Correction Controller's Gain :", "위치 보정 제어기 게인 :"},

  {ids::ProgressCancel, "Cancel", "취소"},
  {ids::ProgressPercentDesign, "0 %", "0 %"},

  {ids::AboutCaption, "About Quorvel Drive Setting Program", "Quorvel 드라이브 설정 프로그램 정보"},
  {ids::AboutProductDesign, "Quorvel Drive Setting Program, Version 1.0", "Quorvel 드라이브 설정 프로그램, 버전 1.0"},
  {ids::AboutCopyrightDesign, "Copyright (C) Quorvel", "Copyright (C) Quorvel"},
  {ids::AboutModelsLabel, "Supported product models:", "지원 제품 모델:"},
  {ids::AboutOk, "OK", "확인"},
  {ids::AboutForEndUsers, "%1 for EndUsers", "%1 (최종 사용자용)"},
  {ids::AboutVersionLine, "Version %1.%2.%3.%4 (rev.%5)", "버전 %1.%2.%3.%4 (리비전 %5)"},

  {ids::FilterMotorDb, "Motor DB File(*.txt)", "모터 DB 파일(*.txt)"},
  {ids::FilterDpf, "Drive Parameter File(*.dpf)", "드라이브 파라미터 파일(*.dpf)"},
  {ids::FilterAll, "All Files(*.*)", "모든 파일(*.*)"},

  {ids::ButtonOk, "OK", "확인"},
  {ids::ButtonCancel, "Cancel", "취소"},
  {ids::ButtonYes, "&Yes", "예(&Y)"},
  {ids::ButtonNo, "&No", "아니요(&N)"},
  {ids::ButtonTryAgain, "&Try Again", "다시 시도(&T)"},
  {ids::ButtonContinue, "&Continue", "계속(&C)"},

  {ids::CustomizeCaption, "Customize", "사용자 지정"},
  {ids::CustomizeButtons, "Toolbar buttons:", "도구 모음 단추:"},
  {ids::CustomizeReset, "&Reset", "원래대로(&R)"},
  {ids::CustomizeClose, "Close", "닫기"},
};
// clang-format on

bool g_languageChosen = false;
Language g_language = Language::English;

const Entry* Find(int id) {
  for (const Entry& entry : kTable) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

bool StartsWithKorean(const char* value) { return value && std::strncmp(value, "ko", 2) == 0; }

}  // namespace

Language LanguageFromEnvironment() {
  // The first of these that is set decides, as the C library does for messages.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return StartsWithKorean(value) ? Language::Korean : Language::English;
  }
  return Language::English;
}

Language CurrentLanguage() {
  if (!g_languageChosen) {
    g_language = LanguageFromEnvironment();
    g_languageChosen = true;
  }
  return g_language;
}

void SetLanguage(Language language) {
  g_language = language;
  g_languageChosen = true;
}

const std::string& LoadString(int id, Language language) {
  // Texts are kept as std::string once so callers may hold references.
  static const std::vector<std::pair<int, std::pair<std::string, std::string>>> cache = [] {
    std::vector<std::pair<int, std::pair<std::string, std::string>>> all;
    for (const Entry& entry : kTable) all.push_back({entry.id, {entry.english, entry.korean}});
    return all;
  }();
  static const std::string empty;
  for (const auto& [entryId, texts] : cache) {
    if (entryId == id) return language == Language::Korean ? texts.second : texts.first;
  }
  return empty;
}

const std::string& LoadString(int id) { return LoadString(id, CurrentLanguage()); }

std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(pattern.size() + 16);
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const size_t index = static_cast<size_t>(pattern[i + 1] - '1');
      if (index < args.size()) out += args[index];
      i += 1;
      // "%1!d!": the type between exclamation marks is dropped; arguments are text.
      if (i + 1 < pattern.size() && pattern[i + 1] == '!') {
        const size_t close = pattern.find('!', i + 2);
        if (close != std::string::npos) i = close;
      }
      continue;
    }
    out += c;
  }
  return out;
}

std::string FormatString(int id, const std::vector<std::string>& args) {
  return FillPlaceholders(LoadString(id), args);
}

std::string CommandPrompt(int id) {
  const std::string& text = LoadString(id);
  return text.substr(0, text.find('\n'));
}

std::string CommandTooltip(int id) {
  const std::string& text = LoadString(id);
  const size_t lineFeed = text.find('\n');
  return lineFeed == std::string::npos ? std::string() : text.substr(lineFeed + 1);
}

std::vector<int> AllIds() {
  std::vector<int> all;
  for (const Entry& entry : kTable) all.push_back(entry.id);
  return all;
}

}  // namespace res

namespace res {
namespace {
bool IsValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    if (lead < 0x80) extra = 0;
    else if (lead >= 0xC2 && lead <= 0xDF) extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF) extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF4) extra = 3;
    else return false;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= text.size()) return false;
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}
}  // namespace

std::string DisplayText(const std::string& eightBit) {
  if (IsValidUtf8(eightBit)) return eightBit;
  std::string out;
  out.reserve(eightBit.size() * 2);
  for (const char c : eightBit) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}
}  // namespace res
