#include "resources/DescriptionTexts.h"

#include <string_view>
#include <unordered_map>

namespace res {
namespace {

struct Entry {
  const char* english;
  const char* korean;
};

// Words as the string table's warnings use them, so a row and the question it
// raises name a setting alike. Numbers with a unit ("50 %", "1.5 A") read the
// same in both languages and are not listed.
// clang-format off
const Entry kTable[] = {
  // Row labels of the user view
  {"Active level of Alarm Reset Signal :", "알람 리셋 신호 활성 레벨 :"},
  {"Active level of Alarm Signal :", "알람 신호 활성 레벨 :"},
  {"Active level of In Position Signal :", "인포지션 신호 활성 레벨 :"},
  {"Active level of Enable Signal :", "인에이블 신호 활성 레벨 :"},
  {"Stop Current :", "정지 전류 :"},
  {"Run Current :", "운전 전류 :"},
  {"Boost Current :", "부스트 전류 :"},
  {"In-Position Value :", "인포지션 값 :"},
  {"In-Position Value Response Mode :", "인포지션 값 응답 모드 :"},
  {"Position Correction Controller's Gain P :", "위치 보정 제어기 비례 게인 :"},
  {"Position Correction Controller's Gain I :", "위치 보정 제어기 적분 게인 :"},
  {"Position Correction Controller's Gain D :", "위치 보정 제어기 미분 게인 :"},
  {"Pulse Input Filter :", "펄스 입력 필터 :"},

  // Value texts
  {"Active Low", "액티브 로우"},
  {"Active High", "액티브 하이"},
  {"Fast Response", "빠른 응답"},
  {"Accurate Response", "정확한 응답"},
  {"Off", "사용 안 함"},
  {"Level 1", "1단계"},
  {"Level 2", "2단계"},
  {"Level 3", "3단계"},
  {"Level 4", "4단계"},
  {"Level 5", "5단계"},
  {"Level 6", "6단계"},
  {"Level 7", "7단계"},

  // Categories, parameter and sub-field names, as the whole-drive table shows them
  {"Motor", "모터"},
  {"Motion", "모션"},
  {"Input and Output", "입출력"},
  {"Position Control", "위치 제어"},
  {"Communication", "통신"},
  {"Status", "상태"},
  {"Pulse Per Revolution", "회전당 펄스 수"},
  {"Motor Number", "모터 번호"},
  {"Maximum Speed", "최고 속도"},
  {"Acceleration Time", "가속 시간"},
  {"Deceleration Time", "감속 시간"},
  {"Speed Override", "속도 오버라이드"},
  {"Jog Speed", "조그 속도"},
  {"Jog Acceleration Time", "조그 가속 시간"},
  {"Origin Search Speed", "원점 복귀 속도"},
  {"Origin Search Method", "원점 복귀 방법"},
  {"Origin Offset", "원점 오프셋"},
  {"Origin Search Direction", "원점 복귀 방향"},
  {"Software Limit Plus", "소프트웨어 리밋 +"},
  {"Software Limit Minus", "소프트웨어 리밋 -"},
  {"Input Signal Active Level", "입력 신호 활성 레벨"},
  {"Alarm Reset Input Level", "알람 리셋 입력 레벨"},
  {"Enable Input Level", "인에이블 입력 레벨"},
  {"Limit Input Level", "리밋 입력 레벨"},
  {"Origin Input Level", "원점 입력 레벨"},
  {"Clear Input Level", "클리어 입력 레벨"},
  {"Output Signal Active Level", "출력 신호 활성 레벨"},
  {"Alarm Output Level", "알람 출력 레벨"},
  {"In-Position Output Level", "인포지션 출력 레벨"},
  {"Brake Output Level", "브레이크 출력 레벨"},
  {"Origin Found Output Level", "원점 검출 출력 레벨"},
  {"Motor Current Setting", "모터 전류 설정"},
  {"Run Current", "운전 전류"},
  {"Stop Current", "정지 전류"},
  {"Boost Current", "부스트 전류"},
  {"Motor Step Angle", "모터 스텝 각"},
  {"Encoder Resolution", "엔코더 분해능"},
  {"Position Error Limit", "위치 오차 한계"},
  {"Position Loop Option", "위치 루프 옵션"},
  {"In-Position Value", "인포지션 값"},
  {"In-Position Response Mode", "인포지션 응답 모드"},
  {"Position Correction Enable", "위치 보정 사용"},
  {"Position Correction Gain P", "위치 보정 비례 게인"},
  {"Position Correction Gain I", "위치 보정 적분 게인"},
  {"Position Correction Gain D", "위치 보정 미분 게인"},
  {"Stop Current Delay", "정지 전류 지연"},
  {"Brake Delay", "브레이크 지연"},
  {"Motor Direction", "모터 회전 방향"},
  {"Pulse Input Setting", "펄스 입력 설정"},
  {"Pulse Input Mode", "펄스 입력 방식"},
  {"Pulse Input Direction", "펄스 입력 방향"},
  {"Pulse Multiplier", "펄스 체배"},
  {"Pulse Input Filter", "펄스 입력 필터"},
  {"Pulse Input Resolution", "펄스 입력 분해능"},
  {"Input 1 Function", "입력 1 기능"},
  {"Input 2 Function", "입력 2 기능"},
  {"Input 3 Function", "입력 3 기능"},
  {"Input 4 Function", "입력 4 기능"},
  {"Input 5 Function", "입력 5 기능"},
  {"Input 6 Function", "입력 6 기능"},
  {"Input 7 Function", "입력 7 기능"},
  {"Input 8 Function", "입력 8 기능"},
  {"Input 9 Function", "입력 9 기능"},
  {"Input 10 Function", "입력 10 기능"},
  {"Output 1 Function", "출력 1 기능"},
  {"Output 2 Function", "출력 2 기능"},
  {"Output 3 Function", "출력 3 기능"},
  {"Output 4 Function", "출력 4 기능"},
  {"Output 5 Function", "출력 5 기능"},
  {"Output 6 Function", "출력 6 기능"},
  {"Preset Speed 0", "프리셋 속도 0"},
  {"Preset Speed 1", "프리셋 속도 1"},
  {"Preset Speed 2", "프리셋 속도 2"},
  {"Preset Speed 3", "프리셋 속도 3"},
  {"Preset Speed 4", "프리셋 속도 4"},
  {"Preset Speed 5", "프리셋 속도 5"},
  {"Preset Speed 6", "프리셋 속도 6"},
  {"Preset Speed 7", "프리셋 속도 7"},
  {"Preset Speed 8", "프리셋 속도 8"},
  {"Preset Speed 9", "프리셋 속도 9"},
  {"Preset Speed 10", "프리셋 속도 10"},
  {"Preset Speed 11", "프리셋 속도 11"},
  {"Preset Speed 12", "프리셋 속도 12"},
  {"Preset Speed 13", "프리셋 속도 13"},
  {"Preset Speed 14", "프리셋 속도 14"},
  {"Preset Speed 15", "프리셋 속도 15"},
  {"Drive ID", "드라이브 번호"},
  {"Communication Speed", "통신 속도"},
  {"Response Delay", "응답 지연"},
  {"Alarm Code", "알람 코드"},
  {"Alarm History 1", "알람 이력 1"},
  {"Alarm History 2", "알람 이력 2"},
  {"Alarm History 3", "알람 이력 3"},
  {"Alarm History 4", "알람 이력 4"},
  {"Alarm History 5", "알람 이력 5"},
  {"Operating Time", "운전 시간"},
  {"Drive Temperature", "드라이브 온도"},
  {"Bus Voltage", "버스 전압"},
  {"Firmware Checksum", "펌웨어 체크섬"},
};
// clang-format on

// The whole-drive table looks up every name of a description at once, which may
// hold thousands: a scan of the table for each would be quadratic.
const std::unordered_map<std::string_view, const char*>& KoreanByEnglish() {
  static const auto* const kMap = [] {
    auto* built = new std::unordered_map<std::string_view, const char*>();
    for (const Entry& entry : kTable) built->emplace(entry.english, entry.korean);
    return built;
  }();
  return *kMap;
}

}  // namespace

std::string DescriptionText(const std::string& english, Language language) {
  if (language != Language::Korean) return english;
  const auto& map = KoreanByEnglish();
  if (const auto found = map.find(english); found != map.end()) return std::string(found->second);
  // A label outside its row is shown without the row's " :" (ParamLabel), and is
  // the same label.
  constexpr std::string_view kRowColon = " :";
  const std::string withColon = english + std::string(kRowColon);
  if (const auto found = map.find(withColon); found != map.end()) {
    const std::string_view korean = found->second;
    if (korean.ends_with(kRowColon)) return std::string(korean.substr(0, korean.size() - kRowColon.size()));
  }
  return english;
}

std::string DescriptionText(const std::string& english) { return DescriptionText(english, CurrentLanguage()); }

std::vector<std::pair<std::string, std::string>> AllDescriptionTexts() {
  std::vector<std::pair<std::string, std::string>> all;
  for (const Entry& entry : kTable) all.emplace_back(entry.english, entry.korean);
  return all;
}

std::string ShownText(const std::string& fileText) {
  const std::string translated = DescriptionText(fileText);
  return translated == fileText ? DisplayText(fileText) : translated;
}

}  // namespace res
