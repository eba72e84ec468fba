// Parser and evaluator of xBase expressions.
#include "tables/expr.h"

#include "base/asciitext.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tables/errors.h"

namespace tables {

enum class Op {
  Field,
  Str,
  Num,
  Date,
  Bool,
  Not,
  And,
  Or,
  Eq,
  ExactEq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Contains,
  Add,
  Sub,
  Mul,
  Div,
  Neg,
  Dtos,
  Upper,
  Lower,
  Deleted,
  Recno,
  Str_,
  Val,
  Rtrim,
  Ltrim,
  Alltrim,
  Left,
  Right,
  Substr,
  Empty,
  Stod,
  Iif,
  Year,
  Month,
  Day
};

struct Expr::Node {
  Op op;
  char type = 'L';
  int width = 1;
  int offset = 0;  // field: position in the record
  int fwidth = 0;  // field: stored width
  char ftype = 'C';
  Value lit;
  std::vector<std::shared_ptr<Node>> kids;
};

namespace {
using NodeP = std::shared_ptr<Expr::Node>;

struct Function {
  const char* name;
  Op op;
  int minArgs, maxArgs;
};
constexpr Function kFunctions[] = {
    {"DTOS", Op::Dtos, 1, 1},       {"UPPER", Op::Upper, 1, 1},     {"LOWER", Op::Lower, 1, 1},
    {"DELETED", Op::Deleted, 0, 0}, {"RECNO", Op::Recno, 0, 0},     {"STR", Op::Str_, 1, 3},
    {"VAL", Op::Val, 1, 1},         {"TRIM", Op::Rtrim, 1, 1},      {"RTRIM", Op::Rtrim, 1, 1},
    {"LTRIM", Op::Ltrim, 1, 1},     {"ALLTRIM", Op::Alltrim, 1, 1}, {"LEFT", Op::Left, 2, 2},
    {"RIGHT", Op::Right, 2, 2},     {"SUBSTR", Op::Substr, 2, 3},   {"EMPTY", Op::Empty, 1, 1},
    {"STOD", Op::Stod, 1, 1},       {"IIF", Op::Iif, 3, 3},         {"YEAR", Op::Year, 1, 1},
    {"MONTH", Op::Month, 1, 1},     {"DAY", Op::Day, 1, 1},
};

std::string upper(const std::string& s) { return base::UpperAscii(s); }

class Parser {
 public:
  Parser(const std::string& text, const std::vector<DbfField>& fields)
      : t_(text), fields_(fields) {}

  NodeP parseAll() {
    NodeP n = parseOr();
    skipSpace();
    if (p_ != t_.size()) error("unexpected '" + t_.substr(p_, 10) + "'");
    return n;
  }

 private:
  [[noreturn]] void error(const std::string& why) {
    fail(err::kBadExpr, "", "cannot use expression \"" + t_ + "\": " + why);
  }
  void skipSpace() {
    while (p_ < t_.size() && std::isspace((unsigned char)t_[p_])) ++p_;
  }
  // Matches a word operator such as .AND. (case-insensitive).
  bool dotWord(const char* w) {
    skipSpace();
    std::size_t n = std::strlen(w);
    if (t_.size() - p_ < n) return false;
    for (std::size_t i = 0; i < n; ++i)
      if (base::ToUpperAscii(t_[p_ + i]) != w[i]) return false;
    p_ += n;
    return true;
  }
  bool sym(const char* s) {
    skipSpace();
    std::size_t n = std::strlen(s);
    if (t_.compare(p_, n, s) != 0) return false;
    p_ += n;
    return true;
  }
  NodeP make(Op op, char type, int width, std::vector<NodeP> kids = {}) {
    auto n = std::make_shared<Expr::Node>();
    n->op = op;
    n->type = type;
    n->width = width;
    n->kids = std::move(kids);
    return n;
  }
  void need(const NodeP& n, char type, const char* what) {
    if (n->type != type) error(std::string(what) + " needs a " + typeName(type) + " operand");
  }
  static const char* typeName(char t) {
    switch (t) {
      case 'C': return "text";
      case 'N': return "numeric";
      case 'D': return "date";
      default: return "logical";
    }
  }

