// Expressions: parsing, types, evaluation on records, key encodings and their order.
#include <gtest/gtest.h>

#include <cstring>

#include "tables/expr.h"

namespace tables {
namespace {

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int off = 1;
    for (auto f : std::vector<FieldDef>{{"SUBJECT", 'C', 10, 0},
                                        {"DATESENT", 'D', 8, 0},
                                        {"TIMESENT", 'C', 5, 0},
                                        {"PAGES", 'N', 3, 0},
                                        {"SENT", 'L', 1, 0},
                                        {"RTFDOC", 'M', 10, 0}}) {
      fields.push_back(DbfField{f, off});
      off += f.width;
    }
    rec.assign(std::size_t(off), ' ');
  }
  void set(const char* name, const std::string& v) {
    for (auto& f : fields)
      if (f.def.name == name) std::memcpy(&rec[std::size_t(f.offset)], v.data(), v.size());
  }
  Value eval(const std::string& e) { return Expr::parse(e, fields).eval(rec.data(), 7); }
  std::vector<DbfField> fields;
  std::vector<std::uint8_t> rec;
};

TEST_F(ExprTest, KeyExpressionsOfTheFaxStore) {
  set("SUBJECT", "Hello");
  set("DATESENT", "20240131");
  set("TIMESENT", "09:05");
  Expr k = Expr::parse("DTOS(DATESENT)+TIMESENT", fields);
  EXPECT_EQ(k.type(), 'C');
  EXPECT_EQ(k.keyLength(), 13);
  EXPECT_EQ(k.eval(rec.data(), 1).s, "2024013109:05");
  Expr lower = Expr::parse("dtos(datesent) + timesent", fields);  // names in any case
  EXPECT_EQ(lower.eval(rec.data(), 1).s, "2024013109:05");
  EXPECT_EQ(Expr::parse("datesent", fields).type(), 'D');
  EXPECT_EQ(Expr::parse("datesent", fields).keyLength(), 8);
  EXPECT_EQ(eval("UPPER(SUBJECT)").s, "HELLO     ");
}

TEST_F(ExprTest, EmptyDateGivesBlankDtosAndZeroKey) {
  EXPECT_EQ(eval("DTOS(DATESENT)").s, "        ");
  std::uint8_t key[8], zero[8];
  Expr::parse("DATESENT", fields).key(rec.data(), 1, key);
  encodeDouble(0, zero);
  EXPECT_EQ(0, std::memcmp(key, zero, 8));
}

TEST_F(ExprTest, LogicalOperatorsAndDeleted) {
  EXPECT_TRUE(eval(".not. deleted()").b);
  EXPECT_TRUE(Expr::parse(".NOT.DELETED()", fields).isNotDeleted());
  EXPECT_TRUE(Expr::parse("  .not.   deleted( ) ", fields).isNotDeleted());
  EXPECT_FALSE(Expr::parse("deleted()", fields).isNotDeleted());
  rec[0] = '*';
  EXPECT_FALSE(eval(".NOT. DELETED()").b);
  EXPECT_TRUE(eval("DELETED() .AND. .T.").b);
  EXPECT_TRUE(eval(".F. .OR. DELETED()").b);
  EXPECT_FALSE(eval("!DELETED()").b);
}

TEST_F(ExprTest, ComparisonsOfEachType) {
  set("SUBJECT", "Invoice");
  set("PAGES", " 12");
  set("DATESENT", "20240131");
  set("SENT", "T");
  EXPECT_TRUE(eval("SUBJECT = 'Inv'").b);  // '=' compares as far as the right side goes
  EXPECT_FALSE(eval("SUBJECT == 'Inv'").b);
  EXPECT_TRUE(eval("SUBJECT == \"Invoice\"").b);
  EXPECT_TRUE(eval("PAGES > 11 .AND. PAGES <= 12").b);
  EXPECT_TRUE(eval("PAGES # 13").b);
  EXPECT_TRUE(eval("DATESENT > {^2024-01-30}").b);
  EXPECT_TRUE(eval("DATESENT = STOD('20240131')").b);
  EXPECT_TRUE(eval("SENT = .T.").b);
  EXPECT_TRUE(eval("'voi' $ SUBJECT").b);
  EXPECT_DOUBLE_EQ(eval("PAGES * 2 + 1").n, 25);
  EXPECT_EQ(eval("DTOS(DATESENT + 1)").s, "20240201");
}

