// The table component layer the windows use: a cursor with field objects and calculated
// fields, a data source, TTableBinding (keeps the filter across reopens) and a grid view.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tables/table.h"

namespace tables {

class Cursor;

// What happened to a cursor; listeners (grids, bindings) react to it.
enum class Change {
  Opened,
  Closed,
  Scrolled,
  Appended,
  Posted,
  Cancelled,
  Deleted,
  Recalled,
  Packed,
  OrderChanged,
  FilterChanged,
  ControlsEnabled
};

// A field object of a cursor: a stored field or a calculated one.
class Field {
 public:
  const std::string& name() const { return name_; }
  char type() const { return type_; }
  int width() const { return width_; }
  int decimals() const { return decimals_; }
  bool isCalculated() const { return calculated_; }

  // Display properties the grid uses.
  std::string displayLabel;
  int displayWidth = 0;
  bool visible = true;

  std::string asString() const;  // stored: trailing blanks removed; calculated: its value
  double asNumber() const;
  bool asLogical() const;
  Date asDate() const;
  std::string asMemo() const;
  void setString(const std::string& v);
  void setNumber(double v);
  void setLogical(bool v);
  void setDate(const Date& v);
  void setMemo(const std::string& v);
  // For calculated fields, inside the cursor's calc handler.
  void setCalcValue(const std::string& v);

 private:
  friend class Cursor;
  Cursor* cursor_ = nullptr;
  std::string name_;
  char type_ = 'C';
  int width_ = 0;
  int decimals_ = 0;
  bool calculated_ = false;
};

// A table component: owns a Table, names its file, opens and closes it, exposes field
// objects, runs the calc handler for calculated fields, and tells listeners of changes.
class Cursor {
 public:
  using Listener = std::function<void(Change, std::uint32_t recNo)>;
  using CalcHandler = std::function<void(Cursor&)>;

  Cursor();
  ~Cursor();

  std::string directory;
  std::string tableName;
  bool exclusive = true;

  void open();   // raises TableError; notifies Opened
  void close();  // notifies Closed
  bool active() const;
  void setActive(bool on);

  Table& table() { return table_; }
  const Table& table() const { return table_; }

  // Field objects: stored fields come from the table when it opens; calculated fields
  // are declared before opening and keep their declaration across reopens.
  void addCalculatedField(const std::string& name, int width);
  void setCalcHandler(CalcHandler handler);
  int fieldCount() const;
  Field& fieldAt(int index);
  Field* findField(const std::string& name);    // any case; nullptr when absent
  Field& fieldByName(const std::string& name);  // throws err::kNoField

  // Navigation and editing, forwarded to the table with notifications.
  void first();
  void last();
  void next();
  void prior();
  void go(std::uint32_t recNo);
  bool eof() const;
  bool bof() const;
  std::uint32_t recNo() const;
  void append();
  void edit();
  void post();
  void cancel();
  void deleteRecord();
  void recall();

  // Grids attached to a disabled cursor are not told of changes; enabling again sends
  // one ControlsEnabled so they refresh. Calls nest.
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disabled_ > 0; }

  int addListener(Listener l);
  void removeListener(int id);
  void notify(Change what);

 private:
  friend class Field;
  void rebuildFields();
  void runCalc() const;

  Table table_;
  std::vector<std::unique_ptr<Field>> fields_;
  std::vector<std::pair<std::string, int>> calcDecl_;
  CalcHandler calcHandler_;
  mutable std::map<std::string, std::string> calcValues_;
  mutable std::uint32_t calcRecNo_ = 0;
  mutable std::uint64_t calcStamp_ = ~0ull;
  mutable bool inCalc_ = false;
  std::map<int, Listener> listeners_;
  int nextListener_ = 1;
  int disabled_ = 0;
};

// The data-source notion: links controls to a cursor and can be switched off.
class DataSource {
 public:
  Cursor* dataSet = nullptr;
  bool enabled = true;
};

// Engine binding of a data source: keeps the filter text and applies it again every time
// its table opens; reports the count of records passing it.
class TTableBinding {
 public:
  TTableBinding();
  ~TTableBinding();
  TTableBinding(const TTableBinding&) = delete;
  TTableBinding& operator=(const TTableBinding&) = delete;

  void setDataSource(DataSource* source);
  DataSource* dataSource() const { return source_; }
  void setFilter(const std::string& expr);  // applied now when open, and on every open
  const std::string& filter() const { return filter_; }
  std::uint32_t queryRecCount();  // 0 when closed
  Table* table();                 // nullptr without a data source

 private:
  void attach();
  void detach();
  DataSource* source_ = nullptr;
  Cursor* cursor_ = nullptr;
  int listenerId_ = 0;
  std::string filter_;
};

// What a grid needs: rows under the filter in the current order, the record at a row,
// and a change callback. Row lookups are cached until the table changes.
class GridView {
 public:
  explicit GridView(Cursor& cursor);
  ~GridView();
  GridView(const GridView&) = delete;
  GridView& operator=(const GridView&) = delete;

  std::uint32_t rowCount();
  std::uint32_t recNoAt(std::uint32_t row);  // 0 when out of range
  // Moves the cursor to the record of a row (with calculated fields refreshed).
  bool moveTo(std::uint32_t row);
  // The text of a field (stored or calculated) in a row, without moving the cursor.
  std::string value(std::uint32_t row, const std::string& field);
  void setOnChange(std::function<void(Change)> cb) { onChange_ = std::move(cb); }

 private:
  Cursor& cursor_;
  int listenerId_ = 0;
  std::function<void(Change)> onChange_;
};

}  // namespace tables
