// Feeds arbitrary bytes to the DBF reader, then reads every field of every record and
// parses the tail of the input as an expression against the fields found; a logical one is
// tested on every record both ways.
#include <string>

#include "tables/dbffile.h"
#include "tables/errors.h"
#include "tables/expr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tables;
  try {
    DbfFile dbf;
    dbf.open(BlockFile::fromMemory(std::vector<std::uint8_t>(data, data + size), "fuzz.dbf"));
    for (std::uint32_t r = 1; r <= dbf.count(); ++r) {
      const std::uint8_t* rec = dbf.record(r);
      for (const auto& f : dbf.fields()) {
        if (f.def.type == 'N') fieldNumber(rec + f.offset, f.def.width);
        if (f.def.type == 'L') fieldLogical(rec[f.offset]);
      }
    }
    std::string text(reinterpret_cast<const char*>(data) + size - std::min<std::size_t>(size, 40),
                     std::min<std::size_t>(size, 40));
    Expr e = Expr::parse(text, dbf.fields());
    if (dbf.count() > 0) {
      std::vector<std::uint8_t> key(std::size_t(e.keyLength()));
      e.key(dbf.record(1), 1, key.data());
    }
    // A filter tested on the record bytes must agree with its evaluation.
    for (std::uint32_t r = 1; e.type() == 'L' && r <= dbf.count(); ++r)
      if (e.test(dbf.record(r), r) != e.eval(dbf.record(r), r).b) __builtin_trap();
  } catch (const TableError&) {
  }
  return 0;
}