  NodeP parseOr() { return parseLogical(true); }
  // .OR. binds looser than .AND.; both need logical operands.
  NodeP parseLogical(bool isOr) {
    const char* word = isOr ? ".OR." : ".AND.";
    NodeP l = isOr ? parseLogical(false) : parseNot();
    while (dotWord(word)) {
      NodeP r = isOr ? parseLogical(false) : parseNot();
      need(l, 'L', word);
      need(r, 'L', word);
      l = make(isOr ? Op::Or : Op::And, 'L', 1, {l, r});
    }
    return l;
  }
  NodeP parseNot() {
    if (dotWord(".NOT.") || (peekBang() && sym("!"))) {
      NodeP k = parseNot();
      need(k, 'L', ".NOT.");
      return make(Op::Not, 'L', 1, {k});
    }
    return parseCmp();
  }
  bool peekBang() {
    skipSpace();
    return p_ + 1 < t_.size() + 1 && p_ < t_.size() && t_[p_] == '!' &&
           (p_ + 1 >= t_.size() || t_[p_ + 1] != '=');
  }
  NodeP parseCmp() {
    NodeP l = parseAdd();
    static const std::pair<const char*, Op> ops[] = {
        {"==", Op::ExactEq}, {"!=", Op::Ne}, {"<>", Op::Ne}, {"<=", Op::Le}, {">=", Op::Ge},
        {"=", Op::Eq},       {"#", Op::Ne},  {"<", Op::Lt},  {">", Op::Gt},  {"$", Op::Contains}};
    for (const auto& [s, op] : ops) {
      if (sym(s)) {
        NodeP r = parseAdd();
        if (l->type != r->type)
          error(std::string("cannot compare ") + typeName(l->type) + " with " + typeName(r->type));
        if (op == Op::Contains) need(l, 'C', "$");
        return make(op, 'L', 1, {l, r});
      }
    }
    return l;
  }
  NodeP parseAdd() {
    NodeP l = parseMul();
    while (true) {
      bool plus = sym("+");
      if (!plus && !(peekMinus() && sym("-"))) return l;
      NodeP r = parseMul();
      if (l->type == 'C' && r->type == 'C' && plus) {
        l = make(Op::Add, 'C', l->width + r->width, {l, r});
      } else if (l->type == 'N' && r->type == 'N') {
        l = make(plus ? Op::Add : Op::Sub, 'N', 20, {l, r});
      } else if (l->type == 'D' && r->type == 'N') {
        l = make(plus ? Op::Add : Op::Sub, 'D', 8, {l, r});
      } else if (l->type == 'D' && r->type == 'D' && !plus) {
        l = make(Op::Sub, 'N', 20, {l, r});
      } else {
        error(std::string("cannot ") + (plus ? "add " : "subtract ") + typeName(r->type) + " to " +
              typeName(l->type));
      }
    }
  }
  bool peekMinus() {
    skipSpace();
    return p_ < t_.size() && t_[p_] == '-' && (p_ + 1 >= t_.size() || t_[p_ + 1] != '>');
  }
  NodeP parseMul() {
    NodeP l = parseUnary();
    while (true) {
      bool mul = sym("*");
      if (!mul && !sym("/")) return l;
      NodeP r = parseUnary();
      need(l, 'N', mul ? "*" : "/");
      need(r, 'N', mul ? "*" : "/");
      l = make(mul ? Op::Mul : Op::Div, 'N', 20, {l, r});
    }
  }
  NodeP parseUnary() {
    if (peekMinus() && sym("-")) {
      NodeP k = parseUnary();
      need(k, 'N', "-");
      return make(Op::Neg, 'N', 20, {k});
    }
    return parsePrimary();
  }
  NodeP literal(Op op, char type, int width, Value v) {
    NodeP n = make(op, type, width);
    n->lit = std::move(v);
    return n;
  }
  NodeP parsePrimary() {
    skipSpace();
    if (p_ >= t_.size()) error("ends too early");
    char c = t_[p_];
    if (sym("(")) {
      NodeP n = parseOr();
      if (!sym(")")) error("missing ')'");
      return n;
    }
    for (const char* w : {".T.", ".Y."})
      if (dotWord(w)) return literal(Op::Bool, 'L', 1, Value{'L', "", 0, true});
    for (const char* w : {".F.", ".N."})
      if (dotWord(w)) return literal(Op::Bool, 'L', 1, Value{'L', "", 0, false});
    if (c == '"' || c == '\'' || c == '[') {
      char close = c == '[' ? ']' : c;
      std::size_t e = t_.find(close, p_ + 1);
      if (e == std::string::npos) error("unterminated string");
      std::string s = t_.substr(p_ + 1, e - p_ - 1);
      p_ = e + 1;
      return literal(Op::Str, 'C', int(s.size()), Value{'C', s, 0, false});
    }
    if (c == '{') return parseDateLiteral();
    if (std::isdigit((unsigned char)c) ||
        (c == '.' && p_ + 1 < t_.size() && std::isdigit((unsigned char)t_[p_ + 1]))) {
      std::size_t s = p_;
      while (p_ < t_.size() && (std::isdigit((unsigned char)t_[p_]) || t_[p_] == '.')) ++p_;
      double v = std::strtod(t_.substr(s, p_ - s).c_str(), nullptr);
      return literal(Op::Num, 'N', 20, Value{'N', "", v, false});
    }
    if (std::isalpha((unsigned char)c) || c == '_') {
      std::size_t s = p_;
      while (p_ < t_.size() && (std::isalnum((unsigned char)t_[p_]) || t_[p_] == '_')) ++p_;
      std::string name = upper(t_.substr(s, p_ - s));
      if (sym("->")) return parsePrimary();  // alias->field: the alias is this table
      if (sym("(")) return parseCall(name);
      return fieldNode(name);
    }
    error(std::string("unexpected '") + c + "'");
  }
  NodeP parseDateLiteral() {
    std::size_t e = t_.find('}', p_);
    if (e == std::string::npos) error("unterminated date");
    std::string body = t_.substr(p_ + 1, e - p_ - 1);
    p_ = e + 1;
    body.erase(std::remove(body.begin(), body.end(), ' '), body.end());
    std::string d(8, ' ');
    if (!body.empty()) {
      if (body[0] == '^') body.erase(0, 1);
      body.erase(std::remove(body.begin(), body.end(), '-'), body.end());
      if (body.size() != 8 || julianDay(body) == 0) error("bad date literal");
      d = body;
    }
    return literal(Op::Date, 'D', 8, Value{'D', d, 0, false});
  }
  NodeP fieldNode(const std::string& name) {
    for (const auto& f : fields_) {
      if (upper(f.def.name) != name) continue;
      if (f.def.type == 'M') error("memo field " + name + " cannot be used");
      NodeP n = make(Op::Field, f.def.type, f.def.type == 'N' ? 20 : f.def.width);
      if (f.def.type == 'C') n->width = f.def.width;
      n->offset = f.offset;
      n->fwidth = f.def.width;
      n->ftype = f.def.type;
      return n;
    }
    error("no field named " + name);
  }
  NodeP parseCall(const std::string& name) {
    const Function* fn = nullptr;
    for (const auto& f : kFunctions)
      if (name == f.name) fn = &f;
    if (!fn) error("unknown function " + name + "()");
    std::vector<NodeP> args;
    if (!sym(")")) {
      do args.push_back(parseOr());
      while (sym(","));
      if (!sym(")")) error("missing ')' after arguments of " + name + "()");
    }
    if (int(args.size()) < fn->minArgs || int(args.size()) > fn->maxArgs)
      error("wrong number of arguments for " + name + "()");
    return typeCall(*fn, std::move(args));
  }
  int constInt(const NodeP& n, const char* fn) {
    if (n->op != Op::Num) error(std::string(fn) + "() needs a constant length");
    return std::max(0, int(n->lit.n));
  }
  NodeP typeCall(const Function& fn, std::vector<NodeP> a) {
    switch (fn.op) {
      case Op::Dtos: need(a[0], 'D', "DTOS()"); return make(fn.op, 'C', 8, a);
      case Op::Upper:
      case Op::Lower:
      case Op::Rtrim:
      case Op::Ltrim:
      case Op::Alltrim: need(a[0], 'C', fn.name); return make(fn.op, 'C', a[0]->width, a);
      case Op::Deleted: return make(fn.op, 'L', 1);
      case Op::Recno: return make(fn.op, 'N', 20);
      case Op::Str_: {
        need(a[0], 'N', "STR()");
        int w = a.size() > 1 ? constInt(a[1], "STR") : 10;
        if (a.size() > 2) constInt(a[2], "STR");
        return make(fn.op, 'C', w, a);
      }
      case Op::Val: need(a[0], 'C', "VAL()"); return make(fn.op, 'N', 20, a);
      case Op::Left:
      case Op::Right:
        need(a[0], 'C', fn.name);
        need(a[1], 'N', fn.name);
        return make(fn.op, 'C', std::min(a[0]->width, constInt(a[1], fn.name)), a);
      case Op::Substr: {
        need(a[0], 'C', "SUBSTR()");
        int start = constInt(a[1], "SUBSTR");
        int w = std::max(0, a[0]->width - std::max(start, 1) + 1);
        if (a.size() > 2) w = std::min(w, constInt(a[2], "SUBSTR"));
        return make(fn.op, 'C', w, a);
      }
      case Op::Empty: return make(fn.op, 'L', 1, a);
      case Op::Stod: need(a[0], 'C', "STOD()"); return make(fn.op, 'D', 8, a);
      case Op::Iif:
        need(a[0], 'L', "IIF()");
        if (a[1]->type != a[2]->type) error("IIF() branches differ in type");
        return make(fn.op, a[1]->type, std::max(a[1]->width, a[2]->width), a);
      default: need(a[0], 'D', fn.name); return make(fn.op, 'N', 20, a);
    }
  }

