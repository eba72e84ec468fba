// The text table: the numbering rule that callers and stored logs rely on, the status
// texts a progress display shows, and the exception class each code raises.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "faxcodes/error_codes.h"
#include "faxcodes/exceptions.h"
#include "faxcodes/texts.h"

using namespace faxcodes;

TEST(FaxTexts, StringNumbersFollowTheRule) {
  EXPECT_EQ(errorStringId(-8001), 11801);
  EXPECT_EQ(errorStringId(-2), 11002);
  EXPECT_EQ(errorStringId(-160), 11960);  // 100..199 use 11800 + |c|
  EXPECT_EQ(errorStringId(-200), 11200);
  EXPECT_EQ(errorStringId(-2009), 11209);
  EXPECT_EQ(errorStringId(-5003), 11503);
}

TEST(FaxTexts, ErrorTextsComeFromTheirNumbers) {
  EXPECT_STREQ(errorText(-8001), "File is not a BRX file");
  EXPECT_STREQ(errorText(-2), "File not found");
  EXPECT_STREQ(errorText(-160), "Device write error");
  EXPECT_STREQ(errorText(-2009), "No more handles, can't open port");
  EXPECT_STREQ(errorText(0), "");
  // Every code the engine and the image module name has its own text.
  for (int code : {ecNoSuchPort, ecPortInUse, ecPortAccessDenied, ecBadLineSettings, ecOutputFull,
                   ecBufferIsEmpty, ecBadTriggerHandle, ecFontNotFound, ecBitmapTooTall,
                   ecFaxMixedResolution, ecTimeout})
    EXPECT_STRNE(errorText(code), errorText(-7777)) << code;
  EXPECT_NE(std::string(errorText(ecPortAccessDenied)).find("ermission"), std::string::npos);
}

TEST(FaxTexts, StatusTextsCoverCodesOneToFortyTwo) {
  EXPECT_STREQ(statusText(2), "Dialing");
  EXPECT_STREQ(statusText(42), "User abort");
  EXPECT_STREQ(statusText(43), "");  // "Finished" is set but never shown
  EXPECT_STREQ(statusText(0), "");
  EXPECT_STREQ(statusText(9), "");  // a gap in the numbering
  EXPECT_EQ(tableText(13043), nullptr);
}

TEST(FaxTexts, CodesRaiseTheirExceptionClass) {
  EXPECT_THROW(raiseFxError(ecFaxBadFormat), EFaxBadFormat);
  EXPECT_THROW(raiseFxError(ecBadArgument), EBadArgument);
  EXPECT_THROW(raiseFxError(ecOutOfMemory), EOutOfMemory);
  try {
    raiseFxError(ecDiskWrite);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.errorCode(), 101);
    EXPECT_STREQ(e.what(), "Disk write error");
  }
  try {
    raiseFxError(ecNoMoreTriggers);
    FAIL();
  } catch (const EFxException& e) {
    EXPECT_EQ(e.code(), ecNoMoreTriggers);
  }
  EXPECT_NO_THROW(raiseFxError(0));
}

TEST(FaxTexts, FileErrnoMapsToRunTimeCodes) {
  EXPECT_EQ(ioErrorFromErrno(ENOENT, false), ecFileNotFound);
  EXPECT_EQ(ioErrorFromErrno(EACCES, true), ecAccessDenied);
  EXPECT_EQ(ioErrorFromErrno(ENOSPC, true), ecDiskWrite);
  EXPECT_EQ(ioErrorFromErrno(EIO, false), ecDiskRead);
}
