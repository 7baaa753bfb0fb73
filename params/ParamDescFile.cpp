#include "params/ParamDescFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>

#include "params/OwnStack.h"
#include "platform/FileSystem.h"
#include "resources/FileFaults.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// TinyXML parses and deletes elements recursively, one pair of stack frames per
// level of nesting, so a document nested deeply enough exhausts a normal stack.
// The document is therefore read on a stack of its own that fits the deepest nesting
// the bytes could hold: every element TinyXML reads starts at a '<' followed by a
// name character, so their count bounds the depth. A level takes about 250 bytes.
constexpr size_t kStackPerElement = 1024;
constexpr size_t kStackBase = size_t{1024} * 1024;
// No description comes near this; beyond it the stack would not be worth reserving.
constexpr size_t kMaxElements = 1000000;
// NUL bytes after the text; see LoadBytes.
constexpr size_t kPadding = 4;

size_t CountElementStarts(std::string_view bytes) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  size_t count = 0;
  for (size_t i = text.find('<'); i != std::string_view::npos && i + 1 < text.size(); i = text.find('<', i + 1)) {
    const unsigned char next = static_cast<unsigned char>(text[i + 1]);
    // TinyXML's own test: an ASCII letter, '_', or any byte from 127 up.
    if ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '_' || next >= 127) {
      ++count;
    }
  }
  return count;
}

// TinyXML also takes time that grows with the square of the nesting depth (a
// few thousand levels take seconds), so documents nested past any plausible
// description are turned away before parsing. This scan follows TinyXML's split
// into comments, CDATA, other markup and tags closely enough for real files;
// bytes crafted to split differently can only make the parse slow, never unsafe,
// since the stack above is sized from the hard bound.
constexpr size_t kMaxNesting = 256;

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 127; }

// White space as TinyXML may see it; locale-dependent and byte-order-mark bytes
// included, since taking too much here only finds a quote TinyXML rejects.
bool MaybeSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c >= 0x80; }

size_t SkipPast(std::string_view text, size_t from, std::string_view terminator) {
  const size_t found = text.find(terminator, from);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

bool NestingWithin(std::string_view bytes, size_t limit) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  size_t depth = 0;
  size_t i = text.find('<');
  while (i < text.size()) {
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (text.compare(i, 4, "<!--") == 0) {
      i = SkipPast(text, i + 4, "-->");
    } else if (text.compare(i, 9, "<![CDATA[") == 0) {
      i = SkipPast(text, i + 9, "]]>");
    } else if (next == '/') {
      if (depth > 0) --depth;
      i = SkipPast(text, i + 2, ">");
    } else if (!IsNameStart(next)) {
      i = SkipPast(text, i + 1, ">");  // declarations, DTD parts, stray '<'
    } else {
      // A start tag: its end is the first '>' outside quoted attribute values.
      size_t j = i + 1;
      while (j < text.size() && text[j] != '>') {
        if (text[j] == '=') {
          size_t k = j + 1;
          while (k < text.size() && MaybeSpace(static_cast<unsigned char>(text[k]))) ++k;
          if (k < text.size() && (text[k] == '"' || text[k] == '\'')) {
            const size_t close = text.find(text[k], k + 1);
            j = close == std::string_view::npos ? text.size() : close + 1;
            continue;
          }
        }
        ++j;
      }
      const bool selfClosing = j < text.size() && text[j - 1] == '/';
      if (!selfClosing && ++depth > limit) return false;
      i = j < text.size() ? j + 1 : text.size();
    }
    i = text.find('<', i);
  }
  return true;
}

// The list that starts at the parent's first element named `name` and runs through
// every later sibling element, whatever its name. Other nodes (XML comments, text)
// are no list members.
template <typename Visit>
void WalkList(const TiXmlNode* parent, const char* name, Visit visit) {
  const TiXmlElement* first = parent != nullptr ? parent->FirstChildElement(name) : nullptr;
  for (const TiXmlNode* node = first; node != nullptr; node = node->NextSibling()) {
    if (const TiXmlElement* element = node->ToElement()) visit(element);
  }
}

std::string ChildText(const TiXmlElement* parent, const char* name) {
  return paramxml::ElementText(parent->FirstChildElement(name));
}

}  // namespace

bool CCategoryNode::LoadXml(const TiXmlNode* node) {
  const TiXmlElement* element = node != nullptr ? node->ToElement() : nullptr;
  if (element == nullptr) return false;
  const auto index = paramxml::ParseWhole32(element->Attribute("index"));
  if (!index) return false;
  m_index = *index;
  auto name = paramxml::AttributeText(element, "name");
  if (!name) return false;
  m_name = std::move(*name);
  return true;
}

