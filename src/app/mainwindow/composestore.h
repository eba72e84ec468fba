// The fax store as the composing windows reach it (compose::TComposeStore): the store's
// cover table, the phone book opened into a window's own table, rich text through the
// temporary memo file, and list refreshes.
#pragma once

#include "app/store/faxstore.h"
#include "compose/composestore.h"

namespace app {

class ComposeStoreAccess : public compose::TComposeStore {
 public:
  explicit ComposeStoreAccess(FaxStore& store) : store_(store) {}

  bool OpenCoverDBF(std::string* error) override;
  void CloseCoverDBF() override;
  compose::TableSet Cover() override;
  bool OpenPhoneDBF(tables::Cursor& table, tables::TTableBinding& binding,
                    std::string* error) override;
  void LoadRichText(richtext::TRichText& pane, const std::string& memoField,
                    tables::TTableBinding& binding) override;
  void SaveRichText(richtext::TRichText& pane, const std::string& memoField,
                    tables::TTableBinding& binding) override;
  void Refresh(tables::Cursor& table, tables::TTableBinding& binding) override;

 private:
  FaxStore& store_;
};

}  // namespace app
