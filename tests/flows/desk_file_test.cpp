// Drive parameter files opened, checked, edited, saved and compared without a drive,
// against the descriptions the program ships.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flows/DeskFile.h"
#include "flows/DpfFlows.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kDefault = "QDS-2 ver.1.04.007.12 std";
constexpr const char* kQm71 = "QM71 ver.2.00.001.01";

std::string FileText(const std::string& version, const std::vector<std::string>& sections) {
  std::string text = "[TARGET]\r\nVER=" + version + "\r\n";
  for (const std::string& section : sections) text += section;
  return text;
}

std::string Entry(int n, int address, int nested, int offset, const std::string& value) {
  return "[PARAM" + std::to_string(n) + "]\r\nADDRESS=" + std::to_string(address) +
         "\r\nNESTED=" + std::to_string(nested) + "\r\nOFFSET=" + std::to_string(offset) + "\r\nVALUE=" + value +
         "\r\n";
}

class DeskFileTest : public ::testing::Test {
 protected:
  void SetUp() override { res::SetLanguage(res::Language::English); }

  // Opens a file written with `text`; the test fails when it does not open.
  void Open(CDeskFile& file, const std::string& text, const std::string& name = "desk.dpf") {
    ASSERT_TRUE(dir.Write(name, text));
    std::string why;
    ASSERT_EQ(Outcome::Done, file.Open(dir.File(name), &why)) << why;
  }

  TempDir dir;
};

