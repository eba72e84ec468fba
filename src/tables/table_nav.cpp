// Table: navigation in record and tag order, seek, filter and visible-record counts.
#include <cstring>

#include "tables/table_impl.h"

#include "base/asciitext.h"

namespace tables {

bool Table::Impl::visibleRec(std::uint32_t r) const {
  const std::uint8_t* rec = dbf.record(r);
  if (hideDeleted && rec[0] == '*') return false;
  return !filter.valid() || filter.test(rec, r);
}

std::size_t Table::Impl::navCount() const {
  return order ? tags[std::size_t(order - 1)].index.size() : dbf.count();
}

// The record at a navigation index: record order, or the tag walked in its direction.
std::uint32_t Table::Impl::recAtNav(std::size_t i) const {
  if (!order) return std::uint32_t(i + 1);
  const Tag& t = tags[std::size_t(order - 1)];
  return t.index.recAt(t.def.descending ? t.index.size() - 1 - i : i);
}

// Where a forward walk from record r continues, as a navigation index; exact tells
// whether r itself is in the order. A record outside the tag (its FOR condition fails)
// still has a place among the keys, so walking from it goes on from there.
std::size_t Table::Impl::nextNavIndex(std::uint32_t r, bool& exact) {
  if (!order) {
    exact = true;
    return r;
  }
  if (navStamp != changes || navRec != r) {
    const Tag& t = tags[std::size_t(order - 1)];
    const std::uint8_t* rec = dbf.record(r);
    std::vector<std::uint8_t> key(std::size_t(t.def.keyLength));
    t.key.key(rec, r, key.data());
    std::size_t pos = t.index.position(key.data(), r);
    bool found = pos < t.index.size() && t.index.recAt(pos) == r &&
                 std::memcmp(t.index.keyAt(pos), key.data(), key.size()) == 0;
    std::size_t n = t.index.size();
    navStamp = changes;
    navRec = r;
    navExact = found;
    navPos = t.def.descending ? n - pos : (found ? pos + 1 : pos);
  }
  exact = navExact;
  return navPos;
}

void Table::Impl::setPosition(std::uint32_t r) {
  recNo = r;
  eof = bof = false;
}

void Table::Impl::setEof() {
  recNo = dbf.count() + 1;
  eof = true;
}

// Moves to the first visible record from a navigation index in a direction; false when
// there is none.
bool Table::Impl::findVisible(std::size_t start, bool forward) {
  const std::size_t n = navCount();
  for (std::size_t i = start; i < n; forward ? ++i : --i) {
    std::uint32_t r = recAtNav(i);
    if (visibleRec(r)) {
      setPosition(r);
      navStamp = changes;
      navRec = r;
      navExact = true;
      navPos = order ? i + 1 : r;
      return true;
    }
    if (!forward && i == 0) break;
  }
  return false;
}

// Navigation posts a pending edit first, as moving away from a record always does.
void Table::Impl::browse(Table& t) {
  requireOpen();
  if (state == State::Edit || state == State::Append) t.post();
}

void Table::first() {
  d_->browse(*this);
  if (!d_->findVisible(0, true)) {
    d_->setEof();
    d_->bof = true;
  }
}

void Table::last() {
  d_->browse(*this);
  std::size_t n = d_->navCount();
  if (n == 0 || !d_->findVisible(n - 1, false)) {
    d_->setEof();
    d_->bof = true;
  }
}

void Table::next() {
  Impl& d = *d_;
  d.browse(*this);
  if (d.eof) return;
  bool exact;
  std::size_t i = d.nextNavIndex(d.recNo, exact);
  if (!d.findVisible(i, true)) d.setEof();
}

void Table::prior() {
  Impl& d = *d_;
  d.browse(*this);
  if (d.eof) {
    last();
    return;
  }
  bool exact;
  std::size_t i = d.nextNavIndex(d.recNo, exact);
  std::size_t back = exact ? 2 : 1;
  if (i < back || !d.findVisible(i - back, false)) d.bof = true;
}

void Table::skip(long count) {
  for (; count > 0 && !eof(); --count) next();
  for (; count < 0 && !bof(); ++count) prior();
}

void Table::go(std::uint32_t recNo) {
  Impl& d = *d_;
  d.browse(*this);
  if (recNo < 1 || recNo > d.dbf.count())
    fail(err::kRange, d.path,
         "record " + std::to_string(recNo) + " of " + std::to_string(d.dbf.count()));
  d.setPosition(recNo);
}

std::uint32_t Table::recCount() const { return d_->open ? d_->dbf.count() : 0; }

void Table::setPeek(std::uint32_t recNo) { d_->peekRec = recNo <= recCount() ? recNo : 0; }

std::uint32_t Table::peek() const { return d_->peekRec; }

std::uint32_t Table::recNo() const {
  if (d_->peekRec) return d_->peekRec;
  if (d_->state == State::Append) return d_->dbf.count() + 1;
  return d_->recNo;
}

bool Table::eof() const { return d_->eof; }
bool Table::bof() const { return d_->bof; }

void Table::setHideDeleted(bool hide) {
  d_->hideDeleted = hide;
  ++d_->changes;
}

bool Table::hideDeleted() const { return d_->hideDeleted; }

bool Table::seek(const std::string& key, bool soft) {
  Impl& d = *d_;
  d.browse(*this);
  if (!d.order) fail(err::kNoTag, d.path, "seek needs an index order");
  const Tag& t = d.tags[std::size_t(d.order - 1)];
  std::vector<std::uint8_t> k(std::size_t(t.def.keyLength), ' ');
  std::size_t len = k.size();
  switch (t.keyType) {
    case 'N':
      encodeKey(Value{'N', {}, std::strtod(key.c_str(), nullptr), false}, 8, k.data());
      break;
    case 'D': encodeKey(Value{'D', key, 0, false}, 8, k.data()); break;
    case 'L': k[0] = (!key.empty() && fieldLogical(std::uint8_t(key[0]))) ? 'T' : 'F'; break;
    default: len = std::min(key.size(), k.size()); std::memcpy(k.data(), key.data(), len);
  }
  const KeyIndex& ix = t.index;
  const std::size_t n = ix.size();
  auto matches = [&](std::size_t nav) {
    std::size_t pos = t.def.descending ? n - 1 - nav : nav;
    return std::memcmp(ix.keyAt(pos), k.data(), len) == 0;
  };
  // Navigation index of the first entry, in the tag's direction, not before the key.
  std::size_t nav = t.def.descending ? n - ix.lowerBound(k.data(), len, true)
                                     : ix.lowerBound(k.data(), len, false);
  for (std::size_t i = nav; i < n && matches(i); ++i) {
    std::uint32_t r = d.recAtNav(i);
    if (d.visibleRec(r)) {
      d.setPosition(r);
      return true;
    }
  }
  if (soft) {
    std::size_t i = nav;
    while (i < n && matches(i)) ++i;
    if (!d.findVisible(i, true)) d.setEof();
  } else {
    d.setEof();
  }
  return false;
}

// --- Filter and counts -----------------------------------------------------------------

void Table::setFilter(const std::string& expr) {
  Impl& d = *d_;
  if (base::IsAllSpaces(expr)) {
    d.filterText.clear();
    d.filter = Expr();
  } else if (d.open) {
    Expr e = Expr::parse(expr, d.dbf.fields());
    if (e.type() != 'L') fail(err::kBadExpr, d.path, "filter \"" + expr + "\" is not logical");
    d.filter = e;
    d.filterText = expr;
  } else {
    d.filterText = expr;  // checked when the table opens
  }
  ++d.changes;
}

std::string Table::filter() const { return d_->filterText; }

// True when every entry of the current order passes the filter and the deleted rule, so
// positions among visible records are positions in the order itself.
bool Table::Impl::allEntriesVisible() const {
  if (filter.valid() && !filter.isNotDeleted()) return false;
  bool deletedHidden = hideDeleted || filter.valid();
  if (!deletedHidden || deletedCount == 0) return true;
  return order && tags[std::size_t(order - 1)].forCond.valid() &&
         tags[std::size_t(order - 1)].forCond.isNotDeleted();
}

void Table::Impl::refreshVisible() {
  if (visStamp == changes) return;
  visible.clear();
  const std::size_t n = navCount();
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t r = recAtNav(i);
    if (visibleRec(r)) visible.push_back(r);
  }
  visStamp = changes;
}

