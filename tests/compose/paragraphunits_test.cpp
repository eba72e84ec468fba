// Twips to and from the units of the paragraph dialog.
#include "compose/paragraphunits.h"

#include <gtest/gtest.h>

using namespace compose;

TEST(ParagraphUnits, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(-0.6), -1);
}

TEST(ParagraphUnits, ShowsIndentsWithTwoDecimalsAndSpacingInWholePoints) {
  EXPECT_EQ(TwipsToLengthText(1440, LengthUnit::Inch), "1.00");
  EXPECT_EQ(TwipsToLengthText(720, LengthUnit::Inch), "0.50");
  EXPECT_EQ(TwipsToLengthText(1440, LengthUnit::Centimetre), "2.54");
  EXPECT_EQ(TwipsToLengthText(-360, LengthUnit::Inch), "-0.25");
  EXPECT_EQ(TwipsToPointsText(240), "12");
  EXPECT_EQ(TwipsToPointsText(250), "12");  // 12.5 points, half to even
  EXPECT_EQ(TwipsToPointsText(270), "14");  // 13.5 points
  EXPECT_EQ(TwipsToPointsText(-240), "-12");
  EXPECT_EQ(UnitWord(LengthUnit::Inch), "inches");
  EXPECT_EQ(UnitWord(LengthUnit::Centimetre), "centimeters");
}

TEST(ParagraphUnits, ReadsTypedTextBackIntoTwips) {
  EXPECT_EQ(PointsTextToTwips("12"), 240);
  EXPECT_EQ(PointsTextToTwips("0.5"), 10);
  EXPECT_EQ(LengthTextToTwips("1", LengthUnit::Inch), 1440);
  EXPECT_EQ(LengthTextToTwips("2.54", LengthUnit::Centimetre), 1440);
  EXPECT_EQ(LengthTextToTwips("1", LengthUnit::Centimetre), 567);
  EXPECT_EQ(LengthTextToTwips("-0.25", LengthUnit::Inch), -360);
  EXPECT_EQ(LengthTextToTwips("", LengthUnit::Inch), 0);
  EXPECT_EQ(PointsTextToTwips(""), 0);
}

TEST(ParagraphUnits, RejectsTextThatIsNoNumberOrDoesNotFit) {
  for (const char* bad : {"abc", "1,5", "1..2", "12pt", "inf", "nan", "1e300"}) {
    EXPECT_FALSE(PointsTextToTwips(QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(LengthTextToTwips(QString::fromLatin1(bad), LengthUnit::Inch)) << bad;
  }
  EXPECT_FALSE(LengthTextToTwips("2000000", LengthUnit::Inch));  // beyond an int of twips
}

TEST(ParagraphUnits, ShownTextReadsBackToTheSameTwipsForWholeHundredthsAndPoints) {
  for (int twips : {0, 144, 720, 1440, 2880, -1440})
    EXPECT_EQ(LengthTextToTwips(TwipsToLengthText(twips, LengthUnit::Inch), LengthUnit::Inch),
              twips);
  for (int twips : {0, 20, 240, 1440, -240})
    EXPECT_EQ(PointsTextToTwips(TwipsToPointsText(twips)), twips);
}
