// The text a cover sheet's merge field receives from the fax being composed.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace compose {

// What the fax editor knows when a template is loaded.
struct MergeSources {
  QString recipient;
  QString faxNumber;
  QString subject;
  QDateTime now;
};

// Longest text a merge field receives.
constexpr int kMergeTextLimit = 100;

// Id 1 recipient, 2 fax number, 3 subject, 4 date (system short date format), 5 time
// (system long time format), each cut to kMergeTextLimit characters; any other id gets
// no answer, so the field keeps its text.
std::optional<QString> MergeFieldAnswer(int id, const MergeSources& sources);

// Cuts text to at most limit UTF-16 units without splitting a surrogate pair.
QString CutText(const QString& text, int limit);

}  // namespace compose
