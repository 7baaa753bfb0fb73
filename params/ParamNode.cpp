#include "params/ParamNode.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace paramxml {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::optional<int64_t> ParseWholeNumber(const char* text) {
  if (text == nullptr) return std::nullopt;
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') return std::nullopt;
  constexpr int64_t kStop = int64_t{1} << 40;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= kStop) magnitude = magnitude * 10 + (*p - '0');
  }
  while (IsSpace(*p)) ++p;
  if (*p != '\0') return std::nullopt;
  return negative ? -magnitude : magnitude;
}

std::optional<int32_t> ParseWhole32(const char* text) {
  const std::optional<int64_t> wide = ParseWholeNumber(text);
  if (!wide) return std::nullopt;
  return static_cast<int32_t>(std::clamp<int64_t>(*wide, INT32_MIN, INT32_MAX));
}

std::optional<bool> QueryBool(const TiXmlElement* element, const char* name) {
  const char* text = element->Attribute(name);
  // TinyXML asserts (and so ends the program) when it compares an empty text, so
  // an empty value is judged here: it is no boolean.
  if (text == nullptr || *text == '\0') return std::nullopt;
  bool value = false;
  if (element->QueryBoolAttribute(name, &value) != TIXML_SUCCESS) return std::nullopt;
  return value;
}

