#include "params/ParamDescFile.h"

#include <tinyxml.h>

#include <cstdio>
#include <string_view>

#include "resources/Paths.h"

namespace {

// TinyXML parses and deletes elements recursively, so a document nested deeply
// enough exhausts the stack. Real descriptions are a handful of levels deep;
// anything near this limit is not a description file.
constexpr size_t kMaxNesting = 256;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t SkipPast(std::string_view text, size_t from, std::string_view terminator) {
  const size_t found = text.find(terminator, from);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

// Whether the element nesting of `bytes` stays within `limit`, judged the way
// TinyXML will read the bytes: up to the first NUL, comments, CDATA, declarations
// and DTD parts skipped, quoted attribute values skipped. Wherever the scan and
// TinyXML could disagree the scan ends a construct no later than TinyXML does, so
// it can count more levels than TinyXML will reach, never fewer.
bool NestingWithin(std::string_view bytes, size_t limit) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  size_t depth = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    if (text.compare(i, 4, "<!--") == 0) {
      i = SkipPast(text, i + 4, "-->");
    } else if (text.compare(i, 9, "<![CDATA[") == 0) {
      i = SkipPast(text, i + 9, "]]>");
    } else if (i + 1 < text.size() && (text[i + 1] == '!' || text[i + 1] == '?')) {
      i = SkipPast(text, i + 2, ">");
    } else if (i + 1 < text.size() && text[i + 1] == '/') {
      if (depth > 0) --depth;
      i = SkipPast(text, i + 2, ">");
    } else {
      // A start tag: find its end, stepping over quoted attribute values.
      size_t j = i + 1;
      bool selfClosing = false;
      while (j < text.size() && text[j] != '>') {
        if (text[j] == '=') {
          size_t k = j + 1;
          while (k < text.size() && IsSpace(text[k])) ++k;
          if (k < text.size() && (text[k] == '"' || text[k] == '\'')) {
            const size_t close = text.find(text[k], k + 1);
            j = close == std::string_view::npos ? text.size() : close + 1;
            continue;
          }
        }
        ++j;
      }
      if (j < text.size() && j > i + 1 && text[j - 1] == '/') selfClosing = true;
      if (!selfClosing && ++depth > limit) return false;
      i = j < text.size() ? j + 1 : text.size();
    }
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
  const auto index = paramxml::ParseDecimalAttribute(element->Attribute("index"));
  if (!index) return false;
  m_index = *index;
  auto name = paramxml::AttributeText(element, "name");
  if (!name) return false;
  m_name = std::move(*name);
  return true;
}

CParamDescFile& CParamDescFile::GetInstance() {
  static CParamDescFile instance;
  return instance;
}

bool CParamDescFile::Load(const std::string& name) {
  // The old model goes first, so a file that fails leaves none behind.
  Clear();
  const std::string path = res::PathBesideProgram(name);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::string bytes;
  char buffer[65536];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) return false;

  TiXmlDocument document;
  if (!Parse(document, bytes)) return false;
  m_loaded = ReadDocument(document);
  if (!m_loaded) Clear();
  return m_loaded;
}

bool CParamDescFile::LoadText(const std::string& xml) {
  Clear();
  TiXmlDocument document;
  if (!Parse(document, xml)) return false;
  m_loaded = ReadDocument(document);
  if (!m_loaded) Clear();
  return m_loaded;
}

bool CParamDescFile::Parse(TiXmlDocument& document, const std::string& bytes) {
  if (bytes.empty() || !NestingWithin(bytes, kMaxNesting)) return false;
  // TinyXML's stream reader does the line-end folding (CR LF and lone CR to LF)
  // that its in-memory parser lacks, so the bytes are handed over as a stream.
  // In UTF-8 mode TinyXML steps over a whole multi-byte sequence even when the
  // text ends inside it, landing past its own terminator; the NUL bytes added
  // here keep every such step, and the reading after it, inside the buffer.
  std::string copy;
  copy.reserve(bytes.size() + 4);
  copy.append(bytes).append(4, '\0');
  FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
  if (stream == nullptr) return false;
  const bool parsed = document.LoadFile(stream);
  std::fclose(stream);
  return parsed && !document.Error();
}

bool CParamDescFile::ReadDocument(const TiXmlDocument& document) {
  const TiXmlElement* description = document.FirstChildElement("description");
  if (description == nullptr) return false;
  const TiXmlElement* info = description->FirstChildElement("info");
  if (info == nullptr) return false;
  m_type = ChildText(info, "type");
  m_version = ChildText(info, "ver");

  WalkList(description->FirstChildElement("categories"), "category",
           [this](const TiXmlElement* element) {
             auto category = std::make_unique<CCategoryNode>();
             if (category->LoadXml(element)) m_categories.push_back(std::move(category));
           });

  const TiXmlElement* parameters = description->FirstChildElement("parameters");
  if (parameters == nullptr || parameters->FirstChildElement("param") == nullptr) return false;
  WalkList(parameters, "param", [this](const TiXmlElement* element) {
    auto param = std::make_unique<CParamNode>();
    if (!param->LoadXml(element)) return;
    WalkList(element, "nested", [&param](const TiXmlElement* nestedElement) {
      auto nested = std::make_unique<CNestedNode>();
      if (!nested->LoadXml(nestedElement)) return;
      nested->SetAddress(param->GetAddress());
      nested->SetCategory(param->GetCategory());
      param->AddNested(std::move(nested));
    });
    m_params.push_back(std::move(param));
  });
  if (m_params.empty()) return false;

  WalkList(description->FirstChildElement("user_view"), "item",
           [this](const TiXmlElement* element) {
             auto entry = std::make_unique<CUserViewData>();
             if (entry->LoadXml(element)) m_userView.push_back(std::move(entry));
           });
  return true;
}

void CParamDescFile::Clear() {
  m_categories.clear();
  m_params.clear();
  m_userView.clear();
  m_type.clear();
  m_version.clear();
  m_loaded = false;
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
