#include "resources/DescriptionTexts.h"

#include <string_view>

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
};
// clang-format on

}  // namespace

std::string DescriptionText(const std::string& english, Language language) {
  if (language != Language::Korean) return english;
  for (const Entry& entry : kTable) {
    if (english == entry.english) return entry.korean;
  }
  // A label outside its row is shown without the row's " :" (ParamLabel), and is
  // the same label.
  constexpr std::string_view kRowColon = " :";
  for (const Entry& entry : kTable) {
    const std::string_view label = entry.english;
    const std::string_view korean = entry.korean;
    if (label.ends_with(kRowColon) && korean.ends_with(kRowColon) && label.substr(0, label.size() - 2) == english) {
      return std::string(korean.substr(0, korean.size() - 2));
    }
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