TEST_F(ExprTest, FiltersTestedOnRecordBytesAgreeWithEvaluation) {
  // Filters test records without building values for comparisons with constants; odd field
  // contents (blanks, signs, fractions, commas, bad dates, other cases) must come out as
  // evaluation has them.
  const std::vector<std::string> filters = {"PAGES > 20",
                                            "20 < PAGES",
                                            "PAGES > 1",
                                            "PAGES = 12",
                                            "PAGES # 12",
                                            "PAGES >= 12 .AND. .NOT. DELETED()",
                                            "DATESENT > {^2024-01-30}",
                                            "{^2024-01-30} <= DATESENT",
                                            "DATESENT = {}",
                                            "SUBJECT = 'Inv'",
                                            "SUBJECT == 'Invoice'",
                                            "SUBJECT # 'Invoice'",
                                            "SUBJECT < 'J'",
                                            "SUBJECT >= 'Invoice   x'",
                                            "'Inv' = SUBJECT",
                                            "SENT",
                                            "SENT = .F.",
                                            ".T. = SENT",
                                            "DELETED() .OR. PAGES < 0",
                                            ".NOT. (SENT .AND. PAGES > 5)",
                                            "UPPER(SUBJECT) = 'INV'"};
  int checked = 0;
  for (const char* pages :
       {"   ", " 12", "-12", " -0", "1.5", "12.", "1,5", "nan", "1e2", "x12", " 21", "021"})
    for (const char* date : {"20240131", "        ", "20241301", "2024013 "})
      for (const char* subject : {"Invoice   ", "Inv       ", "          ", "invoice   "})
        for (const char* sent : {"T", "n", " "})
          for (char flag : {' ', '*'}) {
            set("PAGES", pages);
            set("DATESENT", date);
            set("SUBJECT", subject);
            set("SENT", sent);
            rec[0] = std::uint8_t(flag);
            for (const auto& f : filters) {
              Expr e = Expr::parse(f, fields);
              ASSERT_EQ(e.test(rec.data(), 7), e.eval(rec.data(), 7).b)
                  << f << " on PAGES=" << pages << " DATESENT=" << date << " SUBJECT=" << subject
                  << " SENT=" << sent << " " << flag;
              ++checked;
            }
          }
  EXPECT_GT(checked, 10000);
}

TEST_F(ExprTest, ErrorsNameTheExpression) {
  for (const char* bad : {"DTOS(SUBJECT)", "NOSUCH", "UPPER(", "PAGES + 'x'", "FOO(1)", "'open",
                          "SUBJECT = 3", "RTFDOC", ""}) {
    try {
      Expr::parse(bad, fields);
      ADD_FAILURE() << bad << " parsed";
    } catch (const TableError& e) {
      EXPECT_EQ(e.code(), err::kBadExpr);
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos)
          << e.what();
    }
  }
}

TEST(KeyEncoding, NumbersSortLikeTheirValues) {
  std::vector<double> values = {-1e9, -12.5, -1, -0.001, 0, 0.001, 1, 2, 12.5, 1e9};
  std::uint8_t prev[8], cur[8];
  encodeDouble(values[0], prev);
  for (std::size_t i = 1; i < values.size(); ++i) {
    encodeDouble(values[i], cur);
    EXPECT_LT(std::memcmp(prev, cur, 8), 0) << values[i - 1] << " vs " << values[i];
    std::memcpy(prev, cur, 8);
  }
  // Same bytes as other writers use for 1.0: 0x3FF0... with the sign bit set.
  encodeDouble(1.0, cur);
  EXPECT_EQ(cur[0], 0xBF);
  EXPECT_EQ(cur[1], 0xF0);
}

TEST(KeyEncoding, JulianDays) {
  EXPECT_EQ(julianDay("20000101"), 2451545);
  EXPECT_EQ(julianDay("19700101"), 2440588);
  EXPECT_EQ(julianDay("        "), 0);
  EXPECT_EQ(julianDay("2024x101"), 0);
  EXPECT_EQ(dateFromJulian(julianDay("20240229")), "20240229");
  EXPECT_EQ(dateFromJulian(0), "        ");
}

}  // namespace
}  // namespace tables
