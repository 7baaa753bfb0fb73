#pragma once
// One line of the user parameter form: the parameter (or one of its sub-fields)
// it shows, its label and the value-to-text choices of its drop-down list.

#include <cstdint>
#include <map>
#include <string>

class TiXmlNode;

class CUserViewData {
 public:
  CUserViewData() = default;
  virtual ~CUserViewData() = default;

  // Reads an `item` element. False rejects it: no `address` child, a `nested`
  // attribute that is no boolean, or an address, `offset` or choice value that is
  // absent or not a whole decimal number.
  bool LoadXml(const TiXmlNode* node);

  // Callers read these directly.
  uint16_t address = 0;
  int nested = 0;  // 1: the entry shows the sub-field at `offset`
  uint8_t offset = 0;
  std::string display;                     // empty: label with the parameter's or sub-field's name
  std::map<int32_t, std::string> choices;  // ascending by value, one text each
};