std::optional<std::string> AttributeText(const TiXmlElement* element, const char* name) {
  const char* text = element->Attribute(name);
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

std::string ElementText(const TiXmlElement* element) {
  const char* text = element != nullptr ? element->GetText() : nullptr;
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace paramxml

bool CParamInterface::LoadXml(const TiXmlNode* node) { return false; }

void CParamInterface::CopyFrom(const CParamInterface& other) {
  if (&other == this) return;
  m_nested = other.m_nested;
  m_address = other.m_address;
  m_category = other.m_category;
  m_offset = other.m_offset;
  m_size = other.m_size;
  m_readOnly = other.m_readOnly;
  m_hidden = other.m_hidden;
  m_reserved = other.m_reserved;
  m_unit = other.m_unit;
  m_unsigned = other.m_unsigned;
  m_hasMinimum = other.m_hasMinimum;
  m_hasMaximum = other.m_hasMaximum;
  m_minimum = other.m_minimum;
  m_maximum = other.m_maximum;
  m_name = other.m_name;
  m_comment = other.m_comment;
}

bool CParamInterface::LoadCommon(const TiXmlElement* element) {
  using namespace paramxml;
  // One walk over the attributes instead of a search for each name asked for: most
  // are absent, and a search for an absent one walks them all. TinyXML refuses an
  // element with a repeated attribute, so the one found is the first.
  const char *readOnly = nullptr, *userRo = nullptr, *hidden = nullptr, *reserved = nullptr, *isSigned = nullptr;
  const char *unit = nullptr, *minimumText = nullptr, *maximumText = nullptr, *comment = nullptr, *name = nullptr;
  const std::pair<const char*, const char**> wanted[] = {
      {"name", &name},         {"min", &minimumText}, {"max", &maximumText}, {"unit", &unit},
      {"readonly", &readOnly}, {"userro", &userRo},   {"hidden", &hidden},   {"reserved", &reserved},
      {"signed", &isSigned},   {"comment", &comment}};
  for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
    for (const auto& [key, value] : wanted) {
      if (std::strcmp(attribute->Name(), key) == 0) {
        *value = attribute->Value();
        break;
      }
    }
  }
  // Booleans are read by TinyXML's own rules, asked only of those present.
  const auto boolean = [element](const char* present, const char* key) {
    return present ? QueryBool(element, key) : std::nullopt;
  };
  if (const auto value = boolean(readOnly, "readonly")) m_readOnly = *value;
  // `userro` can only add protection, never lift what `readonly` set.
  if (boolean(userRo, "userro").value_or(false)) m_readOnly = true;
  if (const auto value = boolean(hidden, "hidden")) m_hidden = *value;
  if (const auto value = boolean(reserved, "reserved")) m_reserved = *value;
  if (unit) m_unit = unit;
  if (const auto value = boolean(isSigned, "signed")) m_unsigned = !*value;

  // An absent limit is no limit; one that is no number is no limit either, but
  // saying so would let "abc" pass as "anything goes": the element is rejected.
  const auto minimum = ParseWhole32(minimumText);
  const auto maximum = ParseWhole32(maximumText);
  if ((minimumText && !minimum) || (maximumText && !maximum)) return false;
  m_hasMinimum = minimum.has_value();
  if (minimum) m_minimum = *minimum;
  m_hasMaximum = maximum.has_value();
  if (maximum) m_maximum = *maximum;

  if (comment) m_comment = comment;
  if (!name) return false;
  m_name = name;
  return true;
}

bool CParamNode::LoadXml(const TiXmlNode* node) {
  const TiXmlElement* element = node != nullptr ? node->ToElement() : nullptr;
  if (element == nullptr) return false;
  m_nested = false;
  const auto address = paramxml::ParseWhole32(element->Attribute("address"));
  if (!address) return false;
  m_address = *address;
  const char* category = element->Attribute("category");
  const auto categoryNumber = paramxml::ParseWhole32(category);
  if (category && !categoryNumber) return false;
  m_category = categoryNumber.value_or(0);
  return LoadCommon(element);
}

CNestedNode* CParamNode::FindNested(int32_t offset) const {
  for (const auto& nested : m_nestedList) {
    if (nested->GetOffset() == offset) return nested.get();
  }
  return nullptr;
}

void CParamNode::AddNested(std::unique_ptr<CNestedNode> nested) {
  if (nested) m_nestedList.push_back(std::move(nested));
}

bool CNestedNode::LoadXml(const TiXmlNode* node) {
  const TiXmlElement* element = node != nullptr ? node->ToElement() : nullptr;
  if (element == nullptr) return false;
  m_nested = true;
  const auto offset = paramxml::ParseWhole32(element->Attribute("offset"));
  if (!offset || *offset < 0 || *offset > 31) return false;
  m_offset = *offset;
  const auto size = paramxml::ParseWhole32(element->Attribute("size"));
  if (!size) return false;
  m_size = *size;
  return LoadCommon(element);
}

namespace {

// The field's bits before shifting, or 0 when the field holds no bit of the value.
uint32_t FieldMask(const CParamInterface* node) {
  if (node == nullptr) return 0;
  const int32_t size = node->GetSize();
  const int32_t offset = node->GetOffset();
  if (size <= 0 || offset < 0 || offset > 31) return 0;
  return size >= 32 ? 0xFFFFFFFFu : (1u << size) - 1u;
}

}  // namespace

int32_t ExtractNestedValue(int32_t raw, const CParamInterface* node) {
  const uint32_t mask = FieldMask(node);
  if (mask == 0) return 0;
  // Arithmetic shift: a field reaching past bit 31 reads copies of bit 31 there.
  uint32_t value = static_cast<uint32_t>(raw >> node->GetOffset()) & mask;
  const int32_t width = node->GetSize() >= 32 ? 32 : node->GetSize();
  // A one-bit field stays 0 or 1 even when signed.
  if (!node->IsUnsigned() && width > 1 && ((value >> (width - 1)) & 1u) != 0) {
    value |= ~mask;
  }
  return static_cast<int32_t>(value);
}

int32_t InsertNestedValue(int32_t raw, const CParamInterface* node, int32_t value) {
  const uint32_t mask = FieldMask(node);
  if (mask == 0) return raw;
  const int offset = node->GetOffset();
  const uint32_t placed = mask << offset;  // bits beyond bit 31 fall away
  const uint32_t result = ((static_cast<uint32_t>(value) << offset) & placed) | (static_cast<uint32_t>(raw) & ~placed);
  return static_cast<int32_t>(result);
}
