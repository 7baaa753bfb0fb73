#pragma once
// The parameter description model: which parameters a drive has, their sub-fields,
// the categories, and the entries of the user parameter form, read from one XML
// description file. Each front end owns the models it needs; a model owns every node and
// hands out pointers that stay valid until the next Load or Clear.

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "params/ParamNode.h"
#include "params/UserViewData.h"

class TiXmlDocument;

class CCategoryNode {
 public:
  virtual ~CCategoryNode() = default;
  // Reads a `category` element; false when `index` is missing or no number, or
  // `name` is missing.
  bool LoadXml(const TiXmlNode* node);
  int32_t GetIndex() const { return m_index; }
  const std::string& GetName() const { return m_name; }

 private:
  int32_t m_index = 0;
  std::string m_name;
};

class CParamDescFile {
 public:
  CParamDescFile() = default;
  virtual ~CParamDescFile() = default;
  CParamDescFile(const CParamDescFile&) = delete;
  CParamDescFile& operator=(const CParamDescFile&) = delete;

  // Reads a description file named relative to the folder of the description
  // files (res::DataFolder: beside the program, or the installed share folder;
  // ".\\x.xml" and "./x.xml" both name x.xml there; the current directory plays no part).
  // The previous model is gone whatever the outcome: true means the new file was
  // read and holds at least one parameter; false leaves no model at all.
  bool Load(const std::string& name);
  // The same reading over a document held in memory.
  bool LoadText(const std::string& xml);
  void Clear();
  bool IsLoaded() const { return m_loaded; }
  // Changes whenever the nodes are freed (every Load and Clear), so a caller that
  // let the event loop run can tell whether the pointers it holds are still good.
  unsigned GetGeneration() const { return m_generation; }

  // First parameter in file order with that address, or nullptr.
  CParamNode* FindParam(int32_t address) const;
  // The sub-field at `offset` of the parameter at `address`, or nullptr.
  CNestedNode* FindNested(int32_t address, int32_t offset) const;

  unsigned GetUserViewCount() const { return static_cast<unsigned>(m_userView.size()); }
  // The entry at that position in file order, or nullptr past the end.
  CUserViewData* GetUserViewData(unsigned position) const;

  size_t GetParamCount() const { return m_params.size(); }
  const CParamNode* GetParam(size_t position) const {
    return position < m_params.size() ? m_params[position].get() : nullptr;
  }
  size_t GetCategoryCount() const { return m_categories.size(); }
  const CCategoryNode* GetCategory(size_t position) const {
    return position < m_categories.size() ? m_categories[position].get() : nullptr;
  }
  const std::string& GetTypeText() const { return m_type; }
  // The file the last Load read or tried to read, for messages; empty before any.
  const std::string& GetPath() const { return m_path; }
  const std::string& GetVersionText() const { return m_version; }
  // Why the last load failed, naming the element and its line, when the file was
  // read but describes something no drive value can be (sub-fields that overlap or
  // leave the 32 bits, a parameter described twice, a number that is no whole
  // decimal number or does not fit its field, min above max, a user view entry
  // naming no parameter or bit);
  // empty otherwise.
  const std::string& GetLoadError() const { return m_loadError; }

 private:
  // Loads from a buffer of its own, which it folds and pads in place.
  bool LoadBytes(std::string bytes);
  bool ReadDocument(const TiXmlDocument& document);
  // False, with m_loadError set, when the element's numbers do not fit.
  bool CheckParam(const TiXmlElement* element, const CParamNode& param);
  bool CheckNested(const TiXmlElement* element, const CParamNode& param, const CNestedNode& nested,
                   const std::vector<std::pair<uint32_t, int>>& taken);
  bool CheckViewEntry(const TiXmlElement* element, const CUserViewData& entry);
  // Every number an element holds, looked at before the element is read: a whole
  // decimal number within [lowest, highest] (the widest range a field may take
  // when its own check follows), or false with m_loadError naming the line and
  // the attribute. An absent attribute is left to the element's reader.
  struct NumberRule {
    const char* attribute;
    int64_t lowest;
    int64_t highest;
  };
  bool CheckNumbers(const TiXmlElement* element, std::initializer_list<NumberRule> rules);
  // The numbers of a user view item: its address and bit, and every choice's value.
  bool CheckViewNumbers(const TiXmlElement* item);
  // `shown` names the number as the file writes it, for the message.
  bool CheckNumber(const TiXmlElement* element, const std::string& shown, const char* text, int64_t lowest,
                   int64_t highest);
  bool Refuse(const TiXmlElement* element, int textId, std::vector<std::string> arguments);

  bool m_loaded = false;
  unsigned m_generation = 0;
  std::string m_path;
  std::string m_type;
  std::string m_version;
  std::string m_loadError;
  std::deque<std::unique_ptr<CCategoryNode>> m_categories;
  std::deque<std::unique_ptr<CParamNode>> m_params;
  std::deque<std::unique_ptr<CUserViewData>> m_userView;
};
