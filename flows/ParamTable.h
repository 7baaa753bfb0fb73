#pragma once
// The rows of the whole-drive table, made from a description: a heading per
// category, every parameter not marked hidden beneath it, and a parameter's
// sub-fields as rows beneath the parameter. A row keeps copies of what it shows,
// so nothing it holds dangles when the description is loaded again; values come
// from a source (the link's cache, a file's entries) when a row is drawn.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "flows/ParamAccess.h"
#include "params/ParamNode.h"

class CParamDescFile;
class CVcmCommand;
struct DpfEntry;

// Where the table's values come from.
class CParamValueSource {
 public:
  virtual ~CParamValueSource() = default;
  // The whole parameter's value, or none when it is not known.
  virtual std::optional<int32_t> Whole(int32_t address) const = 0;
  // A sub-field's value held apart from its parameter (a file of the form's rows
  // stores sub-fields on their own); none: the table takes it from the whole value.
  virtual std::optional<int32_t> Field(const ParamRef& ref) const {
    (void)ref;
    return std::nullopt;
  }
};

// The values the drive gave on this link: its cache.
class CLinkValues : public CParamValueSource {
 public:
  explicit CLinkValues(const CVcmCommand& link) : m_link(link) {}
  std::optional<int32_t> Whole(int32_t address) const override;

 private:
  const CVcmCommand& m_link;
};

// The entries of a drive parameter file.
class CFileValues : public CParamValueSource {
 public:
  explicit CFileValues(const std::vector<DpfEntry>& entries);
  std::optional<int32_t> Whole(int32_t address) const override;
  std::optional<int32_t> Field(const ParamRef& ref) const override;

 private:
  std::unordered_map<int32_t, int32_t> m_whole;
  std::unordered_map<int64_t, int32_t> m_fields;
};

enum class RowKind { Category, Param, Field };

struct ParamRow {
  RowKind kind = RowKind::Param;
  ParamRef ref;
  std::string refText;  // "16", "16.4"; empty for a heading
  std::string name;     // in the language shown
  std::string unit;
  std::string limits;  // "0 to 15"; empty when the description sets none
  std::string comment;
  bool readOnly = false;  // the description marks it (or its parameter) read-only
  bool editable = false;  // a value may be typed into it: see CParamTable::Build
  bool hasLimits = false;
  int64_t lowest = 0, highest = 0;
  std::vector<std::pair<int32_t, std::string>> choices;  // the user view's list, shown texts
  size_t parent = 0;                                     // the heading or parameter above it (itself for a heading)
  // What the search box matches, made once: the English name in lower case and
  // the Korean name (empty when it has none).
  std::string englishKey, koreanKey;
  // Set by a comparison with a file: the file's value and whether it differs.
  std::optional<int32_t> fileValue;
  bool differs = false;
  const CNestedNode* field = nullptr;  // a sub-field's bits, owned by the table
};

// What the value column shows of a row.
struct ValueCell {
  std::string text;  // the list's text for a value it lists, else the number
  std::optional<int32_t> value;
  bool outside = false;  // outside the limits or the list: shown as its number, marked
};

class CParamTable {
 public:
  // Rows for every category, then parameters whose category the description does
  // not list under one heading of their own. Parameters with sub-fields are
  // read-only themselves (their sub-fields are edited); read-only, reserved and
  // Status rows are never editable.
  void Build(const CParamDescFile& model);
  void Clear();

  size_t Size() const { return m_rows.size(); }
  const ParamRow& Row(size_t index) const { return m_rows[index]; }
  ParamRow& Row(size_t index) { return m_rows[index]; }
  // The row of a parameter or sub-field, found without a search of the rows.
  std::optional<size_t> Find(const ParamRef& ref) const;
  // The parameters in table order (each once), for reads and saves.
  std::vector<int32_t> ParamAddresses() const;

  // The rows to show: those matching `filter` (a name in English or Korean, any
  // case, or the start of a parameter reference) with the rows above them, and
  // with `differingOnly`, only rows a comparison marked. A matching heading or
  // parameter brings the rows beneath it.
  std::vector<size_t> Visible(const std::string& filter, bool differingOnly) const;

  ValueCell Value(size_t index, const CParamValueSource& values) const;
  // Forgets the marks of a comparison.
  void ClearMarks();

 private:
  std::vector<ParamRow> m_rows;
  std::unordered_map<int64_t, size_t> m_byRef;
  std::deque<CNestedNode> m_fields;
};

// The key of a reference in the table's maps.
int64_t RefKey(const ParamRef& ref);
// The value text of a value the row lists, else its number; `outside` says whether
// it lies outside the row's limits or list.
ValueCell ValueCellOf(const ParamRow& row, std::optional<int32_t> value);
