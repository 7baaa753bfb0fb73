#include "params/UserViewData.h"

#include <tinyxml.h>

#include "params/ParamNode.h"

bool CUserViewData::LoadXml(const TiXmlNode* node) {
  using namespace paramxml;
  const TiXmlElement* item = node != nullptr ? node->ToElement() : nullptr;
  if (item == nullptr) return false;

  if (auto text = AttributeText(item, "display")) display = std::move(*text);

  const TiXmlElement* addressElement = item->FirstChildElement("address");
  if (addressElement == nullptr) return false;
  const auto addressNumber = ParseWhole32(addressElement->GetText());
  if (!addressNumber) return false;
  address = static_cast<uint16_t>(static_cast<uint32_t>(*addressNumber) & 0xFFFFu);

  const auto isNested = QueryBool(addressElement, "nested");
  if (!isNested) return false;
  nested = *isNested ? 1 : 0;

  const auto bitOffset = ParseWhole32(addressElement->Attribute("offset"));
  if (!bitOffset) return false;
  offset = static_cast<uint8_t>(static_cast<uint32_t>(*bitOffset) & 0xFFu);

  // The value and text carry over from one choice to the next: a choice without
  // `string` shows its value's text, one without `value` repeats the last value
  // and so adds nothing. Before any value was seen there is nothing to repeat, and
  // such a choice is skipped.
  int32_t value = 0;
  bool haveValue = false;
  std::string text;
  const TiXmlElement* first = item->FirstChildElement("comment");
  for (const TiXmlNode* sibling = first; sibling != nullptr; sibling = sibling->NextSibling()) {
    const TiXmlElement* choice = sibling->ToElement();
    if (choice == nullptr) continue;  // XML comments and loose text are no choices
    if (const TiXmlElement* valueElement = choice->FirstChildElement("value")) {
      const auto number = ParseWhole32(valueElement->GetText());
      if (!number) return false;
      text = ElementText(valueElement);
      value = *number;
      haveValue = true;
    }
    if (const TiXmlElement* stringElement = choice->FirstChildElement("string")) {
      text = ElementText(stringElement);
    }
    if (haveValue) choices.emplace(value, text);
  }
  return true;
}
