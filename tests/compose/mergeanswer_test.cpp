// Merge-field answers by id.
#include "compose/mergeanswer.h"

#include <gtest/gtest.h>
#include <QLocale>

using namespace compose;

namespace {
MergeSources sources() {
  return {QStringLiteral("Ann Smith"), QStringLiteral("555-0100"), QStringLiteral("Offer"),
          QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7))};
}
}  // namespace

TEST(MergeAnswer, AnswersTheFiveFieldsAndNothingElse) {
  const MergeSources s = sources();
  EXPECT_EQ(MergeFieldAnswer(1, s), "Ann Smith");
  EXPECT_EQ(MergeFieldAnswer(2, s), "555-0100");
  EXPECT_EQ(MergeFieldAnswer(3, s), "Offer");
  EXPECT_EQ(MergeFieldAnswer(4, s),
            QLocale::system().toString(QDate(2024, 3, 9), QLocale::ShortFormat));
  EXPECT_EQ(MergeFieldAnswer(5, s),
            QLocale::system().toString(QTime(14, 5, 7), QLocale::LongFormat));
  EXPECT_FALSE(MergeFieldAnswer(0, s));
  EXPECT_FALSE(MergeFieldAnswer(6, s));
  EXPECT_FALSE(MergeFieldAnswer(-1, s));
}

TEST(MergeAnswer, CutsLongTextsToOneHundredCharacters) {
  MergeSources s = sources();
  s.subject = QString(150, QLatin1Char('x'));
  EXPECT_EQ(MergeFieldAnswer(3, s), QString(100, QLatin1Char('x')));
  s.subject = QString(100, QLatin1Char('y'));
  EXPECT_EQ(MergeFieldAnswer(3, s), s.subject);
  s.subject.clear();
  EXPECT_EQ(MergeFieldAnswer(3, s), QString());
}

TEST(MergeAnswer, CuttingNeverSplitsACharacterOutsideTheBasicPlane) {
  const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // two UTF-16 units
  const QString text = QString(99, QLatin1Char('a')) + clef;
  EXPECT_EQ(CutText(text, 100), QString(99, QLatin1Char('a')));
  EXPECT_EQ(CutText(text, 101), text);
}
