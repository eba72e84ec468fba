// Placeholder implementation while the engine is being written.
#include "tables/table.h"

namespace tables {
struct Table::Impl {};
std::string Date::toDtos() const { return std::string(8, ' '); }
Date Date::fromDtos(const std::string&) { return {}; }
Table::Table() = default;
Table::~Table() = default;
void Table::createNew(const std::string& path, int fieldCount) { fail(err::kState, "", "not implemented"); }
void Table::createField(const std::string& name, char type, int width, int decimals) { fail(err::kState, "", "not implemented"); }
void Table::createExec() { fail(err::kState, "", "not implemented"); }
void Table::create(const std::string& path, const std::vector<FieldDef>& fields) { fail(err::kState, "", "not implemented"); }
void Table::open(const std::string& dir, const std::string& fileName, bool exclusive) { fail(err::kState, "", "not implemented"); }
void Table::close() { fail(err::kState, "", "not implemented"); }
bool Table::isOpen() const { fail(err::kState, "", "not implemented"); }
Table::State Table::state() const { fail(err::kState, "", "not implemented"); }
std::string Table::path() const { fail(err::kState, "", "not implemented"); }
std::string Table::alias() const { fail(err::kState, "", "not implemented"); }
int Table::fieldCount() const { fail(err::kState, "", "not implemented"); }
const FieldDef& Table::field(int index) const { static FieldDef f; return f; }
int Table::fieldIndex(const std::string& name) const { fail(err::kState, "", "not implemented"); }
std::uint32_t Table::recCount() const { fail(err::kState, "", "not implemented"); }
std::uint32_t Table::recNo() const { fail(err::kState, "", "not implemented"); }
bool Table::eof() const { fail(err::kState, "", "not implemented"); }
bool Table::bof() const { fail(err::kState, "", "not implemented"); }
void Table::go(std::uint32_t recNo) { fail(err::kState, "", "not implemented"); }
void Table::first() { fail(err::kState, "", "not implemented"); }
void Table::last() { fail(err::kState, "", "not implemented"); }
void Table::next() { fail(err::kState, "", "not implemented"); }
void Table::prior() { fail(err::kState, "", "not implemented"); }
void Table::skip(long count) { fail(err::kState, "", "not implemented"); }
bool Table::seek(const std::string& key, bool soft) { fail(err::kState, "", "not implemented"); }
void Table::setHideDeleted(bool hide) { fail(err::kState, "", "not implemented"); }
bool Table::hideDeleted() const { fail(err::kState, "", "not implemented"); }
void Table::indexTag(const std::string& tag, const std::string& keyExpr, bool descending,
                const std::string& forExpr) { fail(err::kState, "", "not implemented"); }
int Table::tagCount() const { fail(err::kState, "", "not implemented"); }
TagInfo Table::tagInfo(int order) const { fail(err::kState, "", "not implemented"); }
int Table::tagArea(const std::string& name) const { fail(err::kState, "", "not implemented"); }
void Table::setOrder(int order) { fail(err::kState, "", "not implemented"); }
void Table::setOrder(const std::string& tagName) { fail(err::kState, "", "not implemented"); }
int Table::indexOrd() const { fail(err::kState, "", "not implemented"); }
void Table::closeIndex() { fail(err::kState, "", "not implemented"); }
void Table::reindex() { fail(err::kState, "", "not implemented"); }
void Table::setFilter(const std::string& expr) { fail(err::kState, "", "not implemented"); }
std::string Table::filter() const { fail(err::kState, "", "not implemented"); }
std::uint32_t Table::queryRecCount() { fail(err::kState, "", "not implemented"); }
std::uint32_t Table::visibleCount() { fail(err::kState, "", "not implemented"); }
std::uint32_t Table::recNoAtPosition(std::uint32_t position) { fail(err::kState, "", "not implemented"); }
std::string Table::evaluate(const std::string& expr) { fail(err::kState, "", "not implemented"); }
void Table::append() { fail(err::kState, "", "not implemented"); }
void Table::edit() { fail(err::kState, "", "not implemented"); }
void Table::post() { fail(err::kState, "", "not implemented"); }
void Table::cancel() { fail(err::kState, "", "not implemented"); }
void Table::deleteRecord() { fail(err::kState, "", "not implemented"); }
void Table::recall() { fail(err::kState, "", "not implemented"); }
bool Table::isDeleted() const { fail(err::kState, "", "not implemented"); }
void Table::pack() { fail(err::kState, "", "not implemented"); }
void Table::beginBatch() { fail(err::kState, "", "not implemented"); }
void Table::endBatch() { fail(err::kState, "", "not implemented"); }
std::string Table::getString(const std::string& name) const { fail(err::kState, "", "not implemented"); }
std::string Table::getRaw(const std::string& name) const { fail(err::kState, "", "not implemented"); }
Date Table::getDate(const std::string& name) const { fail(err::kState, "", "not implemented"); }
std::string Table::getDtos(const std::string& name) const { fail(err::kState, "", "not implemented"); }
double Table::getNumber(const std::string& name) const { fail(err::kState, "", "not implemented"); }
bool Table::getLogical(const std::string& name) const { fail(err::kState, "", "not implemented"); }
std::string Table::getMemo(const std::string& name) const { fail(err::kState, "", "not implemented"); }
bool Table::isBlank(const std::string& name) const { fail(err::kState, "", "not implemented"); }
void Table::putString(const std::string& name, const std::string& value) { fail(err::kState, "", "not implemented"); }
void Table::putDate(const std::string& name, const Date& value) { fail(err::kState, "", "not implemented"); }
void Table::putDtos(const std::string& name, const std::string& yyyymmdd) { fail(err::kState, "", "not implemented"); }
void Table::putNumber(const std::string& name, double value) { fail(err::kState, "", "not implemented"); }
void Table::putLogical(const std::string& name, bool value) { fail(err::kState, "", "not implemented"); }
void Table::putMemo(const std::string& name, const std::string& value) { fail(err::kState, "", "not implemented"); }
bool Table::blobToFile(const std::string& field, const std::string& path) { fail(err::kState, "", "not implemented"); }
void Table::fileToBlob(const std::string& field, const std::string& path) { fail(err::kState, "", "not implemented"); }
std::uint64_t Table::changeCounter() const { fail(err::kState, "", "not implemented"); }
}  // namespace tables