bool CParamDescFile::Load(const std::string& name) {
  // The old model goes first, so a file that fails leaves none behind.
  Clear();
  m_path = res::DataFilePath(name);
  // One buffer, sized once with room for the padding, read into and parsed from:
  // every copy of a large file costs its pages faulting in again.
  std::string bytes;
  const platform::ReadResult read = platform::ReadFile(m_path, bytes, UINT64_MAX, kPadding);
  if (read != platform::ReadResult::Ok) {
    m_loadError = res::ReadFaultText(read, UINT64_MAX);
    return false;
  }
  return LoadBytes(std::move(bytes));
}

bool CParamDescFile::LoadText(const std::string& xml) {
  m_path.clear();
  std::string bytes;
  bytes.reserve(xml.size() + kPadding);
  bytes.assign(xml);
  return LoadBytes(std::move(bytes));
}

bool CParamDescFile::LoadBytes(std::string bytes) {
  Clear();
  // TinyXML reads up to the first NUL. Its file reader folds line ends (CR LF and
  // lone CR to LF) and its in-memory parser does not: the folding is done here,
  // in place.
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));
  size_t kept = 0;
  for (size_t from = 0; from < bytes.size();) {
    const size_t cr = std::min(bytes.find('\r', from), bytes.size());
    if (kept != from) std::memmove(bytes.data() + kept, bytes.data() + from, cr - from);
    kept += cr - from;
    if (cr == bytes.size()) break;
    bytes[kept++] = '\n';
    from = cr + (cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? 2 : 1);
  }
  bytes.resize(kept);

  const size_t elements = CountElementStarts(bytes);
  if (bytes.empty() || elements > kMaxElements || !NestingWithin(bytes, kMaxNesting)) return false;
  // In UTF-8 mode TinyXML steps over a whole multi-byte sequence even when the
  // text ends inside it, landing past its own terminator; the NUL bytes added
  // here keep every such step, and the reading after it, inside the buffer.
  bytes.append(kPadding, '\0');
  bool loaded = false;
  // The document is made, read and destroyed on the roomy stack, on this thread.
  const auto work = [this, &bytes, &loaded] {
    TiXmlDocument document;
    document.Parse(bytes.c_str());
    loaded = !document.Error() && ReadDocument(document);
  };
  if (!RunOnOwnStack(kStackBase + elements * kStackPerElement, work)) loaded = false;
  m_loaded = loaded;
  if (!m_loaded) {
    std::string why = std::move(m_loadError);
    Clear();
    m_loadError = std::move(why);
  }
  return m_loaded;
}

bool CParamDescFile::ReadDocument(const TiXmlDocument& document) {
  const TiXmlElement* description = document.FirstChildElement("description");
  if (description == nullptr) return false;
  const TiXmlElement* info = description->FirstChildElement("info");
  if (info == nullptr) return false;
  m_type = ChildText(info, "type");
  m_version = ChildText(info, "ver");

  // Each check names the element and its line: a description that makes a
  // sub-field write over its neighbours, or a value that no field can hold, would
  // otherwise reach a drive as a wrong value reported as written.
  bool sound = true;
  WalkList(description->FirstChildElement("categories"), "category", [this, &sound](const TiXmlElement* element) {
    if (!sound) return;
    if (!CheckNumbers(element, {{"index", INT32_MIN, INT32_MAX}})) {
      sound = false;
      return;
    }
    auto category = std::make_unique<CCategoryNode>();
    if (category->LoadXml(element)) m_categories.push_back(std::move(category));
  });

  const TiXmlElement* parameters = description->FirstChildElement("parameters");
  if (!sound || parameters == nullptr || parameters->FirstChildElement("param") == nullptr) return false;
  std::map<int32_t, int> paramLines;
  WalkList(parameters, "param", [this, &sound, &paramLines](const TiXmlElement* element) {
    if (!sound) return;
    // Their ranges are checked once the parameter is read, naming it.
    if (!CheckNumbers(element, {{"address", INT64_MIN, INT64_MAX},
                                {"category", INT64_MIN, INT64_MAX},
                                {"min", INT64_MIN, INT64_MAX},
                                {"max", INT64_MIN, INT64_MAX}})) {
      sound = false;
      return;
    }
    auto param = std::make_unique<CParamNode>();
    if (!param->LoadXml(element)) return;
    const auto [first, added] = paramLines.emplace(param->GetAddress(), element->Row());
    if (!added) {
      sound =
          Refuse(element, ids::DescAddressTwice, {std::to_string(param->GetAddress()), std::to_string(first->second)});
      return;
    }
    if (!CheckParam(element, *param)) {
      sound = false;
      return;
    }
    std::vector<std::pair<uint32_t, int>> taken;  // bits of each sub-field so far, with its line
    WalkList(element, "nested", [this, &sound, &param, &taken](const TiXmlElement* nestedElement) {
      if (!sound) return;
      if (!CheckNumbers(nestedElement, {{"offset", 0, 31},
                                        {"size", INT64_MIN, INT64_MAX},
                                        {"min", INT64_MIN, INT64_MAX},
                                        {"max", INT64_MIN, INT64_MAX}})) {
        sound = false;
        return;
      }
      auto nested = std::make_unique<CNestedNode>();
      if (!nested->LoadXml(nestedElement)) return;
      nested->SetAddress(param->GetAddress());
      nested->SetCategory(param->GetCategory());
      if (!CheckNested(nestedElement, *param, *nested, taken)) {
        sound = false;
        return;
      }
      const uint64_t bits = ((uint64_t{1} << nested->GetSize()) - 1) << nested->GetOffset();
      taken.emplace_back(static_cast<uint32_t>(bits), nestedElement->Row());
      param->AddNested(std::move(nested));
    });
    m_params.push_back(std::move(param));
  });
  if (!sound || m_params.empty()) return false;

  WalkList(description->FirstChildElement("user_view"), "item", [this, &sound](const TiXmlElement* element) {
    if (!sound) return;
    if (!CheckViewNumbers(element)) {
      sound = false;
      return;
    }
    auto entry = std::make_unique<CUserViewData>();
    if (!entry->LoadXml(element)) return;
    if (!CheckViewEntry(element, *entry)) {
      sound = false;
      return;
    }
    m_userView.push_back(std::move(entry));
  });
  return sound;
}