TEST_F(DeskFileTest, DescriptionFollowsTheFilesModel) {
  // Maximum Speed (2) reaches 4000 rpm on the QM71 and 3000 on the other model.
  for (const auto& [version, refused] : {std::pair{kDefault, true}, std::pair{kQm71, false}}) {
    CDeskFile file;
    std::string why;
    ASSERT_EQ(Outcome::Done, file.New(version, &why)) << why;
    EXPECT_EQ(refused, file.Set({2, false, 0}, 3500).has_value()) << version;
    EXPECT_EQ(file.Model().FindParam(2)->GetMaximum(), refused ? 3000 : 4000);
  }
  CDeskFile file;
  std::string why;
  EXPECT_EQ(Outcome::BadInput, file.New("no model here", &why));
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(DeskFileTest, CheckListsEveryFaultWithItsEntry) {
  CDeskFile file;
  Open(file, FileText(kDefault, {
                                    Entry(0, 21, 0, 0, "99"),   // In-Position Value: 0 to 15
                                    Entry(1, 500, 0, 0, "1"),   // no such parameter
                                    Entry(2, 16, 1, 4, "abc"),  // no number
                                    Entry(3, 16, 1, 4, "11"),   // Stop Current: 0 to 10
                                    Entry(4, 16, 0, 0, "0"),    // whole: Run Current 0, below 1
                                    Entry(5, 14, 2, 0, "1"),    // NESTED neither 0 nor 1
                                    Entry(6, 21, 0, 3, "1"),    // a whole value with an offset
                                    "[PARAM7]\r\nADDRESS=22\r\nNESTED=0\r\nOFFSET=0\r\n",  // no VALUE
                                    Entry(9, 14, 0, 0, "33"),  // bit 5 of 14: no sub-field (warning)
                                    Entry(10, 17, 0, 0, "1"),  // read-only
                                    Entry(11, 29, 0, 0, "1"),  // sound
                                }));
  struct Expected {
    const char* entry;
    const char* words;
    bool warning;
  };
  const Expected expected[] = {
      {"PARAM1", "not in the parameter description", false},
      {"PARAM2", "not a whole decimal number", false},
      {"PARAM5", "NESTED=2", false},
      {"PARAM6", "OFFSET must be 0", false},
      {"PARAM7", "no value for VALUE", false},
      {"PARAM8", "is missing", false},
      {"PARAM0", "99 is not a value of parameter 21", false},
      {"PARAM3", "11 is not a value of parameter 16.4", false},
      {"PARAM4", "Run Current", false},
      {"PARAM10", "read-only", false},
      {"PARAM9", "bits 5", true},
  };
  const std::vector<DpfFault> faults = file.Check();
  ASSERT_EQ(std::size(expected), faults.size());
  for (size_t i = 0; i < faults.size(); ++i) {
    // Entries are named as the file numbers them, also after one that could not be read.
    const std::string entry = expected[i].entry;
    EXPECT_EQ(entry, faults[i].entry) << faults[i].text;
    EXPECT_NE(std::string::npos, faults[i].text.find(expected[i].words)) << faults[i].text;
    EXPECT_EQ(expected[i].warning, faults[i].warning) << faults[i].text;
  }
  // Load File refuses at the first of them, with the same words.
  CParamDescFile model;
  ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
  std::vector<DpfEntry> entries;
  std::string version, first;
  EXPECT_EQ(Outcome::FileError, CheckParamFile(dir.File("desk.dpf"), model, &entries, &version, &first));
  EXPECT_EQ(faults.front().text, first);
  EXPECT_TRUE(entries.empty());

  // A gap is one fault however many numbers it skips (this once listed four million).
  dir.Write("far.dpf",
            "[TARGET]\r\nVER=QDS-2 ver.1.04.007.12 std\r\n[PARAM0]\r\nADDRESS=21\r\nNESTED=0\r\n"
            "OFFSET=0\r\nVALUE=3\r\n[PARAM4294961]\r\nADDRESS=22\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n");
  EXPECT_EQ(Outcome::FileError, CheckParamFile(dir.File("far.dpf"), model, &entries, &version, &first));
  EXPECT_EQ(res::FormatString(ids::DpfGap, {"PARAM1"}), first);
}

TEST_F(DeskFileTest, EditsStayWithinLimitsAndMarkGuardedRaises) {
  CDeskFile file;
  Open(file, FileText(kDefault, {Entry(0, 16, 1, 4, "3"), Entry(1, 21, 0, 0, "4")}));
  EXPECT_TRUE(file.Check().empty());
  EXPECT_FALSE(file.Modified());

  EXPECT_FALSE(file.Set({21, false, 0}, 15));  // the highest value allowed
  const std::optional<std::string> refused = file.Set({21, false, 0}, 16);
  ASSERT_TRUE(refused);
  EXPECT_NE(std::string::npos, refused->find("0 to 15")) << *refused;
  EXPECT_EQ(15, file.ValueOf({21, false, 0}));
  EXPECT_TRUE(file.Set({17, false, 0}, 1));  // read-only: refused as a write is
  EXPECT_TRUE(file.Modified());

  // Stop Current above 5 is asked about before a drive takes it: here it is marked.
  EXPECT_EQ(0, file.GuardedRaise({16, true, 4}));
  EXPECT_FALSE(file.Set({16, true, 4}, 8));
  EXPECT_EQ(ids::StopCurrentWarning, file.GuardedRaise({16, true, 4}));
  EXPECT_FALSE(file.Set({16, true, 4}, 3));
  EXPECT_EQ(0, file.GuardedRaise({16, true, 4}));
  EXPECT_TRUE(file.Set({16, true, 4}, 11));
}

TEST_F(DeskFileTest, AnAddedEntryTakesTheFilesForm) {
  // A file of the form's rows: a sub-field becomes an entry of its own.
  CDeskFile rows;
  Open(rows, FileText(kDefault, {Entry(0, 16, 1, 4, "3")}), "rows.dpf");
  ASSERT_EQ(DeskForm::SubFields, rows.Form());
  EXPECT_FALSE(rows.Set({30, true, 5}, 2));
  ASSERT_EQ(2u, rows.Entries().size());
  EXPECT_EQ(30, rows.Entries()[1].address);
  EXPECT_EQ(1, rows.Entries()[1].nested);
  EXPECT_EQ(5, rows.Entries()[1].offset);
  EXPECT_EQ(2, rows.Entries()[1].value);

  // A Save All file: the parameter is added whole, its other sub-fields at the
  // lowest value their limits allow (Run Current starts at 1, not 0).
  CDeskFile all;
  Open(all, FileText(kDefault, {Entry(0, 21, 0, 0, "4")}), "all.dpf");
  ASSERT_EQ(DeskForm::Whole, all.Form());
  EXPECT_FALSE(all.Set({16, true, 4}, 7));
  ASSERT_EQ(2u, all.Entries().size());
  EXPECT_EQ(0, all.Entries()[1].nested);
  EXPECT_EQ(1 | (7 << 4), all.Entries()[1].value);
  // A sub-field of a parameter the file holds whole changes the whole value's bits.
  EXPECT_FALSE(all.Set({16, true, 8}, 3));
  EXPECT_EQ(1 | (7 << 4) | (3 << 8), all.Entries()[1].value);
  EXPECT_EQ(2u, all.Entries().size());
  EXPECT_TRUE(all.Check().empty());
}

TEST_F(DeskFileTest, SavedFileReopensAsEdited) {
  CDeskFile file;
  Open(file, FileText(kDefault, {Entry(0, 21, 0, 0, "4")}));
  ASSERT_FALSE(file.Set({27, false, 0}, 1500));
  std::string why;
  ASSERT_EQ(Outcome::Done, file.Save(&why)) << why;
  EXPECT_FALSE(file.Modified());

  CDeskFile again;
  Open(again, dir.Read("desk.dpf"), "copy.dpf");
  EXPECT_EQ(file.Version(), again.Version());
  EXPECT_EQ(1500, again.ValueOf({27, false, 0}));
  EXPECT_EQ(4, again.ValueOf({21, false, 0}));
  EXPECT_TRUE(again.Check().empty());

  // A file with an entry that could not be read is not saved over: it would be lost.
  CDeskFile damaged;
  Open(damaged, FileText(kDefault, {Entry(0, 21, 0, 0, "4"), Entry(1, 22, 0, 0, "x")}), "damaged.dpf");
  const std::string before = dir.Read("damaged.dpf");
  EXPECT_EQ(Outcome::FileError, damaged.Save(&why));
  EXPECT_EQ(before, dir.Read("damaged.dpf"));
  EXPECT_EQ(Outcome::Done, damaged.SaveAs(dir.File("repaired.dpf"), &why)) << why;
  EXPECT_EQ(dir.File("repaired.dpf"), damaged.Path());
}

TEST_F(DeskFileTest, ComparesTwoFilesOfOneModelOnly) {
  CDeskFile left, right, other;
  Open(left, FileText(kDefault, {Entry(0, 16, 0, 0, "115"), Entry(1, 21, 0, 0, "4")}), "left.dpf");
  Open(right, FileText(kDefault, {Entry(0, 16, 1, 4, "7"), Entry(1, 16, 1, 0, "2"), Entry(2, 27, 0, 0, "9")}),
       "right.dpf");
  std::vector<DpfComparison> rows;
  std::string why;
  EXPECT_EQ(Outcome::Differs, CompareDeskFiles(left, right, &rows, &why));
  // 16 whole, 21, then right's 16.4 (agrees with left's whole value 0x73), 16.0 (3 against 2), 27.
  ASSERT_EQ(5u, rows.size());
  EXPECT_TRUE(rows[0].differs && rows[0].rightAbsent);  // right holds 16 only as sub-fields
  EXPECT_TRUE(rows[1].differs && rows[1].rightAbsent);
  EXPECT_FALSE(rows[2].differs);
  EXPECT_TRUE(rows[3].differs);
  EXPECT_EQ(3, rows[3].driveValue);
  EXPECT_EQ(2, rows[3].fileValue);
  EXPECT_TRUE(rows[4].differs && rows[4].leftAbsent);
  EXPECT_EQ(Outcome::Done, CompareDeskFiles(left, left, &rows, &why));

  Open(other, FileText(kQm71, {Entry(0, 21, 0, 0, "4")}), "qm71.dpf");
  EXPECT_EQ(Outcome::FileError, CompareDeskFiles(left, other, &rows, &why));
  EXPECT_NE(std::string::npos, why.find(kQm71)) << why;
  EXPECT_TRUE(rows.empty());
}

}  // namespace
