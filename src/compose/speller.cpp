// TSpeller: Unicode and file names at the window edge, the engine below.
#include "compose/speller.h"

#include "settings/appsettings.h"
#include "ui/tabletext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace compose {
namespace {

// Dictionaries hold code page 1252. A typographic apostrophe is the apostrophe of the
// alphabet; a character the code page lacks becomes "?", which no word holds, so such a
// word is passed over rather than judged.
std::string DictionaryText(const QString& word) {
  QString plain = word;
  plain.replace(QChar(0x2019), QLatin1Char('\''));
  return ui::ToTableText(plain);
}

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

QString UserDictionaryPath(const QString& name) {
  if (QDir::isAbsolutePath(name)) return name;
  return QString::fromStdString(settings::ProgramDir()) + name;
}

QString MainDictionaryPath(const QString& name) {
  const QString inProgramFolder = UserDictionaryPath(name);
  if (QDir::isAbsolutePath(name) || QFileInfo::exists(inProgramFolder)) return inProgramFolder;
  // Shipped with the program: beside it in the build tree, in the shared data folder once
  // installed.
  const QString shipped = QFile::decodeName(settings::ReadOnlyDataPath(FileName(name)).c_str());
  return QFileInfo::exists(shipped) ? shipped : inProgramFolder;
}

TSpeller::TSpeller(QObject* parent) : QObject(parent) {}

void TSpeller::SetMaxSuggestions(int count) {
  maxSuggestions_ = std::clamp(count, 0, spell::kMaxSuggestionLimit);
}

bool TSpeller::OpenDictionary(const QString& name) {
  failedName_.clear();
  if (!engine_.OpenMain(FileName(MainDictionaryPath(name)))) return false;
  DictionaryName = name;
  return true;
}

void TSpeller::OpenMainOnce() {
  if (engine_.MainOpen() || DictionaryName == failedName_) return;
  if (!OpenDictionary(DictionaryName)) failedName_ = DictionaryName;
}

bool TSpeller::CheckWord(const QString& word) {
  OpenMainOnce();
  return engine_.CheckWord(DictionaryText(word));
}

QStringList TSpeller::Suggest(const QString& word) {
  OpenMainOnce();
  QStringList list;
  for (const std::string& s : engine_.Suggest(DictionaryText(word), maxSuggestions_))
    list.append(ui::FromTableText(s));
  return list;
}

int TSpeller::OpenUserDictionary(const QString& name) {
  return engine_.OpenUser(FileName(UserDictionaryPath(name)));
}

int TSpeller::CreateUserDictionary(const QString& name, const QStringList& words) {
  std::vector<std::string> list;
  for (const QString& w : words) list.push_back(DictionaryText(w));
  return engine_.CreateUser(FileName(UserDictionaryPath(name)), std::move(list));
}

bool TSpeller::AddWord(const QString& word, int handle) {
  OpenMainOnce();
  return engine_.AddWord(DictionaryText(word), handle);
}

void TSpeller::CloseDictionaries() {
  engine_.Close();
  failedName_.clear();
}

}  // namespace compose
