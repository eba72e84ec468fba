// TSpeller: the spell checker component the dialog holds. It wraps the dictionary engine
// in the windows' terms: Unicode words, dictionary names resolved in the program folder,
// and the main dictionary opened on first use.
#pragma once

#include "spell/engine.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace compose {

// The main dictionary the program ships, and the user dictionary it grows.
constexpr const char* kMainDictionaryName = "bdl.dct";
constexpr const char* kUserDictionaryName = "bdlu.dct";

class TSpeller : public QObject {
  Q_OBJECT
 public:
  explicit TSpeller(QObject* parent = nullptr);

  // Opened by CheckWord, Suggest and AddWord when no main dictionary is open.
  QString DictionaryName = QStringLiteral("main.dct");
  QString DictionaryUser = QStringLiteral("custom.dct");
  int MaxSuggestions() const { return maxSuggestions_; }
  void SetMaxSuggestions(int count);  // 0..255; above 220 becomes 220
  bool MainOpen() const { return engine_.MainOpen(); }

  // A relative name is looked for in the program folder (and, for a main dictionary it
  // does not hold, beside the executable), never in the working directory.
  bool OpenDictionary(const QString& name);
  bool CheckWord(const QString& word);
  QStringList Suggest(const QString& word);
  int OpenUserDictionary(const QString& name);
  int CreateUserDictionary(const QString& name, const QStringList& words);
  bool AddWord(const QString& word, int handle);
  void CloseDictionaries();

 private:
  // Opens DictionaryName unless a main dictionary is open. A name that failed to open is
  // not tried again for every word, only once it changes or OpenDictionary is called.
  void OpenMainOnce();

  spell::Engine engine_;
  int maxSuggestions_ = 10;
  QString failedName_;
};

// Where a dictionary name leads: absolute names as they are, others in the program
// folder; a main dictionary missing there is taken from beside the executable, so a
// program started with another data folder still finds the one it was installed with.
QString UserDictionaryPath(const QString& name);
QString MainDictionaryPath(const QString& name);

}  // namespace compose