std::uint32_t Table::queryRecCount() {
  Impl& d = *d_;
  if (!d.open) return 0;
  if (!d.filter.valid() || d.filter.isNotDeleted()) {
    bool deletedHidden = d.hideDeleted || d.filter.valid();
    return d.dbf.count() - (deletedHidden ? d.deletedCount : 0);
  }
  std::uint32_t count = 0;
  for (std::uint32_t r = 1; r <= d.dbf.count(); ++r) count += d.visibleRec(r);
  return count;
}

std::uint32_t Table::visibleCount() {
  Impl& d = *d_;
  if (!d.open) return 0;
  if (d.allEntriesVisible()) {
    if (!d.order) return queryRecCount();
    return std::uint32_t(d.navCount());
  }
  d.refreshVisible();
  return std::uint32_t(d.visible.size());
}

std::uint32_t Table::recNoAtPosition(std::uint32_t position) {
  Impl& d = *d_;
  if (!d.open) return 0;
  if (d.allEntriesVisible() &&
      (d.order || d.deletedCount == 0 || !(d.hideDeleted || d.filter.valid())))
    return position < d.navCount() ? d.recAtNav(position) : 0;
  d.refreshVisible();
  return position < d.visible.size() ? d.visible[position] : 0;
}

std::string Table::evaluate(const std::string& expr) {
  Impl& d = *d_;
  d.requireOpen();
  Expr e = Expr::parse(expr, d.dbf.fields());
  Value v = e.eval(d.current(), recNo());
  switch (v.type) {
    case 'N': {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.10g", v.n);
      return buf;
    }
    case 'L': return v.b ? "T" : "F";
    default: return v.s;
  }
}

}  // namespace tables