bool CParamDescFile::Refuse(const TiXmlElement* element, int textId, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), std::to_string(element->Row()));
  m_loadError = res::FormatString(textId, arguments);
  return false;
}

bool CParamDescFile::CheckNumber(const TiXmlElement* element, const std::string& shown, const char* text,
                                 int64_t lowest, int64_t highest) {
  const std::optional<int64_t> value = paramxml::ParseWholeNumber(text);
  if (!value) return Refuse(element, ids::DescNotANumber, {shown});
  if (*value < lowest || *value > highest) {
    return Refuse(element, ids::DescNumberOutside, {shown, std::to_string(lowest), std::to_string(highest)});
  }
  return true;
}

bool CParamDescFile::CheckNumbers(const TiXmlElement* element, std::initializer_list<NumberRule> rules) {
  for (const NumberRule& rule : rules) {
    const char* text = element->Attribute(rule.attribute);
    if (text == nullptr) continue;
    if (!CheckNumber(element, std::string(rule.attribute) + "=\"" + text + "\"", text, rule.lowest, rule.highest)) {
      return false;
    }
  }
  return true;
}

bool CParamDescFile::CheckViewNumbers(const TiXmlElement* item) {
  const auto inElement = [this](const TiXmlElement* element, int64_t lowest, int64_t highest) {
    const std::string text = paramxml::ElementText(element);
    const std::string name = element->Value();
    return CheckNumber(element, "<" + name + ">" + text + "</" + name + ">", text.c_str(), lowest, highest);
  };
  const TiXmlElement* address = item->FirstChildElement("address");
  if (address == nullptr) return true;  // no entry: the item is passed over
  // The address's and the bit's ranges are checked with the entry, naming both.
  if (!inElement(address, INT64_MIN, INT64_MAX) || !CheckNumbers(address, {{"offset", INT64_MIN, INT64_MAX}})) {
    return false;
  }
  // The choices as the entry's reader walks them.
  for (const TiXmlNode* sibling = item->FirstChildElement("comment"); sibling; sibling = sibling->NextSibling()) {
    const TiXmlElement* choice = sibling->ToElement();
    const TiXmlElement* value = choice != nullptr ? choice->FirstChildElement("value") : nullptr;
    if (value != nullptr && !inElement(value, INT32_MIN, INT32_MAX)) return false;
  }
  return true;
}

namespace {

// A numeric attribute whose value lies outside [lowest, highest]: its text.
std::optional<std::string> OutsideRange(const TiXmlElement* element, const char* name, int64_t lowest,
                                        int64_t highest) {
  const char* text = element->Attribute(name);
  const std::optional<int64_t> value = paramxml::ParseWholeNumber(text);
  if (!value || (*value >= lowest && *value <= highest)) return std::nullopt;
  return std::string(text);
}

}  // namespace

