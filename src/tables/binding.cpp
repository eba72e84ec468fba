// Placeholder implementation while the components are being written.
#include "tables/binding.h"
namespace tables {
Cursor::Cursor() = default;
Cursor::~Cursor() = default;
TTableBinding::TTableBinding() = default;
TTableBinding::~TTableBinding() = default;
GridView::GridView(Cursor& c) : cursor_(c) {}
GridView::~GridView() = default;
}  // namespace tables
