#pragma once
// Nodes of the parameter description: a whole drive parameter (CParamNode) and a
// bit sub-field of one (CNestedNode), with the conversion between a parameter's
// 32-bit value and a sub-field's value. Nodes hold descriptions only; values live
// in the drive link's parameter cache.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TiXmlNode;
class TiXmlElement;

// Value forms shared by every reader of the description file.
namespace paramxml {

// A number as a description writes it: a whole decimal number, with an optional
// sign and white space around it. Nothing for anything else ("0x1F", "1e1",
// "12abc", "O15", empty, absent): a number read by its leading digits would put a
// value in the model that the file does not hold. The magnitude stops growing past
// 2^40, so a number of any length is read and then found too large by its field.
std::optional<int64_t> ParseWholeNumber(const char* text);

// The same kept in 32 bits: out of range it stops at the nearest limit (the
// description reader refuses such a number before any node reads it).
std::optional<int32_t> ParseWhole32(const char* text);

// A boolean attribute as TinyXML's QueryBoolAttribute answers it (a leading
// "true", "yes" or "1" is true, else a leading "false", "no" or "0" is false, any
// case). Absent, empty or any other text gives nothing.
std::optional<bool> QueryBool(const TiXmlElement* element, const char* name);

// The attribute's text, or nothing when absent.
std::optional<std::string> AttributeText(const TiXmlElement* element, const char* name);

// The element's own text; empty when it has none.
std::string ElementText(const TiXmlElement* element);

}  // namespace paramxml

class CParamInterface {
 public:
  CParamInterface() = default;
  virtual ~CParamInterface() = default;
  CParamInterface(const CParamInterface&) = delete;
  CParamInterface& operator=(const CParamInterface&) = delete;

  // Fills a newly made node from its element; false rejects the element. The
  // base class describes nothing and rejects everything.
  virtual bool LoadXml(const TiXmlNode* node);
  virtual const std::string& GetName() const { return m_name; }
  virtual const std::string& GetUnit() const { return m_unit; }
  virtual const std::string& GetComment() const { return m_comment; }
  // Copies every described field; a parameter's sub-fields are not copied.
  virtual void CopyFrom(const CParamInterface& other);

  bool IsNested() const { return m_nested; }
  int32_t GetAddress() const { return m_address; }
  int32_t GetCategory() const { return m_category; }
  int32_t GetOffset() const { return m_offset; }
  int32_t GetSize() const { return m_size; }
  bool IsReadOnly() const { return m_readOnly; }
  bool IsHidden() const { return m_hidden; }
  bool IsReserved() const { return m_reserved; }
  bool IsUnsigned() const { return m_unsigned; }
  bool HasMinimum() const { return m_hasMinimum; }
  bool HasMaximum() const { return m_hasMaximum; }
  int32_t GetMinimum() const { return m_minimum; }
  int32_t GetMaximum() const { return m_maximum; }

  // A sub-field has no address or category of its own; the reader hands it its
  // parameter's after the sub-field was accepted.
  void SetAddress(int32_t address) { m_address = address; }
  void SetCategory(int32_t category) { m_category = category; }

 protected:
  // Everything a `param` and a `nested` element share, from `readonly` to `name`.
  bool LoadCommon(const TiXmlElement* element);

  bool m_nested = false;
  int32_t m_address = 0;
  int32_t m_category = 0;
  int32_t m_offset = 0;
  int32_t m_size = 0;
  bool m_readOnly = false;
  bool m_hidden = false;
  bool m_reserved = false;
  std::string m_unit;
  bool m_unsigned = true;
  bool m_hasMinimum = false;
  bool m_hasMaximum = false;
  int32_t m_minimum = 0;
  int32_t m_maximum = 0;
  std::string m_name;
  std::string m_comment;
};

class CNestedNode : public CParamInterface {
 public:
  CNestedNode() { m_nested = true; }
  // Reads a `nested` element. Offsets outside 0..31 are rejected: such a field
  // has no bit inside the parameter's value.
  bool LoadXml(const TiXmlNode* node) override;

  // For tests and tools that describe a field without a file.
  void SetField(int32_t offset, int32_t size, bool isUnsigned) {
    m_offset = offset;
    m_size = size;
    m_unsigned = isUnsigned;
  }
};

class CParamNode : public CParamInterface {
 public:
  // Reads a `param` element (its sub-fields are read by the description reader).
  bool LoadXml(const TiXmlNode* node) override;

  // The first sub-field in file order at that bit offset, or nullptr.
  CNestedNode* FindNested(int32_t offset) const;
  void AddNested(std::unique_ptr<CNestedNode> nested);
  size_t GetNestedCount() const { return m_nestedList.size(); }
  const CNestedNode* GetNested(size_t index) const {
    return index < m_nestedList.size() ? m_nestedList[index].get() : nullptr;
  }

 private:
  std::vector<std::unique_ptr<CNestedNode>> m_nestedList;
};

// The sub-field's value inside the raw 32-bit parameter value: `size` bits (at
// most 32) from bit `offset` up, filled from the left with copies of bit 31 when
// the field reaches past it, and sign-extended when the node is signed and wider
// than one bit. A size of 0 or less, or an offset outside 0..31, reads 0.
int32_t ExtractNestedValue(int32_t raw, const CParamInterface* node);

// The raw value with the sub-field's bits replaced by the low bits of `value`;
// bits above bit 31 are lost. A size of 0 or less, an offset outside 0..31 or a
// null node leaves the raw value unchanged.
int32_t InsertNestedValue(int32_t raw, const CParamInterface* node, int32_t value);
