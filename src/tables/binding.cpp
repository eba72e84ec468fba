// The table components: cursor with field objects, engine binding and grid view.
#include "tables/binding.h"

#include "base/asciitext.h"

#include <cstdio>

namespace tables {

// --- Field -----------------------------------------------------------------------------

std::string Field::asString() const {
  if (calculated_) {
    cursor_->runCalc();
    auto it = cursor_->calcValues_.find(name_);
    return it == cursor_->calcValues_.end() ? std::string() : it->second;
  }
  return cursor_->table_.getString(name_);
}

double Field::asNumber() const {
  if (calculated_) return std::strtod(asString().c_str(), nullptr);
  return cursor_->table_.getNumber(name_);
}

bool Field::asLogical() const {
  if (calculated_) {
    std::string s = asString();
    return !s.empty() && fieldLogical(std::uint8_t(s[0]));
  }
  return cursor_->table_.getLogical(name_);
}

Date Field::asDate() const {
  if (calculated_) return Date::fromDtos(asString());
  return cursor_->table_.getDate(name_);
}

std::string Field::asMemo() const { return cursor_->table_.getMemo(name_); }
void Field::setString(const std::string& v) { cursor_->table_.putString(name_, v); }
void Field::setNumber(double v) { cursor_->table_.putNumber(name_, v); }
void Field::setLogical(bool v) { cursor_->table_.putLogical(name_, v); }
void Field::setDate(const Date& v) { cursor_->table_.putDate(name_, v); }
void Field::setMemo(const std::string& v) { cursor_->table_.putMemo(name_, v); }

void Field::setCalcValue(const std::string& v) {
  if (!calculated_) fail(err::kState, cursor_->table_.path(), name_ + " is not calculated");
  cursor_->calcValues_[name_] = v.substr(0, std::size_t(width_));
}

// --- Cursor ----------------------------------------------------------------------------

Cursor::Cursor() = default;
Cursor::~Cursor() {
  listeners_.clear();
  try {
    table_.close();
  } catch (...) {
  }
}

void Cursor::open() {
  if (table_.isOpen()) return;
  table_.open(directory, tableName, exclusive);
  rebuildFields();
  calcStamp_ = ~0ull;
  notify(Change::Opened);
}

void Cursor::close() {
  if (!table_.isOpen()) return;
  std::exception_ptr error;
  try {
    table_.close();
  } catch (...) {
    error = std::current_exception();
  }
  notify(Change::Closed);
  if (error) std::rethrow_exception(error);
}

bool Cursor::active() const { return table_.isOpen(); }

void Cursor::setActive(bool on) {
  if (on)
    open();
  else
    close();
}

void Cursor::rebuildFields() {
  fields_.clear();
  for (int i = 0; i < table_.fieldCount(); ++i) {
    const FieldDef& def = table_.field(i);
    auto f = std::make_unique<Field>();
    f->cursor_ = this;
    f->name_ = def.name;
    f->type_ = def.type;
    f->width_ = def.width;
    f->decimals_ = def.decimals;
    f->displayLabel = def.name;
    f->displayWidth = def.width;
    fields_.push_back(std::move(f));
  }
  for (const auto& [name, width] : calcDecl_) {
    auto f = std::make_unique<Field>();
    f->cursor_ = this;
    f->name_ = name;
    f->type_ = 'C';
    f->width_ = width;
    f->calculated_ = true;
    f->displayLabel = name;
    f->displayWidth = width;
    fields_.push_back(std::move(f));
  }
}

void Cursor::addCalculatedField(const std::string& name, int width) {
  calcDecl_.emplace_back(name, width);
  if (table_.isOpen()) rebuildFields();
}

void Cursor::setCalcHandler(CalcHandler handler) {
  calcHandler_ = std::move(handler);
  calcStamp_ = ~0ull;
}

// Runs the calc handler once per record and table state.
void Cursor::runCalc() const {
  if (inCalc_ || !calcHandler_) return;
  std::uint32_t rec = table_.recNo();
  std::uint64_t stamp = table_.changeCounter();
  if (rec == calcRecNo_ && stamp == calcStamp_) return;
  calcValues_.clear();
  inCalc_ = true;
  try {
    calcHandler_(const_cast<Cursor&>(*this));
  } catch (...) {
    inCalc_ = false;
    throw;
  }
  inCalc_ = false;
  calcRecNo_ = rec;
  calcStamp_ = stamp;
}

int Cursor::fieldCount() const { return int(fields_.size()); }

Field& Cursor::fieldAt(int index) {
  if (index < 0 || index >= fieldCount()) fail(err::kNoField, table_.path(), std::to_string(index));
  return *fields_[std::size_t(index)];
}

Field* Cursor::findField(const std::string& name) {
  for (auto& f : fields_) {
    if (base::EqualsIgnoreCase(f->name_, name)) return f.get();
  }
  return nullptr;
}

Field& Cursor::fieldByName(const std::string& name) {
  Field* f = findField(name);
  if (!f) fail(err::kNoField, table_.path(), name);
  return *f;
}

void Cursor::first() {
  table_.first();
  notify(Change::Scrolled);
}
void Cursor::last() {
  table_.last();
  notify(Change::Scrolled);
}
void Cursor::next() {
  table_.next();
  notify(Change::Scrolled);
}
void Cursor::prior() {
  table_.prior();
  notify(Change::Scrolled);
}
void Cursor::go(std::uint32_t recNo) {
  table_.go(recNo);
  notify(Change::Scrolled);
}
bool Cursor::eof() const { return table_.eof(); }
bool Cursor::bof() const { return table_.bof(); }
std::uint32_t Cursor::recNo() const { return table_.recNo(); }
void Cursor::append() { table_.append(); }
void Cursor::edit() { table_.edit(); }

void Cursor::post() {
  bool appending = table_.state() == Table::State::Append;
  table_.post();
  notify(appending ? Change::Appended : Change::Posted);
}

void Cursor::cancel() {
  table_.cancel();
  notify(Change::Cancelled);
}
void Cursor::deleteRecord() {
  table_.deleteRecord();
  notify(Change::Deleted);
}
void Cursor::recall() {
  table_.recall();
  notify(Change::Recalled);
}

void Cursor::disableControls() { ++disabled_; }

void Cursor::enableControls() {
  if (disabled_ > 0 && --disabled_ == 0) notify(Change::ControlsEnabled);
}

int Cursor::addListener(Listener l) {
  int id = nextListener_++;
  listeners_[id] = std::move(l);
  return id;
}

void Cursor::removeListener(int id) { listeners_.erase(id); }

// Opened and Closed always go out (bindings must see them); the rest only while the
// controls are enabled.
void Cursor::notify(Change what) {
  if (disabled_ > 0 && what != Change::Opened && what != Change::Closed) return;
  auto copy = listeners_;
  for (auto& [id, l] : copy)
    if (listeners_.count(id)) l(what, table_.recNo());
}

// --- TTableBinding ---------------------------------------------------------------------

TTableBinding::TTableBinding() = default;
TTableBinding::~TTableBinding() { detach(); }

void TTableBinding::setDataSource(DataSource* source) {
  detach();
  source_ = source;
  attach();
}

void TTableBinding::attach() {
  cursor_ = source_ ? source_->dataSet : nullptr;
  if (!cursor_) return;
  listenerId_ = cursor_->addListener([this](Change c, std::uint32_t) {
    if (c == Change::Opened && !filter_.empty()) cursor_->table().setFilter(filter_);
  });
  if (cursor_->active() && !filter_.empty()) cursor_->table().setFilter(filter_);
}

void TTableBinding::detach() {
  if (cursor_ && listenerId_) cursor_->removeListener(listenerId_);
  cursor_ = nullptr;
  listenerId_ = 0;
}

void TTableBinding::setFilter(const std::string& expr) {
  if (cursor_ && cursor_->active()) cursor_->table().setFilter(expr);
  filter_ = expr;
  if (cursor_ && cursor_->active()) cursor_->notify(Change::FilterChanged);
}

std::uint32_t TTableBinding::queryRecCount() {
  return cursor_ && cursor_->active() ? cursor_->table().queryRecCount() : 0;
}

Table* TTableBinding::table() { return cursor_ ? &cursor_->table() : nullptr; }

// --- GridView --------------------------------------------------------------------------

GridView::GridView(Cursor& cursor) : cursor_(cursor) {
  listenerId_ = cursor_.addListener([this](Change c, std::uint32_t) {
    if (onChange_) onChange_(c);
  });
}

GridView::~GridView() { cursor_.removeListener(listenerId_); }

std::uint32_t GridView::rowCount() { return cursor_.active() ? cursor_.table().visibleCount() : 0; }

std::uint32_t GridView::recNoAt(std::uint32_t row) {
  return cursor_.active() ? cursor_.table().recNoAtPosition(row) : 0;
}

bool GridView::moveTo(std::uint32_t row) {
  std::uint32_t r = recNoAt(row);
  if (!r) return false;
  cursor_.go(r);
  return true;
}

std::string GridView::value(std::uint32_t row, const std::string& field) {
  std::uint32_t r = recNoAt(row);
  if (!r) return {};
  Table& t = cursor_.table();
  t.setPeek(r);
  try {
    std::string v = cursor_.fieldByName(field).asString();
    t.setPeek(0);
    return v;
  } catch (...) {
    t.setPeek(0);
    throw;
  }
}

}  // namespace tables
