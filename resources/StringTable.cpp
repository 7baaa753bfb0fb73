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
  {ids::IndicatorNum, "NUM", "숫자"},

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
  {ids::MotorDbNotCommand, "Line %1!d! of the motor DB file is not a drive command (three letters, then at most a whole number): \"%2\". Nothing was sent to the drive.",
                           "모터 DB 파일의 %1!d!번째 줄은 드라이브 명령(영문자 세 개와 정수 하나까지)이 아닙니다: \"%2\". 드라이브에 아무것도 보내지 않았습니다."},
  {ids::MotorDbTooBig, "The file is larger than %1 KiB, too large for a motor DB file. Nothing was sent to the drive.",
                       "파일이 %1 KiB보다 커서 모터 DB 파일일 수 없습니다. 드라이브에 아무것도 보내지 않았습니다."},
  {ids::MotorDbNotSaved, "Every command of the motor DB file was accepted, but the parameters were not saved to flash: the drive loses them when it is switched off.",
                         "모터 DB 파일의 모든 명령이 받아들여졌지만 파라미터가 플래시에 저장되지 않았습니다. 드라이브 전원을 끄면 없어집니다."},
  {ids::FolderTakesNoNewFiles, "The folder %1 takes no new files, so the file in it cannot be replaced safely. It was left as it was; choose another folder.",
                               "%1 폴더에 새 파일을 만들 수 없어 그 안의 파일을 안전하게 바꿀 수 없습니다. 파일은 그대로 두었습니다. 다른 폴더를 고르십시오."},
  {ids::MotorDbBadByte, "Line %1!d! of the motor DB file holds a byte (0x%2) that cannot be sent as a command. Nothing was sent to the drive.",
                       "모터 DB 파일의 %1!d!번째 줄에 명령으로 보낼 수 없는 바이트(0x%2)가 있습니다. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::MotorDbCommandTooLong, "Line %1!d! of the motor DB file holds a command too long to be sent to the drive. Nothing was sent to the drive.",
                              "모터 DB 파일의 %1!d!번째 줄에 드라이브로 보내기에 너무 긴 명령이 있습니다. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::UserViewParamMissing, "The parameter description file does not describe parameter %1!d!, which the parameter view shows.",
                              "파라미터 설명 파일에 파라미터 보기에 표시되는 파라미터 %1!d!의 설명이 없습니다."},
  {ids::UserViewFieldMissing, "The parameter description file does not describe the sub-field at bit %2 of parameter %1, which the parameter view shows.",
                              "파라미터 설명 파일에 파라미터 보기에 표시되는 파라미터 %1의 비트 %2 하위 항목 설명이 없습니다."},
  // The port doctor
  {ids::DoctorAvailable, "available", "사용 가능"},
  {ids::DoctorNoPermission, "no permission", "권한 없음"},
  {ids::DoctorBusy, "busy", "사용 중"},
  {ids::DoctorBusyHeldBy, "busy (held by %1)", "사용 중 (점유: %1)"},
  {ids::DoctorThisProgram, "this program", "이 프로그램"},
  {ids::DoctorGone, "gone", "장치 없음"},
  {ids::DoctorNotSerial, "not a serial port", "직렬 포트가 아님"},
  {ids::DoctorCannotOpen, "cannot be opened", "열 수 없음"},
  {ids::DoctorCannotOpenBecause, "cannot be opened: %1", "열 수 없음: %1"},
  {ids::DoctorNoDevice, "(no device)", "(장치 없음)"},
  {ids::DoctorUsbSerial, "serial %1", "일련번호 %1"},
  {ids::DoctorBrailleService, "Braille display service", "점자 디스플레이 서비스"},
  {ids::DoctorGoneTakenBy, "gone (perhaps taken by %1)", "장치 없음 (%1에서 가져갔을 수 있음)"},
  {ids::DoctorPortsFile, "ports file", "포트 파일"},
  {ids::DoctorAdviceJoinGroup, "Only members of the group %1 may open this port. Join it with the command below, then log out and in again:\nsudo usermod -aG %1 %2",
                               "이 포트는 %1 그룹 구성원만 열 수 있습니다. 아래 명령으로 그룹에 가입한 뒤 로그아웃했다가 다시 로그인하십시오:\nsudo usermod -aG %1 %2"},
  {ids::DoctorAdviceGroupPending, "You are in the group %1 already, but this session started before you joined it. Log out and in again.",
                                  "이미 %1 그룹에 속해 있지만 이 세션은 가입 전에 시작되었습니다. 로그아웃했다가 다시 로그인하십시오."},
  {ids::DoctorAdviceGroupActive, "You are in the group %1 and still refused, so joining cannot help. Check the device's mode:\nls -l %2",
                                 "%1 그룹에 속해 있는데도 거부되었으므로 그룹 가입으로는 해결되지 않습니다. 장치의 권한 설정을 확인하십시오:\nls -l %2"},
  {ids::DoctorAdviceAskAdmin, "Joining the device's group would not help. Ask the administrator to let %1 use %2 (for example with a udev rule).",
                              "장치의 그룹에 가입해도 해결되지 않습니다. 관리자에게 %1 사용자가 %2 장치를 쓸 수 있게 해 달라고 요청하십시오(예: udev 규칙)."},
  {ids::DoctorAdviceCloseHolder, "Held by process %1. Close that program, then try again.",
                                 "프로세스 %1에서 사용 중입니다. 그 프로그램을 닫은 뒤 다시 시도하십시오."},
  {ids::DoctorAdviceCloseHolders, "Held by the processes %1. Close those programs, then try again.",
                                  "프로세스 %1에서 사용 중입니다. 그 프로그램들을 닫은 뒤 다시 시도하십시오."},
  {ids::DoctorAdviceHeldHere, "This program has the port open already (its own connection or a built-in simulated drive). Disconnect it first.",
                              "이 프로그램이 이미 포트를 열고 있습니다(자체 연결 또는 내장 시뮬레이션 드라이브). 먼저 연결을 끊으십시오."},
  {ids::DoctorAdviceBusyUnseen, "Another program has the port open, perhaps one of another user. Close it, then try again.",
                                "다른 프로그램(다른 사용자의 프로그램일 수도 있음)이 포트를 열고 있습니다. 그 프로그램을 닫은 뒤 다시 시도하십시오."},
  {ids::DoctorAdviceGone, "Plug the adapter in again, or check the ports file:\n%1",
                          "어댑터를 다시 연결하거나 포트 파일을 확인하십시오:\n%1"},
  {ids::DoctorAdviceUnmapped, "No device is assigned to COM%1. Add a line COM%1=<device> to the ports file:\n%2",
                              "COM%1에 지정된 장치가 없습니다. 포트 파일에 COM%1=<장치> 줄을 추가하십시오:\n%2"},
  {ids::DoctorAdviceNotSerial, "COM%1 names %2, which is not a serial port. Name the adapter's device on the line COM%1= of the ports file:\n%3",
                               "COM%1에 지정된 %2은(는) 직렬 포트가 아닙니다. 포트 파일의 COM%1= 줄에 어댑터의 장치를 지정하십시오:\n%3"},
  {ids::DoctorAdvicePortsFileUnusable, "The ports file is not read: %1. Make it a plain text file of lines COM<n>=<device>:\n%2",
                                       "포트 파일을 읽지 않았습니다: %1. COM<n>=<장치> 줄로 된 일반 텍스트 파일로 만드십시오:\n%2"},
  {ids::DoctorPortsFileFolder, "it is a folder", "폴더입니다"},
  {ids::DoctorPortsFileNotFile, "it is a device, a pipe or a socket, not a file", "파일이 아니라 장치, 파이프 또는 소켓입니다"},
  {ids::DoctorPortsFileTooBig, "it is larger than 1 MiB", "1 MiB보다 큽니다"},
  {ids::DoctorAdviceFailed, "Unplug the adapter and plug it in again. If that does not help, the kernel log (journalctl -k) may say more.",
                            "어댑터를 뽑았다가 다시 꽂으십시오. 그래도 안 되면 커널 로그(journalctl -k)에서 자세한 내용을 확인할 수 있습니다."},
  {ids::DoctorAdviceBraille, "The Braille display service (brltty) takes USB serial adapters for itself. If no Braille display is used on this PC, stop it for good with the command below, then plug the adapter in again:\nsudo systemctl mask --now brltty-udev.service brltty.service",
                             "점자 디스플레이 서비스(brltty)가 USB 시리얼 어댑터를 차지합니다. 이 PC에서 점자 디스플레이를 쓰지 않으면 아래 명령으로 서비스를 영구히 멈춘 뒤 어댑터를 다시 꽂으십시오:\nsudo systemctl mask --now brltty-udev.service brltty.service"},
  // The connection in the status bar
  {ids::StatusConnected, "Connected: COM%1, %2", "연결됨: COM%1, %2"},
  {ids::StatusNotConnected, "Not connected", "연결 안 됨"},
  {ids::StatusDriveLost, "The drive on COM%1 was lost. Check the cable, the drive's power and the adapter, then connect again.",
                         "COM%1의 드라이브 연결이 끊어졌습니다. 케이블, 드라이브 전원, 어댑터를 확인한 뒤 다시 연결하십시오."},
  {ids::DoctorNetBadAddress, "not a network address of the form rfc2217://host:port or tcp://host:port",
                             "rfc2217://호스트:포트 또는 tcp://호스트:포트 형식의 네트워크 주소가 아님"},
  {ids::DoctorNetNameNotFound, "host name %1 not found", "호스트 이름 %1을(를) 찾을 수 없음"},
  {ids::DoctorNetRefused, "connection refused by %1", "%1에서 연결을 거부함"},
  {ids::DoctorNetNoAnswer, "no answer from %1 within %2 s", "%2초 안에 %1에서 응답 없음"},
  {ids::DoctorNetUnreachable, "no route to %1", "%1(으)로 가는 경로 없음"},
  {ids::DoctorNetInUse, "the server turned the connection away (another client holds the port)",
                        "서버가 연결을 거절함(다른 클라이언트가 포트를 사용 중)"},
  {ids::DoctorAdviceNetBadAddress, "Write the address as rfc2217://host:port or tcp://host:port, an IPv6 address in brackets: rfc2217://[fd00::5]:4001.",
                                   "주소를 rfc2217://호스트:포트 또는 tcp://호스트:포트 형식으로 쓰십시오. IPv6 주소는 대괄호로 묶습니다: rfc2217://[fd00::5]:4001."},
  {ids::DoctorAdviceNetName, "Check the spelling of the host name, or use the server's IP address.",
                             "호스트 이름의 철자를 확인하거나 서버의 IP 주소를 사용하십시오."},
  {ids::DoctorAdviceNetRefused, "Nothing listens on that port: check the port number and that the serial server is running with that port set up.",
                                "해당 포트에서 대기 중인 서비스가 없습니다. 포트 번호와 시리얼 서버가 그 포트를 설정한 채 실행 중인지 확인하십시오."},
  {ids::DoctorAdviceNetNoAnswer, "Check that the server is switched on and reachable from this PC (ping it), and that no firewall drops the connection.",
                                 "서버 전원이 켜져 있고 이 PC에서 연결할 수 있는지(ping) 확인하고, 방화벽이 연결을 막지 않는지 확인하십시오."},
  {ids::DoctorAdviceNetInUse, "Close the other program or session connected to this server port, then try again.",
                              "이 서버 포트에 연결된 다른 프로그램이나 세션을 닫은 뒤 다시 시도하십시오."},
  {ids::DoctorNetOpenFailed, "Failed to connect to %1", "%1에 연결하지 못했습니다"},
  {ids::DoctorNetNameNoAnswer, "no answer for host name %1 within %2 s (the name server is silent)",
                               "%2초 안에 호스트 이름 %1에 대한 응답 없음(이름 서버가 응답하지 않음)"},
  {ids::DoctorAdviceNetNameNoAnswer, "Check this PC's name server (DNS) settings and network connection, or use the server's IP address.",
                                     "이 PC의 이름 서버(DNS) 설정과 네트워크 연결을 확인하거나, 서버의 IP 주소를 사용하십시오."},
  {ids::StatusServerClosed, "The server %2 closed the connection to the drive on COM%1. Check that the serial server is running and that no other program took the port, then connect again.",
                            "서버 %2이(가) COM%1의 드라이브 연결을 닫았습니다. 직렬 서버가 동작 중인지, 다른 프로그램이 포트를 가져가지 않았는지 확인한 뒤 다시 연결하십시오."},
  {ids::DoctorAdviceNetFailed, "Check this PC's network connection and the server's address.",
                               "이 PC의 네트워크 연결과 서버 주소를 확인하십시오."},
  // Values not read, partial downloads, values refused before sending
  {ids::RowNotRead, "(not read)", "(읽지 못함)"},
  {ids::DpfReadSkipped, "Some parameters could not be read from the drive and were left out of the file: %1",
                        "일부 파라미터를 드라이브에서 읽지 못해 파일에서 뺐습니다: %1"},
  {ids::DpfPartialLoad, "Loading stopped after entry %1 of %2. The drive now holds part of the file's values; they were not saved to flash.",
                        "%2개 항목 중 %1번째 항목 뒤에서 불러오기를 멈췄습니다. 드라이브에는 파일 값의 일부만 들어 있으며, 플래시에 저장되지 않았습니다."},
  {ids::MotorDbPartialImport, "Downloading stopped at line %1 of %2. The drive now holds part of the motor DB; it was not saved to flash.",
                              "%2줄 중 %1번째 줄에서 다운로드를 멈췄습니다. 드라이브에는 모터 DB의 일부만 들어 있으며, 플래시에 저장되지 않았습니다."},
  {ids::MotorDbPartialImportSaved, "Downloading stopped at line %1 of %2. The drive now holds part of the motor DB; what was sent up to line %3 was saved to flash.",
                                   "%2줄 중 %1번째 줄에서 다운로드를 멈췄습니다. 드라이브에는 모터 DB의 일부만 들어 있으며, %3번째 줄까지 보낸 것은 플래시에 저장되었습니다."},
  {ids::ParamNotDescribed, "Parameter %1 is not in the parameter description file of this drive.",
                           "이 드라이브의 파라미터 설명 파일에 파라미터 %1이(가) 없습니다."},
  {ids::ParamReadOnly, "Parameter %1 is read-only.", "파라미터 %1은(는) 읽기 전용입니다."},
  {ids::ParamValueRefused, "%1 is not a value of parameter %2. Allowed: %3. Nothing was sent to the drive.",
                           "%1은(는) 파라미터 %2의 값이 될 수 없습니다. 허용 값: %3. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::ParamRangeText, "%1 to %2", "%1 ~ %2"},
  {ids::DpfFileUnreadable, "Cannot read the file %1.", "파일 %1을(를) 읽을 수 없습니다."},
  {ids::CmdCompareFile, "Compare the drive's parameters with a parameter file.\nCompare with File",
                       "드라이브의 파라미터를 파라미터 파일과 비교합니다.\n파일과 비교"},
  {ids::MenuCompareFile, "Compare with File...", "파일과 비교..."},
  {ids::CompareCaption, "Compare with File", "파일과 비교"},
  {ids::CompareColumnParam, "Parameter", "파라미터"},
  {ids::CompareColumnDrive, "Drive", "드라이브"},
  {ids::CompareColumnFile, "File", "파일"},
  {ids::CompareLoadDiffering, "Load Differing Entries", "다른 항목 불러오기"},
  {ids::CompareClose, "Close", "닫기"},
  {ids::CompareSummaryDiffer, "%1 of %2 entries differ from the file.", "%2개 항목 중 %1개가 파일과 다릅니다."},
  {ids::CompareSummaryAgree, "All %1 entries agree with the file.", "%1개 항목이 모두 파일과 같습니다."},
  {ids::CompareFileLine, "File: %1 (saved from %2)", "파일: %1 (%2에서 저장)"},
  {ids::CompareOtherModel, "The file was saved from a drive of another version.", "이 파일은 다른 버전의 드라이브에서 저장되었습니다."},
  // The write gate
  {ids::GateOffListQuestion, "These values are not among the choices of their lists:\n%1\nDo you want to write them anyway?",
                             "다음 값은 목록에 있는 선택 항목이 아닙니다:\n%1\n그래도 쓰시겠습니까?"},
  {ids::GateHeldOther, "Asked for %1; the drive holds %2.", "요청한 값: %1, 드라이브의 값: %2."},
  {ids::GateEndNotSaved, "%1 of %2 entries are in the drive; they were not saved to flash.\nNot as written:\n%3",
                         "%2개 항목 중 %1개가 드라이브에 들어 있으며, 플래시에 저장되지 않았습니다.\n쓴 대로 들어가지 않은 항목:\n%3"},
  {ids::GateEndSaved, "%1 of %2 entries are in the drive, and the drive's parameters were saved to flash.\nNot as written:\n%3",
                      "%2개 항목 중 %1개가 드라이브에 들어 있으며, 드라이브의 파라미터를 플래시에 저장했습니다.\n쓴 대로 들어가지 않은 항목:\n%3"},
  {ids::GateFlashQuestion, "%1 of %2 entries are in the drive.\nNot as written:\n%3\nSave the drive's parameters to flash anyway? Flash would then keep a set of values that was never chosen as a whole.",
                           "%2개 항목 중 %1개가 드라이브에 들어 있습니다.\n쓴 대로 들어가지 않은 항목:\n%3\n그래도 드라이브의 파라미터를 플래시에 저장하시겠습니까? 저장하면 누구도 한꺼번에 고른 적이 없는 값들이 플래시에 남습니다."},
  {ids::GateEntryNotRead, "not read", "읽지 못함"},
  {ids::GateNotWritable, "Parameter %1 is not to be written.", "파라미터 %1은(는) 쓰면 안 되는 파라미터입니다."},
  {ids::GateStopped, "Writing stopped after entry %1 of %2. The drive now holds part of the values; they were not saved to flash.",
                     "%2개 항목 중 %1번째 항목 뒤에서 쓰기를 멈췄습니다. 드라이브에는 값의 일부만 들어 있으며, 플래시에 저장되지 않았습니다."},
  {ids::DpfCut, "The file's last line has no line end: the file was cut short.",
                "파일의 마지막 줄에 줄 끝이 없습니다. 파일이 중간에 잘렸습니다."},
  {ids::DpfGap, "Section [%1] is missing: the entries must be numbered from PARAM0 without gaps.",
                "[%1] 섹션이 없습니다. 항목은 PARAM0부터 빠짐없이 번호가 매겨져야 합니다."},
  {ids::DpfRepeatedSection, "Section [%1] appears more than once.", "[%1] 섹션이 두 번 이상 나옵니다."},
  {ids::DpfRepeatedKey, "Section [%1] holds the key %2 more than once.", "[%1] 섹션에 %2 키가 두 번 이상 있습니다."},
  {ids::DpfMissingKey, "Section [%1] has no value for %2.", "[%1] 섹션에 %2 값이 없습니다."},
  {ids::DpfBadNumber, "[%1] %2=%3 is not a whole decimal number that fits 32 bits.",
                      "[%1] %2=%3은(는) 32비트에 들어가는 10진 정수가 아닙니다."},
  {ids::DpfWholeOffset, "[%1] names a whole parameter, so its OFFSET must be 0.",
                        "[%1]은(는) 파라미터 전체를 가리키므로 OFFSET이 0이어야 합니다."},
  {ids::DpfNoEntries, "The file holds no entry [PARAM0].", "파일에 [PARAM0] 항목이 없습니다."},
  {ids::DpfNoTarget, "The file has no drive version ([TARGET] VER).", "파일에 드라이브 버전([TARGET] VER)이 없습니다."},
  {ids::DpfEntryFault, "[%1] %2", "[%1] %2"},
  {ids::CliNeedsPortInName, "%1 with several ports writes one file a drive: put {port} in the file name (for example backup-{port}.dpf).",
                            "여러 포트에 %1을(를) 실행하면 드라이브마다 파일을 하나씩 씁니다. 파일 이름에 {port}를 넣으십시오(예: backup-{port}.dpf)."},
  {ids::CliEntryStopped, "stopped", "멈춤"},
  {ids::GateEntryOverridden, "a later entry leaves %1 at %2.", "뒤의 항목이 %1을(를) %2(으)로 바꿉니다."},
  {ids::GateWholeSubField, "%1 would set %2 to %3, outside %4.", "%1은(는) %2을(를) 범위 %4 밖의 %3(으)로 설정합니다."},
  {ids::GateSubFieldOutside, "%1 holds %2 in the drive, outside %3: set it as well, or the drive keeps a value nobody chose.",
   "드라이브의 %1 값 %2은(는) 범위 %3 밖입니다. 이 값도 함께 설정하십시오. 그렇지 않으면 아무도 고르지 않은 값이 남습니다."},
  {ids::GateUndescribedBits, "it would change bits %1 of parameter %2, which no sub-field describes; they may only keep what the drive holds.",
   "하위 항목이 설명하지 않는 파라미터 %2의 비트 %1을(를) 바꿉니다. 이 비트는 드라이브의 값을 유지해야 합니다."},
  {ids::GateChangedSinceAsked, "%1: the drive's value changed to %2 after the checks; it was not written.",
   "%1: 확인 뒤에 드라이브의 값이 %2(으)로 바뀌어 쓰지 않았습니다."},
  {ids::MotorDbRefused, "The motor DB file was not sent: the drive's description refuses a value in it.",
   "모터 DB 파일을 보내지 않았습니다. 드라이브 설명이 파일의 값을 거부합니다."},
  {ids::MotorDbLineName, "line %1", "%1행"},
  {ids::MotorDbNoAddress, "Line %1 sets a value (MDA) before any address (MAD) is chosen.",
   "%1행은 주소(MAD)를 고르기 전에 값(MDA)을 설정합니다."},
  {ids::MotorDbReadOnlyQuestion, "The file writes read-only parameters:\n%1\nA motor DB file may set motor properties such as these. Write them?",
   "파일이 읽기 전용 파라미터를 씁니다.\n%1\n모터 DB 파일은 이런 모터 특성을 설정할 수 있습니다. 쓰시겠습니까?"},
  {ids::MotorDbKeptCount, "%1 values of status, reserved or hidden parameters were not written (parameters %2).",
   "상태, 예약 또는 숨은 파라미터의 값 %1개는 쓰지 않았습니다(파라미터 %2)."},
  {ids::MotorDbUnlistedCount, "%1 values for parameters the drive's description lacks were sent as the file has them (parameters %2).",
   "드라이브 설명에 없는 파라미터의 값 %1개는 파일 그대로 보냈습니다(파라미터 %2)."},
  {ids::ConfigSetAside, "The settings file %1 could not be used, so the program starts with its default settings. The file was kept as %2.",
   "설정 파일 %1을(를) 사용할 수 없어 기본 설정으로 시작합니다. 원래 파일은 %2(으)로 보관했습니다."},
  {ids::ConfigNotSetAside, "The settings file %1 could not be used and could not be moved aside; the program uses its default settings for whatever it cannot read.",
   "설정 파일 %1을(를) 사용할 수 없고 다른 이름으로 옮기지도 못했습니다. 읽을 수 없는 항목은 기본 설정을 사용합니다."},
  {ids::DescFieldOutside32, "Line %1: the sub-field at bit %2 of parameter %3 is %4 bits wide; a sub-field holds 1 to 32 bits, all inside its parameter's 32.",
                            "%1번째 줄: 파라미터 %3의 %2번 비트 하위 필드의 크기가 %4비트입니다. 하위 필드는 1~32비트이며 모두 파라미터의 32비트 안에 있어야 합니다."},
  {ids::DescFieldsOverlap, "Line %1: the sub-field at bit %2 of parameter %3 shares bits with the sub-field on line %4.",
                           "%1번째 줄: 파라미터 %3의 %2번 비트 하위 필드가 %4번째 줄의 하위 필드와 비트를 나눠 씁니다."},
  {ids::DescAddressTwice, "Line %1: parameter %2 is described a second time; it was first described on line %3.",
                          "%1번째 줄: 파라미터 %2이(가) 두 번 설명되어 있습니다. 처음 설명은 %3번째 줄에 있습니다."},
  {ids::DescNumberTooBig, "Line %1: %2=\"%3\" of parameter %4 does not fit its field.",
                          "%1번째 줄: 파라미터 %4의 %2=\"%3\"이(가) 필드에 들어가지 않습니다."},
  {ids::DescMinAboveMax, "Line %1: min %2 of parameter %3 is above its max %4, so no value could be written.",
                         "%1번째 줄: 파라미터 %3의 최솟값 %2이(가) 최댓값 %4보다 커서 어떤 값도 쓸 수 없습니다."},
  {ids::DescViewBadRef, "Line %1: the user view names %2, which is no parameter address (0 to 65535) with a bit (0 to 31).",
                        "%1번째 줄: 사용자 화면 항목 %2은(는) 파라미터 주소(0~65535)와 비트(0~31)가 아닙니다."},
  {ids::DescViewEmpty, "The user view of the description names no parameter: the form would show nothing, and a file saved from it could not be loaded.",
                       "설명 파일의 사용자 화면이 아무 파라미터도 가리키지 않습니다. 화면에 아무것도 나오지 않고, 저장한 파일을 불러올 수 없습니다."},
  {ids::DescNotANumber, "Line %1: %2 is not a whole decimal number.",
                        "%1번째 줄: %2은(는) 10진 정수가 아닙니다."},
  {ids::DescNumberOutside, "Line %1: %2 does not fit its field, which holds %3 to %4.",
                           "%1번째 줄: %2이(가) 필드에 들어가지 않습니다. 이 필드는 %3~%4입니다."},
  {ids::DescFileFailedPath, "Failed to read parameter's description file:\n%1", "파라미터 설명 파일을 읽지 못했습니다:\n%1"},
  // The command-line program
  {ids::CliAbout, "Sets up, backs up and compares servo drives over serial ports, one drive or many at once.",
                  "직렬 포트로 서보 드라이브를 설정하고, 백업하고, 비교합니다. 한 대 또는 여러 대를 동시에 다룹니다."},
  {ids::CliExitCodes, "Exit codes (with several drives, the worst of them):\n"
                      "  0    done\n"
                      "  1    the drive differs from the file (diff)\n"
                      "  2    usage error or bad argument; nothing was sent\n"
                      "  3    port or link failure\n"
                      "  4    the drive refused or answered otherwise than asked\n"
                      "  5    file error\n"
                      "  130  cancelled: Ctrl-C, or a question answered No or Cancel (see --yes, --retries)",
                      "종료 코드 (드라이브가 여러 대이면 그중 가장 나쁜 값):\n"
                      "  0    완료\n"
                      "  1    드라이브가 파일과 다름 (diff)\n"
                      "  2    사용법 오류 또는 잘못된 인수; 아무것도 보내지 않음\n"
                      "  3    포트 또는 통신 실패\n"
                      "  4    드라이브가 거부했거나 요청과 다르게 응답함\n"
                      "  5    파일 오류\n"
                      "  130  취소됨: Ctrl-C, 또는 질문에 아니요나 취소로 답함 (--yes, --retries 참고)"},
  {ids::CliOptPort, "COM ports: COM3, 3, a list such as COM3,COM4, or all for every port listed",
                    "COM 포트: COM3, 3, COM3,COM4 같은 목록, 또는 나열된 모든 포트를 뜻하는 all"},
  {ids::CliOptBaud, "baud rate (default: Config.ini, else 115200)", "통신 속도 (기본값: Config.ini, 없으면 115200)"},
  {ids::CliOptJson, "print one JSON document on standard output", "표준 출력에 JSON 문서 하나를 출력합니다"},
  {ids::CliOptYes, "answer Yes to safety questions (without it they are answered No)",
                   "안전 확인 질문에 예로 답합니다 (없으면 아니요로 답합니다)"},
  {ids::CliOptRetries, "answer Try Again to at most N retry questions per drive, then Cancel (default 0)",
                       "재시도 질문에 드라이브마다 최대 N번까지 다시 시도로 답하고, 그 뒤에는 취소합니다 (기본값 0)"},
  {ids::CliOptInteractive, "ask every question on the terminal (one port only)",
                           "모든 질문을 터미널에서 묻습니다 (포트 하나만)"},
  {ids::CliOptLang, "language of messages: en or ko (default: from the locale)",
                    "메시지 언어: en 또는 ko (기본값: 로캘에 따름)"},
  {ids::CliOptVersion, "print the program's version and exit", "프로그램 버전을 출력하고 끝냅니다"},
  {ids::CliOptHelp, "print this help and exit", "이 도움말을 출력하고 끝냅니다"},
  {ids::CliOptHelpAll, "print the help of every subcommand and exit", "모든 하위 명령의 도움말을 출력하고 끝냅니다"},
  {ids::CliOptPortsFile, "ports file that maps COM numbers to devices (default: ports beside the program)",
                         "COM 번호를 장치에 연결하는 포트 파일 (기본값: 프로그램 옆의 ports)"},
  {ids::CliOptDiffAll, "list every entry, not only those that differ", "다른 항목만이 아니라 모든 항목을 표시합니다"},
  {ids::CliCmdPorts, "list the COM ports, whether each can be opened now, and if not why and what to do",
                     "COM 포트를 나열하고, 지금 열 수 있는지, 열 수 없으면 그 이유와 해결 방법을 알려 줍니다"},
  {ids::CliCmdInfo, "check the link; show the version, the drive model and the description file picked",
                    "통신을 확인하고 버전, 드라이브 모델, 선택된 설명 파일을 보여 줍니다"},
  {ids::CliCmdGet, "read parameters by address (16, or 16.4 for the sub-field at bit 4)",
                   "주소로 파라미터를 읽습니다 (16, 또는 비트 4의 하위 항목은 16.4)"},
  {ids::CliCmdSet, "write parameters (ADDR=VALUE, the value as a number or its text in the list), read back and save to flash; every value is checked before any is sent",
                   "파라미터를 씁니다 (ADDR=VALUE, 값은 숫자나 목록의 텍스트). 다시 읽어 확인하고 플래시에 저장합니다. 보내기 전에 모든 값을 먼저 검사합니다"},
  {ids::CliCmdSave, "save the parameters the view shows into a drive parameter file (.dpf)",
                    "화면에 표시되는 파라미터를 드라이브 파라미터 파일(.dpf)로 저장합니다"},
  {ids::CliCmdLoad, "load a drive parameter file (.dpf) into the drive and save to flash",
                    "드라이브 파라미터 파일(.dpf)을 드라이브에 불러오고 플래시에 저장합니다"},
  {ids::CliCmdDiff, "compare the drive against a drive parameter file (.dpf); exit 1 when they differ",
                    "드라이브를 드라이브 파라미터 파일(.dpf)과 비교합니다. 다르면 1로 끝납니다"},
  {ids::CliCmdMotorDb, "motor DB command files: import or export", "모터 DB 명령 파일: 가져오기 또는 내보내기"},
  {ids::CliCmdMotorDbImport, "send a motor DB command file to the drive, then verify and save",
                             "모터 DB 명령 파일을 드라이브로 보낸 뒤 확인하고 저장합니다"},
  {ids::CliCmdMotorDbExport, "save the drive's parameters 0 to 99 as a motor DB command file",
                             "드라이브의 파라미터 0번부터 99번까지를 모터 DB 명령 파일로 저장합니다"},
  {ids::CliArgAddresses, "parameter addresses", "파라미터 주소"},
  {ids::CliArgAssignments, "ADDR=VALUE pairs", "ADDR=VALUE 쌍"},
  {ids::CliArgFile, "the file", "파일"},
  {ids::CliLabelUsage, "Usage", "사용법"},
  {ids::CliLabelOptions, "Options", "옵션"},
  {ids::CliLabelSubcommands, "Subcommands", "하위 명령"},
  {ids::CliLabelRequired, "REQUIRED", "필수"},
  {ids::CliLabelExcludes, "Excludes", "함께 쓸 수 없음"},
  {ids::CliLabelArguments, "Arguments", "인수"},
  {ids::CliVersionLine, "%1 version %2", "%1 버전 %2"},
  {ids::CliUsageError, "%1\nRun with --help for the usage.", "%1\n사용법은 --help로 확인하십시오."},
  {ids::CliBadPortList, "\"%1\" names no COM port: give COM3, 3, a list such as COM3,COM4, or all.",
                        "\"%1\"은(는) COM 포트가 아닙니다. COM3, 3, COM3,COM4 같은 목록, 또는 all을 주십시오."},
  {ids::CliNeedsPort, "%1 needs --port.", "%1에는 --port가 필요합니다."},
  {ids::CliNoPortsListed, "No COM port is listed.", "나열된 COM 포트가 없습니다."},
  {ids::CliInteractiveOnePort, "--interactive asks on one terminal, so it takes one port only.",
                               "--interactive는 터미널 하나에서 묻기 때문에 포트 하나만 받습니다."},
  {ids::CliBadAssignment, "\"%1\" is not ADDR=VALUE.", "\"%1\"은(는) ADDR=VALUE 형식이 아닙니다."},
  {ids::CliBadAddress, "\"%1\" is not a parameter address (16, or 16.4 for a sub-field).",
                       "\"%1\"은(는) 파라미터 주소가 아닙니다 (16, 또는 하위 항목은 16.4)."},
  {ids::CliBadValue, "\"%1\" is neither a number nor a value text of parameter %2. Nothing was sent to the drive.",
                     "\"%1\"은(는) 숫자도 아니고 파라미터 %2의 값 텍스트도 아닙니다. 드라이브로 아무것도 보내지 않았습니다."},
  {ids::CliQuestionDeclined, "Answered No, since --yes was not given: %1",
                             "--yes가 없어서 아니요로 답했습니다: %1"},
  {ids::CliRetriesUsed, "Answered Cancel, since --retries allows %1 retries: %2",
                        "--retries가 재시도를 %1번까지만 허용하므로 취소로 답했습니다: %2"},
  {ids::CliNoAnswer, "No answer came (end of input), so it was answered No or Cancel: %1",
                     "입력이 끝나 답을 받지 못했으므로 아니요 또는 취소로 답했습니다: %1"},
  {ids::CliAnswerPrompt, "Answer %1: ", "답을 고르십시오 %1: "},
  {ids::CliCancelled, "Cancelled.", "취소했습니다."},
  {ids::CliCancelPending, "Cancelling: the step under way ends first (Ctrl-C again stops at once).",
                          "취소하는 중입니다. 진행 중인 단계가 먼저 끝납니다 (Ctrl-C를 한 번 더 누르면 바로 멈춥니다)."},
  {ids::CliSummaryDone, "%1: done", "%1: 완료"},
  {ids::CliSummaryFailed, "%1: failed (exit %2): %3", "%1: 실패 (종료 코드 %2): %3"},
  {ids::CliSummaryDiffers, "%1: differs", "%1: 다름"},
  {ids::CliInfoVersion, "Version", "버전"},
  {ids::CliInfoModel, "Drive model", "드라이브 모델"},
  {ids::CliInfoDescription, "Description file", "설명 파일"},
  {ids::CliDiffHeader, "Parameter\tLabel\tDrive\tFile", "파라미터\t이름\t드라이브\t파일"},
  {ids::CliBadBaud, "%1 is not a baud rate a serial port runs at (300, 600, or a whole number from 1200 to 4000000)",
                    "%1은(는) 직렬 포트가 쓸 수 있는 통신 속도가 아닙니다 (300, 600, 또는 1200부터 4000000까지의 정수)"},
  {ids::ConfigBaudRefused, "Config.ini holds Baudrate=%1, which no serial port runs at; %2 is used.",
                           "Config.ini의 Baudrate=%1은(는) 직렬 포트가 쓸 수 없는 값이므로 %2을(를) 씁니다."},
  {ids::CliInteractiveNeedsTerminal, "--interactive needs a terminal on standard input; use --yes or --retries to answer from a script.",
                                     "--interactive는 표준 입력이 터미널이어야 합니다. 스크립트에서는 --yes 또는 --retries를 쓰십시오."},
  {ids::CliEmptyFile, "an empty name names no file", "빈 이름은 파일을 가리키지 않습니다"},
  // Files of another drive model, entry names of a parameter file, port names of a run
  {ids::OtherDriveModel, "The file was made for another drive model, whose parameters mean other things: nothing was sent.",
                         "이 파일은 파라미터의 뜻이 다른 드라이브 모델용입니다. 아무것도 보내지 않았습니다."},
  {ids::VersionsShown, "Drive: %1\nFile: %2", "드라이브: %1\n파일: %2"},
  {ids::DpfNotEntryName, "Section [%1] is no entry name: entries are named PARAM0, PARAM1, ... with no leading zeros or other characters.",
                         "[%1] 섹션은 항목 이름이 아닙니다. 항목 이름은 PARAM0, PARAM1, ...이며 앞자리 0이나 다른 문자가 없어야 합니다."},
  {ids::DpfBadNested, "[%1] NESTED=%2: NESTED is 0 for a whole parameter or 1 for a sub-field.",
                      "[%1] NESTED=%2: NESTED는 파라미터 전체이면 0, 하위 필드이면 1이어야 합니다."},
  {ids::CliSameFileName, "%1 and %2 would both use the file %3: give each drive a file of its own.",
                         "%1과(와) %2이(가) 모두 %3 파일을 쓰게 됩니다. 드라이브마다 다른 파일을 주십시오."},
  {ids::CliTooManyAddresses, "More network addresses were given than the %1 COM numbers free for them: a run numbers its ports up to 255, and the ports file and the system's ports take the others. Give at most %1 addresses.",
                             "네트워크 주소를 주소에 줄 수 있는 빈 COM 번호 %1개보다 많이 주었습니다. 포트 번호는 255까지이며 나머지는 포트 파일과 시스템의 포트가 씁니다. 주소는 %1개까지만 주십시오."},
  {ids::FlowReadingParams, "Reading parameters…", "파라미터를 읽는 중…"},
  {ids::FlowSavingFile, "Reading parameters to save to the file…", "파일에 저장할 파라미터를 읽는 중…"},
  {ids::FlowLoadingFile, "Writing the file's parameters to the drive…", "파일의 파라미터를 드라이브에 쓰는 중…"},
  {ids::FlowComparing, "Comparing the drive with the file…", "드라이브와 파일을 비교하는 중…"},
  {ids::FlowLoadingDiffering, "Writing the differing entries to the drive…", "다른 항목을 드라이브에 쓰는 중…"},
  {ids::FlowExporting, "Reading parameters 0-99 to export…", "모터 DB 파일용 파라미터 0-99를 읽는 중…"},
  {ids::FlowImporting, "Downloading the motor DB file…", "모터 DB 파일을 내려받는 중…"},
  {ids::ComparePartial, "Cancelled after %1 entries: the rest of the file was not compared.",
   "항목 %1개를 비교한 뒤 취소했습니다. 파일의 나머지는 비교하지 않았습니다."},
  {ids::RowValueOutside, "%1 — outside %2-%3", "%1 — 범위 %2-%3 밖"},
  {ids::RowValueUnlisted, "%1 — not in the list", "%1 — 목록에 없음"},
  {ids::DpfSavedOutside, "The file holds the drive's values as they are. These lie outside their limits:\n%1",
                         "파일에 드라이브의 값을 그대로 저장했습니다. 다음 값은 허용 범위를 벗어납니다:\n%1"},

  {ids::ScanFindDrive, "Find Drive", "드라이브 찾기"},
  {ids::ScanCaption, "Find Drive", "드라이브 찾기"},
  {ids::ScanColPort, "Port", "포트"},
  {ids::ScanColBaud, "Baud rate", "통신 속도"},
  {ids::ScanColVersion, "Version", "버전"},
  {ids::ScanColModel, "Model", "모델"},
  {ids::ScanColReply, "Reply", "응답"},
  {ids::ScanColResult, "Result", "결과"},
  {ids::ScanTrying, "trying %1 baud...", "%1 bps 시도 중..."},
  {ids::ScanFound, "drive found", "드라이브 찾음"},
  {ids::ScanSilent, "no answer at any rate: check the cable, the drive's power and its address switch",
   "어느 속도에서도 응답 없음: 케이블, 드라이브 전원, 드라이브의 주소 스위치를 확인하십시오"},
  {ids::ScanNoEcho,
   "bytes but no echo (at %1 of %2 rates): another device is on this port, or its line settings differ "
   "(a drive talks 8 data bits, no parity, 1 stop bit)",
   "바이트는 오지만 에코 없음(%2개 속도 중 %1개): 이 포트에 다른 장치가 있거나 통신 설정이 다릅니다"
   "(드라이브는 8 데이터 비트, 패리티 없음, 정지 비트 1)"},
  {ids::ScanLost, "the port went away during the search", "찾는 도중 포트가 사라졌습니다"},
  {ids::ScanCancelled, "cancelled", "취소됨"},
  {ids::ScanServerRate, "server's rate", "서버 속도"},
  {ids::ScanReplyMs, "%1 ms", "%1ms"},
  {ids::ScanStatusSearching, "Searching %1 ports...", "포트 %1개를 찾는 중..."},
  {ids::ScanStatusFound, "Found %1 drive(s) on %2 port(s).", "포트 %2개에서 드라이브 %1개를 찾았습니다."},
  {ids::ScanStatusNone, "No drive found on %1 port(s).", "포트 %1개에서 드라이브를 찾지 못했습니다."},
  {ids::ScanStatusCancelled, "Cancelled: %1 drive(s) found on %2 port(s) so far.",
   "취소됨: 지금까지 포트 %2개에서 드라이브 %1개를 찾았습니다."},
  {ids::ScanUse, "Use", "사용"},
  {ids::ScanNoVersion, "echoes, but gave no version", "에코는 있으나 버전을 알려 주지 않음"},
  {ids::ScanNoPorts, "No port is listed.", "목록에 포트가 없습니다."},
  {ids::ScanPick, "Pick a found drive and press Use.", "찾은 드라이브를 고르고 [사용]을 누르십시오."},
  {ids::ScanClose, "Close", "닫기"},
  {ids::CliCmdScan, "find drives: on which port, at which baud rate (reads only; exit 3 when none is found)",
   "드라이브 찾기: 어느 포트, 어느 통신 속도인지(읽기만 함, 찾지 못하면 종료 코드 3)"},
  {ids::CliOptBauds, "baud rates to try, e.g. 9600,57600 (default 9600 to 921600, after the port's last found rate)",
   "시도할 통신 속도, 예: 9600,57600(기본값: 포트에서 마지막으로 찾은 속도 다음에 9600부터 921600까지)"},
  {ids::CliBadBaudList, "not a list of baud rates: %1", "통신 속도 목록이 아닙니다: %1"},
  {ids::CliInfoTryScan,
   "Bytes came back, but no echo: the drive may be set to another baud rate. "
   "\"drive-setting-cli --port %1 scan\" finds it.",
   "바이트는 돌아오지만 에코가 없습니다. 드라이브가 다른 통신 속도로 설정되어 있을 수 있습니다. "
   "\"drive-setting-cli --port %1 scan\"으로 찾을 수 있습니다."},
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
  {ids::MenuConnect, "Connect...", "연결..."},
  {ids::MenuDisconnect, "Disconnect", "연결 끊기"},
  {ids::MenuRefresh, "&Refresh", "새로 고침(&R)"},
  {ids::MenuExit, "E&xit", "끝내기(&X)"},
  {ids::MenuLoadFile, "Load File...", "파일 불러오기..."},
  {ids::MenuSaveFile, "Save to File...", "파일로 저장..."},
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
  {ids::ProgressLine, "Line : #%1\t%2", "줄 : #%1\t%2"},

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

  // The whole-drive table
  {ids::CmdAllParams, "Show every parameter of the drive in one table.\nAll Parameters", "드라이브의 모든 파라미터를 한 표에 보여 줍니다.\n전체 파라미터"},
  {ids::MenuAllParams, "All Parameters...", "전체 파라미터..."},
  {ids::AllParamsCaption, "All Parameters", "전체 파라미터"},
  {ids::AllParamsColParam, "Parameter", "파라미터"},
  {ids::AllParamsColName, "Name", "이름"},
  {ids::AllParamsColValue, "Value", "값"},
  {ids::AllParamsColUnit, "Unit", "단위"},
  {ids::AllParamsColLimits, "Limits", "범위"},
  {ids::AllParamsColReadOnly, "Read-only", "읽기 전용"},
  {ids::AllParamsColFile, "File", "파일"},
  {ids::AllParamsSearch, "&Search:", "검색(&S):"},
  {ids::AllParamsSearchHint, "Name or parameter", "이름 또는 파라미터"},
  {ids::AllParamsDifferingOnly, "&Only rows that differ from the file", "파일과 다른 행만(&O)"},
  {ids::AllParamsReadAll, "&Read All", "모두 읽기(&R)"},
  {ids::AllParamsSaveAll, "Save All &Parameters...", "전체 파라미터 저장(&P)..."},
  {ids::AllParamsEdit, "&Edit...", "편집(&E)..."},
  {ids::AllParamsOtherCategory, "Other", "기타"},
  {ids::AllParamsOutside, "%1 (outside %2)", "%1 (범위 %2 벗어남)"},
  {ids::AllParamsOffList, "%1 (not in the list)", "%1 (목록에 없음)"},
  {ids::AllParamsReadOnlyMark, "Yes", "예"},
  {ids::AllParamsReading, "Reading parameter %1 (%2 of %3)", "파라미터 %1 읽는 중 (%3개 중 %2)"},
  {ids::AllParamsReadEnd, "%1 of %2 parameters were read.", "파라미터 %2개 중 %1개를 읽었습니다."},
  {ids::AllParamsNotReadList, "Not read, the drive refused them: %1", "드라이브가 거부하여 읽지 못함: %1"},
  {ids::AllParamsOutsideList, "Outside their limits or lists: %1", "범위나 목록을 벗어난 값: %1"},
  {ids::AllParamsEditCaption, "Parameter %1", "파라미터 %1"},
  {ids::AllParamsEditValue, "%1:", "%1:"},
  {ids::AllParamsShownCount, "%1 rows shown of %2 parameters", "파라미터 %2개 중 %1행 표시"},
  {ids::CliCmdParams, "List the parameters of a drive model's description; no drive is needed", "드라이브 모델 설명 파일의 파라미터 목록을 보여 줍니다. 드라이브는 필요 없습니다"},
  {ids::CliOptGetAll, "Every parameter the description shows, each sub-field as a row of its own", "설명 파일이 보여 주는 모든 파라미터, 하위 필드는 각각 한 행"},
  {ids::CliOptSaveAll, "Every writable parameter as a whole value, not only the form's rows", "폼의 행만이 아니라 쓸 수 있는 모든 파라미터를 전체 값으로"},
  {ids::CliOptParamsVersion, "The drive's version text whose description to list, as a connect picks it (default: the standard model)", "목록을 보여 줄 설명 파일을 연결할 때처럼 고를 드라이브 버전 문자열 (기본: 표준 모델)"},
  {ids::CliParamsHeader, "Parameter\tName\tUnit\tMin\tMax\tRead-only", "파라미터\t이름\t단위\t최소\t최대\t읽기 전용"},
  {ids::CliGetNeedsAddress, "get needs ADDR or --all.", "get에는 ADDR 또는 --all이 필요합니다."},
  {ids::CliGetAllWithAddress, "get --all takes no ADDR.", "get --all에는 ADDR를 줄 수 없습니다."},
  {ids::CmdHistory, "Show every write to drives and undo one.\nHistory", "드라이브에 쓴 모든 기록을 보고 되돌립니다.\n기록"},
  {ids::MenuHistory, "History...", "기록..."},
  {ids::JournalNoFolder, "no folder for the journal could be found", "기록 파일을 둘 폴더를 찾을 수 없습니다"},
  {ids::JournalNotKept, "The journal record of this write was not kept: %1", "이 쓰기의 기록을 남기지 못했습니다: %1"},
  {ids::JournalSnapshotNotWritten, "The snapshot %1 could not be written.", "스냅샷 %1을(를) 쓸 수 없습니다."},
  {ids::JournalSnapshotNotRead, "Parameters %1 could not be read for the snapshot.", "스냅샷을 위해 파라미터 %1을(를) 읽을 수 없습니다."},
  {ids::JournalSnapshotQuestion, "The drive could not be saved whole before the writes:\n%1\n\nWrite all the same? What the drive holds now could then not be restored in full.", "쓰기 전에 드라이브 전체를 저장할 수 없습니다:\n%1\n\n그래도 쓰시겠습니까? 그러면 지금 드라이브의 값을 모두 복원할 수 없습니다."},
  {ids::JournalUndoOtherDrive, "The record was made on %1 with drive version %2; the drive here is %3 with version %4. An undo goes only into a drive of the same version on the same port.", "이 기록은 %1의 드라이브 버전 %2에서 만들어졌습니다. 이 드라이브는 %3의 버전 %4입니다. 되돌리기는 같은 포트의 같은 버전 드라이브에만 할 수 있습니다."},
  {ids::JournalUndoChangedSince, "The drive no longer holds what the record left:\n%1\n\nUndo all the same?", "드라이브가 기록이 남긴 값을 더 이상 가지고 있지 않습니다:\n%1\n\n그래도 되돌리시겠습니까?"},
  {ids::JournalChangedLine, "%1: now %2, the record left %3", "%1: 지금 %2, 기록이 남긴 값 %3"},
  {ids::JournalUndoNothing, "The record has no value to put back.", "이 기록에는 되돌릴 값이 없습니다."},
  {ids::JournalUndoNoSnapshot, "The record has no snapshot to restore.", "이 기록에는 복원할 스냅샷이 없습니다."},
  {ids::JournalNoRecord, "The journal has no record %1.", "기록에 %1이(가) 없습니다."},
  {ids::JournalNoRecordOfPort, "The journal has no record of %1.", "%1의 기록이 없습니다."},
  {ids::CliCmdJournal, "list the journal of writes (newest last)", "쓰기 기록을 나열합니다(최신이 마지막)"},
  {ids::CliCmdUndo, "put a record's values back (default: the port's last record)", "기록의 값을 되돌립니다(기본값: 포트의 마지막 기록)"},
  {ids::CliCmdSnapshots, "list the snapshots taken before loads", "불러오기 전에 만든 스냅샷을 나열합니다"},
  {ids::CliOptSince, "only records since TIME (2024-05-01, 2024-05-01T08:00, 2h, 3d)", "TIME 이후의 기록만(2024-05-01, 2024-05-01T08:00, 2h, 3d)"},
  {ids::CliArgRecordId, "the id of the record to undo", "되돌릴 기록의 ID"},
  {ids::CliBadSince, "--since takes a date, a date and time, or an age such as 2h: %1", "--since에는 날짜, 날짜와 시간 또는 2h 같은 기간을 줍니다: %1"},
  {ids::JournalSnapshotFailed, "The snapshot %1 could not be read.", "스냅샷 %1을(를) 읽을 수 없습니다."},
  {ids::HistoryCaption, "History", "기록"},
  {ids::HistoryPort, "Port:", "포트:"},
  {ids::HistoryVersion, "Drive version:", "드라이브 버전:"},
  {ids::HistoryAny, "(any)", "(모두)"},
  {ids::HistoryColTime, "Time", "시간"},
  {ids::HistoryColAction, "Action", "작업"},
  {ids::HistoryColOutcome, "Outcome", "결과"},
  {ids::HistoryEntries, "Entries:", "항목:"},
  {ids::HistoryUndo, "Undo", "되돌리기"},
  {ids::HistoryRestore, "Restore Snapshot", "스냅샷 복원"},
  {ids::HistoryClose, "Close", "닫기"},
  {ids::HistoryEntryLine, "%1 %2: %3 -> %4 (%5)", "%1 %2: %3 -> %4 (%5)"},
  {ids::HistoryFlash, "in flash", "플래시에 저장됨"},
  {ids::HistoryNotFlash, "not in flash", "플래시에 없음"},
  {ids::HistoryUnknown, "?", "?"},
  {ids::HistorySnapshotLine, "Snapshot: %1", "스냅샷: %1"},
  {ids::HistoryFileLine, "File: %1", "파일: %1"},
  {ids::HistoryWhoLine, "%1 on %2, %3", "%1, %2, %3"},
  {ids::HistoryNeedsDrive, "Connect to the drive of the record first.", "먼저 기록의 드라이브에 연결하십시오."},
  {ids::JournalNoFolderAt, "the folder %1 cannot be made", "폴더 %1을(를) 만들 수 없습니다"},

  {ids::CmdDeskNew, "Start an empty parameter file for a drive model, without a drive.\nNew File", "드라이브 없이 드라이브 모델의 빈 파라미터 파일을 시작합니다.\n새 파일"},
  {ids::CmdDeskOpen, "Open a parameter file without a drive to check and edit it.\nOpen File", "드라이브 없이 파라미터 파일을 열어 검사하고 편집합니다.\n파일 열기"},
  {ids::CmdDeskSave, "Save the open parameter file.\nSave", "열린 파라미터 파일을 저장합니다.\n저장"},
  {ids::CmdDeskSaveAs, "Save the open parameter file under another name.\nSave As", "열린 파라미터 파일을 다른 이름으로 저장합니다.\n다른 이름으로 저장"},
  {ids::CmdDeskCompare, "Compare two parameter files.\nCompare Files", "두 파라미터 파일을 비교합니다.\n파일 비교"},
  {ids::MenuDeskNew, "New File...", "새 파일..."},
  {ids::MenuDeskOpen, "Open File...", "파일 열기..."},
  {ids::MenuDeskSave, "Save", "저장"},
  {ids::MenuDeskSaveAs, "Save As...", "다른 이름으로 저장..."},
  {ids::MenuDeskCompare, "Compare Files...", "파일 비교..."},
  {ids::DeskTitle, "%1 - %2 - no drive", "%1 - %2 - 드라이브 없음"},
  {ids::DeskUntitled, "Untitled", "제목 없음"},
  {ids::DeskUndescribedBits, "[%1] bits %2 of parameter %3 are set, and no sub-field describes them.", "[%1] 파라미터 %3의 비트 %2이(가) 설정되어 있으나 이를 설명하는 하위 필드가 없습니다."},
  {ids::DeskNoModel, "The version \"%1\" names no drive model.", "버전 \"%1\"에는 드라이브 모델이 없습니다."},
  {ids::DeskGuardedMark, "Raised since the file was opened; a load into a drive asks first:\n%1", "파일을 연 뒤 올린 값입니다. 드라이브에 불러올 때 먼저 묻습니다:\n%1"},
  {ids::DeskUnsavedConnect, "%1 has unsaved edits. Close it without saving and connect to the drive?", "%1에 저장하지 않은 편집이 있습니다. 저장하지 않고 닫은 뒤 드라이브에 연결할까요?"},
  {ids::DeskCheckClean, "No fault found in %1 entries.", "항목 %1개에서 잘못된 곳이 없습니다."},
  {ids::DeskCheckFaults, "%1 faults, %2 warnings: a load into a drive refuses this file.", "잘못 %1개, 경고 %2개: 드라이브에 불러오면 이 파일은 거부됩니다."},
  {ids::DeskWarning, "warning: %1", "경고: %1"},
  {ids::DeskSaveUnread, "%1 holds entries that could not be read; saving over it would drop them. Save it under another name.", "%1에 읽지 못한 항목이 있어 덮어쓰면 사라집니다. 다른 이름으로 저장하십시오."},
  {ids::DeskTwoModels, "The files are of two drive models (%1; %2): their values mean different things, so they are not compared.", "두 파일의 드라이브 모델이 다릅니다(%1; %2). 값의 뜻이 달라 비교하지 않습니다."},
  {ids::DeskAbsent, "(not in the file)", "(파일에 없음)"},
  {ids::DeskWarningsOnly, "No fault; %1 warnings.", "잘못 없음, 경고 %1개."},
  {ids::DeskChooseModel, "Which drive model is the new file for?", "새 파일은 어떤 드라이브 모델용입니까?"},
  {ids::DeskCompareLine, "%1 beside %2", "%1 / %2"},
  {ids::DeskFileSaved, "Saved %1.", "%1을(를) 저장했습니다."},
  {ids::DeskOpenFaults, "The file opened, but a load into a drive would refuse it:\n%1", "파일은 열렸지만 드라이브에 불러오면 거부됩니다:\n%1"},
  {ids::CliCmdFile, "Open, check, edit and compare parameter files without a drive", "드라이브 없이 파라미터 파일을 열고 검사하고 편집하고 비교합니다"},
  {ids::CliCmdFileShow, "Print a file's entries with names, units and limits", "파일의 항목을 이름, 단위, 범위와 함께 출력합니다"},
  {ids::CliCmdFileCheck, "Check a file as a load checks it, listing every fault", "불러오기처럼 파일을 검사하고 잘못을 모두 나열합니다"},
  {ids::CliCmdFileSet, "Set values in a file, checked as set checks them", "set처럼 검사하여 파일의 값을 설정합니다"},
  {ids::CliCmdFileNew, "Write an empty file for the drive model of --version", "--version의 드라이브 모델용 빈 파일을 씁니다"},
  {ids::CliCmdFileDiff, "Compare two files", "두 파일을 비교합니다"},
  {ids::CliOptFileOut, "Write the result here instead of over FILE", "FILE을 덮어쓰지 않고 여기에 결과를 씁니다"},
  {ids::CliOptFileVersion, "Drive version whose model the file is for", "파일이 쓰일 드라이브 모델의 버전"},
  {ids::CliFileShowHeader, "PARAM\tLABEL\tVALUE\tTEXT\tUNIT\tMIN\tMAX", "PARAM\t이름\t값\t텍스트\t단위\t최소\t최대"},
  {ids::CliFileDiffHeader, "PARAM\tLABEL\tFILE1\tFILE2", "PARAM\t이름\tFILE1\tFILE2"},
  {ids::CliArgFile2, "The second file", "두 번째 파일"},
  {ids::CliFileExists, "%1 exists already; file new does not write over a file.", "%1이(가) 이미 있습니다. file new는 파일을 덮어쓰지 않습니다."},
  {ids::CliFileSetDone, "%1 values set; written to %2.", "값 %1개를 설정하여 %2에 썼습니다."},
  {ids::CmdStatusView, "Show the drive's state (alarm, temperature, bus voltage), read live, with a plot.\nDrive Status",
                       "드라이브 상태(알람, 온도, 버스 전압)를 실시간으로 읽어 그래프와 함께 보여 줍니다.\n드라이브 상태"},
  {ids::MenuStatusView, "Drive Status...", "드라이브 상태..."},
  {ids::LiveCaption, "Drive Status", "드라이브 상태"},
  {ids::LiveRateLabel, "Rate:", "읽기 빈도:"},
  {ids::LiveRateItem, "%1 per second", "초당 %1회"},
  {ids::LiveRecordStart, "Start Recording...", "기록 시작..."},
  {ids::LiveRecordStop, "Stop Recording", "기록 중지"},
  {ids::LiveRate, "%1 samples a second (asked %2), line in use %3 %", "초당 %1회 읽음(요청 %2회), 회선 사용 %3 %"},
  {ids::LivePaused, "Paused while another task talks to the drive.", "다른 작업이 드라이브와 통신하는 동안 일시 정지되었습니다."},
  {ids::LiveNotPolling, "Not reading: connect to a drive.", "읽지 않음: 드라이브에 연결하십시오."},
  {ids::LiveStopped, "Reading stopped. %1", "읽기가 중지되었습니다. %1"},
  {ids::LiveRecordingTo, "Recording to %1", "%1에 기록 중"},
  {ids::LiveRecordStopped, "The recording stopped: %1\nThe file is at %2", "기록이 중지되었습니다: %1\n파일 위치: %2"},
  {ids::LiveRecordWriteFailed, "the file could not be written.", "파일을 쓸 수 없습니다."},
  {ids::LiveRecordFailed, "The recording file %1 could not be made.", "기록 파일 %1을(를) 만들 수 없습니다."},
  {ids::LiveCsvFilter, "CSV files", "CSV 파일"},
  {ids::LiveOtherDescription, "the drive's description was read again and names other values.",
                              "드라이브 설명 파일을 다시 읽었으며 다른 값을 가리킵니다."},
  {ids::LivePlotEmpty, "No values yet", "아직 값이 없음"},
  {ids::LivePlotTitle, "Last 60 seconds", "최근 60초"},
  {ids::CliCmdWatch, "Reads parameters over and over, a row a sample, as they come (default: the Status category)",
                     "파라미터를 반복해서 읽어 읽을 때마다 한 행씩 출력합니다(기본값: 상태 분류)"},
  {ids::CliOptInterval, "milliseconds between samples (default 500)", "읽기 간격, 밀리초(기본값 500)"},
  {ids::CliOptCount, "stop after N samples of each drive", "드라이브마다 N번 읽은 뒤 중지"},
  {ids::CliOptDuration, "stop after S seconds", "S초 뒤 중지"},
  {ids::CliOptCsv, "rows as CSV, after a header line", "머리글 행 다음에 CSV 형식으로 출력"},
  {ids::CliArgWatchAddresses, "parameters to read, such as 97 98 (default: the Status category)",
                              "읽을 파라미터, 예: 97 98(기본값: 상태 분류)"},
  {ids::CliWatchNothing, "The drive's description has no Status category; name the parameters to watch.",
                         "드라이브 설명 파일에 상태 분류가 없습니다. 읽을 파라미터를 지정하십시오."},

  {ids::CustomizeCaption, "Customize", "사용자 지정"},
  {ids::CustomizeButtons, "Toolbar buttons:", "도구 모음 단추:"},
  {ids::CustomizeReset, "&Reset", "원래대로(&R)"},
  {ids::CustomizeClose, "Close", "닫기"},

  {ids::EchoUnreadable, "Bytes came back from the drive, but not the echo of what was sent. The drive may be set to another baud rate: connect at the drive's rate. If the rate is right, check the cable.",
                        "드라이브에서 바이트가 돌아왔지만 보낸 내용의 에코가 아닙니다. 드라이브의 통신 속도가 다를 수 있습니다: 드라이브의 속도로 연결하십시오. 속도가 맞다면 케이블을 확인하십시오."},
  {ids::CliBadNetAddress, "\"%1\" is not a network address: write rfc2217://host:port or tcp://host:port, the port 1-65535 and an IPv6 address in brackets (rfc2217://[fd00::5]:4001).",
                          "\"%1\"은(는) 네트워크 주소가 아닙니다: rfc2217://호스트:포트 또는 tcp://호스트:포트로 쓰고, 포트는 1-65535, IPv6 주소는 대괄호로 묶습니다 (rfc2217://[fd00::5]:4001)."},
  {ids::NetEchoNotRfc2217, "The server %1 does not answer as an RFC 2217 server should: the echo of what was sent came back changed or too slowly. Check that this port of the server is set up for RFC 2217 (Telnet with the COM port option, binary mode); a raw TCP port is named tcp://host:port.",
                           "서버 %1이(가) RFC 2217 서버답게 응답하지 않습니다: 보낸 내용의 에코가 바뀌었거나 너무 느리게 돌아왔습니다. 서버의 이 포트가 RFC 2217(COM 포트 옵션과 바이너리 모드를 쓰는 텔넷)로 설정되어 있는지 확인하십시오. 순수 TCP 포트는 tcp://호스트:포트로 씁니다."},
  {ids::DoctorNetNotRfc2217, "the server does not answer as an RFC 2217 server should (it keeps sending Telnet option requests)",
                             "서버가 RFC 2217 서버답게 응답하지 않음(텔넷 옵션 요청을 계속 보냄)"},
  {ids::DoctorAdviceNetNotRfc2217, "Check that this port of the server is set up for RFC 2217 (Telnet with the COM port option); a raw TCP port is named tcp://host:port.",
                                   "서버의 이 포트가 RFC 2217(COM 포트 옵션을 쓰는 텔넷)로 설정되어 있는지 확인하십시오. 순수 TCP 포트는 tcp://호스트:포트로 씁니다."},
  {ids::WriteNoSpace, "No space is left on the disk: make room, or save to another disk.",
                      "디스크에 남은 공간이 없습니다: 공간을 확보하거나 다른 디스크에 저장하십시오."},
  {ids::WriteFailedBecause, "The system said: %1", "시스템 메시지: %1"},
  {ids::FileFaultMissing, "There is no such file.", "그런 파일이 없습니다."},
  {ids::FileFaultNotAFile, "It is a folder or a device, not a file.", "파일이 아니라 폴더나 장치입니다."},
  {ids::FileFaultTooBig, "It is over the size limit of %1.", "크기 제한 %1을(를) 넘습니다."},
  {ids::FileFaultTooManyOpen, "Too many files are open in this program: run fewer drives at once.",
                              "이 프로그램에서 열린 파일이 너무 많습니다: 한 번에 연결하는 드라이브 수를 줄이십시오."},
  {ids::DoctorAdviceFailedWindows, "Unplug the adapter and plug it in again. If that does not help, the Device Manager may say more about the port.",
                                   "어댑터를 뽑았다가 다시 꽂으십시오. 그래도 안 되면 장치 관리자에서 포트에 대한 자세한 내용을 확인할 수 있습니다."},
  {ids::WindowUsage, "Usage: %1 [--help] [--version] [--quit-after-start]\n\nThe window of the drive setting program: connects to one servo drive on a COM port and shows its parameters.\n\n  --help              print this help and exit\n  --version           print the program's version and exit\n  --quit-after-start  show the window and end at once (for checking an installation)\n\nFor scripts and for many drives at once: drive-setting-cli --help",
                     "사용법: %1 [--help] [--version] [--quit-after-start]\n\n드라이브 설정 프로그램의 창: COM 포트의 서보 드라이브 하나에 연결하고 파라미터를 보여 줍니다.\n\n  --help              이 도움말을 출력하고 끝냅니다\n  --version           프로그램 버전을 출력하고 끝냅니다\n  --quit-after-start  창을 띄운 뒤 바로 끝냅니다 (설치 확인용)\n\n스크립트와 여러 드라이브를 한 번에 다루려면: drive-setting-cli --help"},
  {ids::CliHelpNeeds, "Options of the program it takes", "이 명령이 받는 프로그램 옵션"},
  {ids::CliHelpExample, "Example:\n  %1", "예:\n  %1"},
  {ids::CliHelpEveryOption, "Every option: %1 --help", "모든 옵션: %1 --help"},
  {ids::NetNotesHeading, "What the server did not confirm:", "서버가 확인하지 않은 설정:"},
  {ids::GateHeldOtherWhole, "Asked for %1, which the drive holds; but it holds parameter %2 as %4, not %3 as written: %5.",
                            "요청한 값 %1은(는) 드라이브에 들어갔지만, 드라이브는 파라미터 %2을(를) 쓴 값 %3이(가) 아닌 %4(으)로 가지고 있습니다: %5."},
  {ids::GateFieldDiffers, "%1 is %2, not %3", "%1은(는) %3이(가) 아닌 %2"},
  {ids::GateBitsDiffer, "bits %1, which no sub-field describes, differ", "어느 하위 필드도 설명하지 않는 비트 %1이(가) 다름"},
  {ids::GateStoppedBeforeAny, "Writing stopped at the first of %1 entries: no entry was written (the drive confirmed none), and nothing was saved to flash.",
                              "%1개 항목 중 첫 번째 항목에서 쓰기를 멈췄습니다. 쓴 항목은 없으며(드라이브가 확인한 쓰기 없음), 플래시에도 아무것도 저장하지 않았습니다."},
  {ids::DpfStoppedBeforeAny, "Loading stopped at the first of the file's %1 entries: no entry of the file was written (the drive confirmed none), and nothing was saved to flash.",
                             "파일의 %1개 항목 중 첫 번째 항목에서 불러오기를 멈췄습니다. 파일의 항목은 하나도 쓰지 않았으며(드라이브가 확인한 쓰기 없음), 플래시에도 아무것도 저장하지 않았습니다."},
  {ids::MotorDbDriveNotSaved, "Every command of the motor DB file was accepted and the motor parameters were saved to flash, but the drive parameters were not (VDP or SDP failed): the drive loses them when it is switched off.",
                              "모터 DB 파일의 모든 명령이 받아들여졌고 모터 파라미터는 플래시에 저장되었지만, 드라이브 파라미터는 저장되지 않았습니다(VDP 또는 SDP 실패). 드라이브 전원을 끄면 없어집니다."},
  {ids::MotorDbMotorNotSaved, "Every command of the motor DB file was accepted and the drive parameters were saved to flash, but the motor parameters were not (VMP or SMP failed): the drive loses them when it is switched off.",
                              "모터 DB 파일의 모든 명령이 받아들여졌고 드라이브 파라미터는 플래시에 저장되었지만, 모터 파라미터는 저장되지 않았습니다(VMP 또는 SMP 실패). 드라이브 전원을 끄면 없어집니다."},
  {ids::GateRaiseFromOrigin, "%1 of the file sets %2 from %3 to %4.", "파일의 %1이(가) %2을(를) %3에서 %4(으)로 바꿉니다."},
};
// clang-format on

bool g_languageChosen = false;
Language g_language = Language::English;

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
  static const std::vector<std::pair<int, std::pair<std::string, std::string>>> kCache = [] {
    std::vector<std::pair<int, std::pair<std::string, std::string>>> all;
    for (const Entry& entry : kTable) all.push_back({entry.id, {entry.english, entry.korean}});
    return all;
  }();
  static const std::string kEmpty;
  for (const auto& [entryId, texts] : kCache) {
    if (entryId == id) return language == Language::Korean ? texts.second : texts.first;
  }
  return kEmpty;
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