  const std::string& t_;
  const std::vector<DbfField>& fields_;
  std::size_t p_ = 0;
};

using base::TrimLeftSpaces;
using base::TrimRightSpaces;

int compareValues(const Value& a, const Value& b) {
  if (a.type == 'N') return a.n < b.n ? -1 : a.n > b.n ? 1 : 0;
  if (a.type == 'L') return int(a.b) - int(b.b);
  // Text and dates compare byte by byte, the shorter padded with blanks.
  std::size_t n = std::max(a.s.size(), b.s.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = i < a.s.size() ? (unsigned char)a.s[i] : ' ';
    unsigned char y = i < b.s.size() ? (unsigned char)b.s[i] : ' ';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool isBlankValue(const Value& v) {
  switch (v.type) {
    case 'N': return v.n == 0;
    case 'L': return !v.b;
    default: return base::IsAllSpaces(v.s);
  }
}

std::string formatNumber(double v, int width, int dec) {
  char buf[64];
  if (numberText(buf, v, width, dec) > width) return std::string(std::size_t(width), '*');
  return buf;
}

Value evalNode(const Expr::Node& n, const std::uint8_t* rec, std::uint32_t recNo);

Value textValue(std::string s) { return Value{'C', std::move(s), 0, false}; }
Value numValue(double v) { return Value{'N', {}, v, false}; }
Value boolValue(bool b) { return Value{'L', {}, 0, b}; }

Value fieldValue(const Expr::Node& n, const std::uint8_t* rec) {
  const std::uint8_t* p = rec + n.offset;
  switch (n.ftype) {
    case 'N': return numValue(fieldNumber(p, n.fwidth));
    case 'L': return boolValue(fieldLogical(p[0]));
    case 'D': {
      std::string s(reinterpret_cast<const char*>(p), 8);
      return Value{'D', julianDay(s) ? s : std::string(8, ' '), 0, false};
    }
    default: return textValue(std::string(reinterpret_cast<const char*>(p), std::size_t(n.fwidth)));
  }
}

Value evalFunction(const Expr::Node& n, const std::uint8_t* rec, std::uint32_t recNo) {
  auto arg = [&](std::size_t i) { return evalNode(*n.kids[i], rec, recNo); };
  switch (n.op) {
    case Op::Dtos: return textValue(arg(0).s);
    case Op::Upper:
    case Op::Lower: {
      Value v = arg(0);
      for (auto& c : v.s) c = n.op == Op::Upper ? base::ToUpperAscii(c) : base::ToLowerAscii(c);
      return v;
    }
    case Op::Deleted: return boolValue(rec[0] == '*');
    case Op::Recno: return numValue(recNo);
    case Op::Str_: {
      int dec = n.kids.size() > 2 ? int(n.kids[2]->lit.n) : 0;
      return textValue(formatNumber(arg(0).n, n.width, dec));
    }
    case Op::Val: return numValue(std::strtod(arg(0).s.c_str(), nullptr));
    case Op::Rtrim: return textValue(TrimRightSpaces(arg(0).s));
    case Op::Ltrim: return textValue(TrimLeftSpaces(arg(0).s));
    case Op::Alltrim: return textValue(base::TrimSpaces(arg(0).s));
    case Op::Left: return textValue(arg(0).s.substr(0, std::size_t(n.width)));
    case Op::Right: {
      std::string s = arg(0).s;
      return textValue(s.substr(s.size() - std::min(s.size(), std::size_t(n.width))));
    }
    case Op::Substr: {
      std::string s = arg(0).s;
      std::size_t start = std::size_t(std::max(1, int(arg(1).n)) - 1);
      return textValue(start < s.size() ? s.substr(start, std::size_t(n.width)) : std::string());
    }
    case Op::Empty: return boolValue(isBlankValue(arg(0)));
    case Op::Stod: {
      std::string s = arg(0).s.substr(0, 8);
      return Value{'D', julianDay(s) ? s : std::string(8, ' '), 0, false};
    }
    case Op::Iif: return arg(0).b ? arg(1) : arg(2);
    case Op::Year:
    case Op::Month:
    case Op::Day: {
      std::string s = arg(0).s;
      if (!julianDay(s)) return numValue(0);
      std::size_t at = n.op == Op::Year ? 0 : n.op == Op::Month ? 4 : 6;
      std::size_t len = n.op == Op::Year ? 4 : 2;
      return numValue(std::atoi(s.substr(at, len).c_str()));
    }
    default: return boolValue(false);
  }
}

Value evalNode(const Expr::Node& n, const std::uint8_t* rec, std::uint32_t recNo) {
  auto kid = [&](std::size_t i) { return evalNode(*n.kids[i], rec, recNo); };
  switch (n.op) {
    case Op::Field: return fieldValue(n, rec);
    case Op::Str:
    case Op::Num:
    case Op::Date:
    case Op::Bool: return n.lit;
    case Op::Not: return boolValue(!kid(0).b);
    case Op::And: return boolValue(kid(0).b && kid(1).b);
    case Op::Or: return boolValue(kid(0).b || kid(1).b);
    case Op::Eq: {
      Value a = kid(0), b = kid(1);
      // Text '=' compares only as far as the right side reaches.
      if (a.type == 'C' && b.s.size() < a.s.size()) a.s.resize(b.s.size());
      return boolValue(compareValues(a, b) == 0);
    }
    case Op::ExactEq: {
      Value a = kid(0), b = kid(1);
      if (a.type == 'C') return boolValue(TrimRightSpaces(a.s) == TrimRightSpaces(b.s));
      return boolValue(compareValues(a, b) == 0);
    }
    case Op::Ne: return boolValue(compareValues(kid(0), kid(1)) != 0);
    case Op::Lt: return boolValue(compareValues(kid(0), kid(1)) < 0);
    case Op::Le: return boolValue(compareValues(kid(0), kid(1)) <= 0);
    case Op::Gt: return boolValue(compareValues(kid(0), kid(1)) > 0);
    case Op::Ge: return boolValue(compareValues(kid(0), kid(1)) >= 0);
    case Op::Contains: return boolValue(kid(1).s.find(kid(0).s) != std::string::npos);
    case Op::Add:
    case Op::Sub: {
      Value a = kid(0), b = kid(1);
      if (n.type == 'C') return textValue(a.s + b.s);
      if (a.type == 'D' && b.type == 'D') return numValue(double(julianDay(a.s) - julianDay(b.s)));
      if (a.type == 'D') {
        long jd = julianDay(a.s);
        if (!jd) return a;
        long d = long(b.n);
        return Value{'D', dateFromJulian(n.op == Op::Add ? jd + d : jd - d), 0, false};
      }
      return numValue(n.op == Op::Add ? a.n + b.n : a.n - b.n);
    }
    case Op::Mul: return numValue(kid(0).n * kid(1).n);
    case Op::Div: {
      double d = kid(1).n;
      return numValue(d == 0 ? 0 : kid(0).n / d);
    }
    case Op::Neg: return numValue(-kid(0).n);
    default: return evalFunction(n, rec, recNo);
  }
}
}  // namespace

// A logical expression compiled for testing records: DELETED(), logical fields, a field
// compared with a constant, and .AND., .OR. and .NOT. of these work on the record's bytes
// without building values (a filter runs on every record of a count). Anything else is
// evaluated the general way. Each kind gives exactly what evalNode would.
struct Expr::Test {
  enum class Kind { General, Deleted, Not, And, Or, Logical, Number, Date, Text };
  Kind kind = Kind::General;
  Op op = Op::Eq;  // the comparison, with the field on the left
  int offset = 0;  // the field
  int width = 0;
  double number = 0;  // the constant
  std::string text;
  bool flag = false;
  std::vector<Test> kids;
  const Node* general = nullptr;
};

namespace {
using Test = Expr::Test;

bool isComparison(Op op) {
  return op == Op::Eq || op == Op::ExactEq || op == Op::Ne || op == Op::Lt || op == Op::Le ||
         op == Op::Gt || op == Op::Ge;
}

// The comparison that holds with its operands swapped.
Op mirrored(Op op) {
  switch (op) {
    case Op::Lt: return Op::Gt;
    case Op::Le: return Op::Ge;
    case Op::Gt: return Op::Lt;
    case Op::Ge: return Op::Le;
    default: return op;
  }
}

bool holds(Op op, int c) {
  switch (op) {
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Le: return c <= 0;
    case Op::Gt: return c > 0;
    case Op::Ge: return c >= 0;
    default: return c == 0;
  }
}

// A comparison of a field with a constant of its type, as a Test; false when it is not one.
bool compileComparison(const Expr::Node& n, Test& t) {
  const Expr::Node* field = n.kids[0].get();
  const Expr::Node* constant = n.kids[1].get();
  t.op = n.op;
  if (field->op != Op::Field) {
    std::swap(field, constant);
    t.op = mirrored(n.op);
    // Text '=' and '==' are not symmetric in how they pad and cut: field on the left only.
    if (field->ftype == 'C') return false;
  }
  if (field->op != Op::Field) return false;
  t.offset = field->offset;
  t.width = field->fwidth;
  struct Form {
    char type;
    Test::Kind kind;
    Op constant;
  };
  static constexpr Form kForms[] = {{'N', Test::Kind::Number, Op::Num},
                                    {'D', Test::Kind::Date, Op::Date},
                                    {'L', Test::Kind::Logical, Op::Bool},
                                    {'C', Test::Kind::Text, Op::Str}};
  for (const Form& f : kForms) {
    if (f.type != field->ftype || f.constant != constant->op) continue;
    t.kind = f.kind;
    t.number = constant->lit.n;
    t.text = constant->lit.s;
    t.flag = constant->lit.b;
    return true;
  }
  return false;
}

Test compileTest(const Expr::Node& n) {
  Test t;
  switch (n.op) {
    case Op::Deleted: t.kind = Test::Kind::Deleted; return t;
    case Op::Not:
    case Op::And:
    case Op::Or:
      t.kind = n.op == Op::Not   ? Test::Kind::Not
               : n.op == Op::And ? Test::Kind::And
                                 : Test::Kind::Or;
      for (const auto& k : n.kids) t.kids.push_back(compileTest(*k));
      return t;
    case Op::Field:
      if (n.ftype != 'L') break;
      t.kind = Test::Kind::Logical;
      t.offset = n.offset;
      t.flag = true;
      return t;
    default:
      if (isComparison(n.op) && compileComparison(n, t)) return t;
  }
  t = Test{};
  t.general = &n;
  return t;
}

// The value fieldNumber gives, read directly when the field holds blanks around an optional
// minus, at most 15 digits and a fraction of zeros: then it is exact as a double.
double quickNumber(const std::uint8_t* p, int width) {
  int i = 0;
  while (i < width && p[i] == ' ') ++i;
  if (i == width) return 0;
  const bool negative = p[i] == '-';
  i += negative;
  std::uint64_t v = 0;
  int digits = 0;
  for (; i < width && p[i] >= '0' && p[i] <= '9'; ++i, ++digits) v = v * 10 + (p[i] - '0');
  if (i < width && p[i] == '.')
    for (++i; i < width && p[i] == '0';) ++i;
  while (i < width && p[i] == ' ') ++i;
  if (digits == 0 || digits > 15 || i != width) return fieldNumber(p, width);
  return negative ? -double(v) : double(v);
}

// Byte order of a against b, the shorter padded with blanks (as compareValues does).
int comparePadded(const std::uint8_t* a, std::size_t an, const std::string& b) {
  const std::size_t n = std::max(an, b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = i < an ? a[i] : ' ';
    const unsigned char y = i < b.size() ? (unsigned char)b[i] : ' ';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool textHolds(const Test& t, const std::uint8_t* p) {
  std::size_t width = std::size_t(t.width);
  if (t.op == Op::ExactEq) {
    std::size_t b = t.text.size();
    while (width > 0 && p[width - 1] == ' ') --width;
    while (b > 0 && t.text[b - 1] == ' ') --b;
    return width == b && std::memcmp(p, t.text.data(), b) == 0;
  }
  // Text '=' compares only as far as the right side reaches.
  if (t.op == Op::Eq && t.text.size() < width) width = t.text.size();
  return holds(t.op, comparePadded(p, width, t.text));
}

bool runTest(const Test& t, const std::uint8_t* rec, std::uint32_t recNo) {
  const std::uint8_t* p = rec + t.offset;
  switch (t.kind) {
    case Test::Kind::Deleted: return rec[0] == '*';
    case Test::Kind::Not: return !runTest(t.kids[0], rec, recNo);
    case Test::Kind::And: return runTest(t.kids[0], rec, recNo) && runTest(t.kids[1], rec, recNo);
    case Test::Kind::Or: return runTest(t.kids[0], rec, recNo) || runTest(t.kids[1], rec, recNo);
    case Test::Kind::Logical: return holds(t.op, int(fieldLogical(p[0])) - int(t.flag));
    case Test::Kind::Number: {
      const double v = quickNumber(p, t.width);
      return holds(t.op, v < t.number ? -1 : v > t.number ? 1 : 0);
    }
    case Test::Kind::Date: {
      static const std::uint8_t kBlank[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
      const bool valid = julianDay({reinterpret_cast<const char*>(p), 8}) != 0;
      return holds(t.op, comparePadded(valid ? p : kBlank, 8, t.text));
    }
    case Test::Kind::Text: return textHolds(t, p);
    default: return evalNode(*t.general, rec, recNo).b;
  }
}
}  // namespace

Expr::Expr() = default;
Expr::~Expr() = default;
Expr::Expr(const Expr&) = default;
Expr& Expr::operator=(const Expr&) = default;

Expr Expr::parse(const std::string& text, const std::vector<DbfField>& fields) {
  Expr e;
  e.text_ = text;
  if (text.find_first_not_of(" \t") == std::string::npos)
    fail(err::kBadExpr, "", "cannot use expression \"" + text + "\": it is empty");
  e.root_ = Parser(text, fields).parseAll();
  e.fields_ = &fields;
  if (e.root_->type == 'L') e.test_ = std::make_shared<const Test>(compileTest(*e.root_));
  return e;
}

char Expr::type() const { return root_ ? root_->type : 'L'; }
int Expr::width() const { return root_ ? root_->width : 0; }

Value Expr::eval(const std::uint8_t* rec, std::uint32_t recNo) const {
  return evalNode(*root_, rec, recNo);
}

bool Expr::test(const std::uint8_t* rec, std::uint32_t recNo) const {
  return test_ ? runTest(*test_, rec, recNo) : evalNode(*root_, rec, recNo).b;
}

bool Expr::isNotDeleted() const {
  return root_ && root_->op == Op::Not && root_->kids[0]->op == Op::Deleted;
}

bool Expr::usesRecno() const {
  std::vector<const Node*> todo;
  if (root_) todo.push_back(root_.get());
  while (!todo.empty()) {
    const Node* n = todo.back();
    todo.pop_back();
    if (n->op == Op::Recno) return true;
    for (const auto& k : n->kids) todo.push_back(k.get());
  }
  return false;
}

int Expr::keyLength() const {
  switch (type()) {
    case 'N':
    case 'D': return 8;
    case 'L': return 1;
    default: return std::clamp(width(), 1, 240);
  }
}

void Expr::key(const std::uint8_t* rec, std::uint32_t recNo, std::uint8_t* out) const {
  encodeKey(evalNode(*root_, rec, recNo), keyLength(), out);
}

void encodeDouble(double v, std::uint8_t* out) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, 8);
  if (v == 0) bits = 0;  // -0 sorts with +0
  bits = (bits & (1ull << 63)) ? ~bits : (bits | (1ull << 63));
  for (int i = 0; i < 8; ++i) out[i] = std::uint8_t(bits >> (56 - 8 * i));
}

void encodeKey(const Value& v, int keyLength, std::uint8_t* out) {
  switch (v.type) {
    case 'N': encodeDouble(v.n, out); return;
    case 'D': encodeDouble(double(julianDay(v.s)), out); return;
    case 'L': out[0] = v.b ? 'T' : 'F'; return;
    default: {
      std::size_t n = std::min(v.s.size(), std::size_t(keyLength));
      std::memcpy(out, v.s.data(), n);
      std::memset(out + n, ' ', std::size_t(keyLength) - n);
    }
  }
}

}  // namespace tables
