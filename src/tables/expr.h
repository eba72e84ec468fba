// xBase expressions for index keys, FOR conditions and filters: parsed once against a
// table's fields, typed, then evaluated on raw records.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbffile.h"

namespace tables {

// The value of an expression: type 'C' text, 'N' number, 'D' date ("YYYYMMDD" in s,
// 8 blanks when empty), 'L' logical.
struct Value {
  char type = 'L';
  std::string s;
  double n = 0;
  bool b = false;
};

class Expr {
 public:
  Expr();
  ~Expr();
  Expr(const Expr&);
  Expr& operator=(const Expr&);

  // Parses and type-checks; throws err::kBadExpr with a message naming the expression.
  static Expr parse(const std::string& text, const std::vector<DbfField>& fields);

  bool valid() const { return root_ != nullptr; }
  const std::string& text() const { return text_; }
  char type() const;  // result type
  int width() const;  // result width for text results (the key length of a 'C' key)

  Value eval(const std::uint8_t* rec, std::uint32_t recNo) const;
  bool test(const std::uint8_t* rec, std::uint32_t recNo) const;  // logical result
  // True for ".NOT. DELETED()" written in any spacing and case.
  bool isNotDeleted() const;
  // True when the value depends on the record's number (RECNO()).
  bool usesRecno() const;

  // Index keys: the byte length and the encoded key of a record.
  int keyLength() const;
  void key(const std::uint8_t* rec, std::uint32_t recNo, std::uint8_t* out) const;

  struct Node;
  struct Test;

 private:
  std::shared_ptr<const Node> root_;
  std::shared_ptr<const Test> test_;  // logical expressions: the form test() runs
  std::string text_;
  const std::vector<DbfField>* fields_ = nullptr;
};

// Key encodings shared with the index layer.
void encodeKey(const Value& v, int keyLength, std::uint8_t* out);
void encodeDouble(double v, std::uint8_t* out);  // 8 bytes, sorts like the number

}  // namespace tables