bool CParamDescFile::CheckParam(const TiXmlElement* element, const CParamNode& param) {
  const std::string name = std::to_string(param.GetAddress());
  for (const char* attribute : {"address", "category", "min", "max"}) {
    if (const auto text = OutsideRange(element, attribute, INT32_MIN, INT32_MAX)) {
      return Refuse(element, ids::DescNumberTooBig, {attribute, *text, name});
    }
  }
  if (param.HasMinimum() && param.HasMaximum() && param.GetMinimum() > param.GetMaximum()) {
    return Refuse(element, ids::DescMinAboveMax,
                  {std::to_string(param.GetMinimum()), name, std::to_string(param.GetMaximum())});
  }
  return true;
}

bool CParamDescFile::CheckNested(const TiXmlElement* element, const CParamNode& param, const CNestedNode& nested,
                                 const std::vector<std::pair<uint32_t, int>>& taken) {
  const int32_t offset = nested.GetOffset();
  const int32_t size = nested.GetSize();
  const std::string address = std::to_string(param.GetAddress());
  const std::string name = address + "." + std::to_string(offset);
  if (size < 1 || size > 32 - offset || OutsideRange(element, "size", 1, 32)) {
    return Refuse(element, ids::DescFieldOutside32, {std::to_string(offset), address, element->Attribute("size")});
  }
  const uint32_t bits = static_cast<uint32_t>(((uint64_t{1} << size) - 1) << offset);
  for (const auto& [other, line] : taken) {
    if ((other & bits) != 0)
      return Refuse(element, ids::DescFieldsOverlap, {std::to_string(offset), address, std::to_string(line)});
  }
  // What the field's bits can hold; a one-bit field is 0 or 1 either way.
  const bool isSigned = !nested.IsUnsigned() && size > 1;
  const int64_t lowest = isSigned ? -(int64_t{1} << (size - 1)) : 0;
  const int64_t highest = isSigned ? (int64_t{1} << (size - 1)) - 1 : (int64_t{1} << size) - 1;
  for (const char* attribute : {"min", "max"}) {
    // A 32-bit unsigned field is kept in a signed 32-bit value like a parameter.
    const bool whole = size == 32;
    if (const auto text = OutsideRange(element, attribute, whole ? INT32_MIN : lowest, whole ? INT32_MAX : highest)) {
      return Refuse(element, ids::DescNumberTooBig, {attribute, *text, name});
    }
  }
  if (nested.HasMinimum() && nested.HasMaximum() && nested.GetMinimum() > nested.GetMaximum()) {
    return Refuse(element, ids::DescMinAboveMax,
                  {std::to_string(nested.GetMinimum()), name, std::to_string(nested.GetMaximum())});
  }
  return true;
}

bool CParamDescFile::CheckViewEntry(const TiXmlElement* element, const CUserViewData& entry) {
  // The entry keeps its address in 16 bits and its bit in 8: a larger number
  // would name another parameter or bit than the file says.
  const TiXmlElement* address = element->FirstChildElement("address");
  const std::optional<int64_t> number = paramxml::ParseWholeNumber(address->GetText());
  const std::optional<int64_t> bit = paramxml::ParseWholeNumber(address->Attribute("offset"));
  const bool addressFits = !number || (*number >= 0 && *number <= 0xFFFF);
  const bool bitFits = !entry.nested || (bit && *bit >= 0 && *bit <= 31);
  if (addressFits && bitFits) return true;
  const std::string named =
      paramxml::ElementText(address) + (entry.nested ? "." + std::string(address->Attribute("offset")) : "");
  m_loadError = res::FormatString(ids::DescViewBadRef, {std::to_string(address->Row()), named});
  return false;
}

void CParamDescFile::Clear() {
  m_loadError.clear();
  m_categories.clear();
  m_params.clear();
  m_userView.clear();
  m_type.clear();
  m_version.clear();
  m_loaded = false;
  ++m_generation;
}

CParamNode* CParamDescFile::FindParam(int32_t address) const {
  for (const auto& param : m_params) {
    if (param->GetAddress() == address) return param.get();
  }
  return nullptr;
}

CNestedNode* CParamDescFile::FindNested(int32_t address, int32_t offset) const {
  const CParamNode* param = FindParam(address);
  return param != nullptr ? param->FindNested(offset) : nullptr;
}

CUserViewData* CParamDescFile::GetUserViewData(unsigned position) const {
  return position < m_userView.size() ? m_userView[position].get() : nullptr;
}
