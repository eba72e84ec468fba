// The composing windows' way into the fax store.
#include "app/mainwindow/composestore.h"

#include "app/assembly/richtextmemo.h"
#include "richtext/richtext.h"
#include "settings/appsettings.h"

#include <QCoreApplication>

namespace app {

namespace {

// A table that can be neither opened nor created brings no engine text of its own (the
// failed creation is logged), so the user is told at least which file it is.
bool withReason(bool ok, const StoreTable& t, std::string* error) {
  if (!ok && error && error->empty())
    *error = "Unable to open/create " + settings::ProgramDir() + t.fileName;
  return ok;
}

}  // namespace

bool ComposeStoreAccess::OpenCoverDBF(std::string* error) {
  return withReason(store_.OpenCover(error), CoverTable(), error);
}

void ComposeStoreAccess::CloseCoverDBF() { store_.CoverTable.close(); }

compose::TableSet ComposeStoreAccess::Cover() {
  return {store_.CoverTable, store_.CoverDataSource, store_.CoverBinding};
}

bool ComposeStoreAccess::OpenPhoneDBF(tables::Cursor& table, tables::TTableBinding& binding,
                                      std::string* error) {
  return withReason(store_.OpenPhoneInto(table, binding, error), PhoneTable(), error);
}

void ComposeStoreAccess::LoadRichText(richtext::TRichText& pane, const std::string& memoField,
                                      tables::TTableBinding& binding) {
  app::LoadRichText(pane, memoField, binding);
}

void ComposeStoreAccess::SaveRichText(richtext::TRichText& pane, const std::string& memoField,
                                      tables::TTableBinding& binding) {
  app::SaveRichText(pane, memoField, binding);
}

void ComposeStoreAccess::Refresh(tables::Cursor& table, tables::TTableBinding& binding) {
  CloseAndOpen(table, binding, [] { QCoreApplication::processEvents(); });
}

}  // namespace app
