// The fax engine's error codes, shared by the fax image module and the fax engine.
// Codes are negative ints and 0 is success. Ranges: -2..-162 run-time file errors
// (negated), -8 memory, -1001..-1009 arguments and components, -2001..-2011 opening a
// port and losing its device, -3002..-3007 line settings and buffers, -5001..-5003 triggers,
// -6005..-6011 session control, -8001..-8082 fax files, images and modem dialogues. A port open
// that fails in the operating system otherwise returns the negated errno.
#pragma once

namespace faxcodes {

inline constexpr int ecOK = 0;

// Run-time file errors, by their classic result codes.
inline constexpr int ecFileNotFound = -2;
inline constexpr int ecPathNotFound = -3;
inline constexpr int ecTooManyOpenFiles = -4;
inline constexpr int ecAccessDenied = -5;
inline constexpr int ecInvalidHandle = -6;
inline constexpr int ecOutOfMemory = -8;
inline constexpr int ecDiskRead = -100;   // reading beyond the end of the file
inline constexpr int ecDiskWrite = -101;  // disk full or failed write
inline constexpr int ecFileNotAssigned = -102;
inline constexpr int ecFileNotOpen = -103;
inline constexpr int ecDeviceWrite = -160;  // short write while storing received data

// Arguments and components.
inline constexpr int ecBadHandle = -1001;
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecNoComPort = -1005;
inline constexpr int ecWinClassFailed = -1006;
inline constexpr int ecNotNetworkCompatible = -1009;

// Opening a port.
inline constexpr int ecNoSuchPort = -2001;
inline constexpr int ecPortInUse = -2005;
inline constexpr int ecPortAlreadyOpen = -2008;
inline constexpr int ecNoMoreHandles = -2009;
inline constexpr int ecPortAccessDenied = -2010;
inline constexpr int ecDeviceLost = -2011;  // the open port's device went away (unplugged)

// Line settings and buffers.
inline constexpr int ecBadLineSettings = -3002;
inline constexpr int ecOutputFull = -3004;  // the output buffer cannot take the whole block
inline constexpr int ecOutputTooSmall = -3006;
inline constexpr int ecBufferIsEmpty = -3007;

// Triggers.
inline constexpr int ecNoMoreTriggers = -5001;
inline constexpr int ecBadTriggerHandle = -5003;

// Session control.
inline constexpr int ecCancelRequested = -6005;
inline constexpr int ecTimeout = -6006;
inline constexpr int ecNoFilename = -6010;
inline constexpr int ecFileRejected = -6011;

// Fax files and images.
inline constexpr int ecFaxBadFormat = -8001;
inline constexpr int ecBadGraphicsFormat = -8002;
inline constexpr int ecConvertAbort = -8003;
inline constexpr int ecUnpackAbort = -8004;
inline constexpr int ecCantMakeBitmap = -8005;
inline constexpr int ecNoImageLoaded = -8050;
inline constexpr int ecNoBlockMarked = -8051;
inline constexpr int ecFontNotFound = -8052;
inline constexpr int ecBitmapTooTall = -8054;

// Modem dialogues.
inline constexpr int ecFaxIncompatible = -8070;
inline constexpr int ecFaxBadModemResult = -8071;
inline constexpr int ecFaxTrainError = -8072;
inline constexpr int ecFaxInitError = -8073;
inline constexpr int ecFaxBusy = -8074;
inline constexpr int ecFaxVoiceCall = -8075;
inline constexpr int ecFaxDataCall = -8076;
inline constexpr int ecFaxNoDialTone = -8077;
inline constexpr int ecFaxNoFax = -8078;
inline constexpr int ecFaxSessionError = -8079;
inline constexpr int ecFaxPageError = -8080;
inline constexpr int ecFaxMixedResolution = -8082;

}  // namespace faxcodes
