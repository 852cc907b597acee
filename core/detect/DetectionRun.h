#pragma once
// How a detection that takes flags ends when an exception stops it: the dialog closed, AllVer5s
// cleared, and the error thrown on with the throw flag or returned as DETECT_FAILED.

#include "core/detect/DetectionFrame.h"

#include <exception>

// Call from a catch block.
int FailDetection(CCommPort& port, CDetectionProgress& progress, int flags);
// The end of a cancelled run.
int CancelDetection(CCommPort& port, CDetectionProgress& progress);
// The end of an Ethernet or USB detection: the dialog closed; without a motor in the list
// DETECT_NONE (1004 with the throw flag), else the motors deselected and DETECT_FOUND.
int EndLinkDetection(CCommPort& port, CDetectionProgress& progress, int flags);
// A text with one %lld filled in.
std::string FormatNumber(const char* format, long long value);
// "<text> \"<port name>\"" style texts.
std::string WithPortName(const char* format, const CCommPort& port);
// The result of a scan from its two broadcast probes (see the result values).
int ScanResult(bool found, bool answeredAfterOwn, bool answeredAboveMax, bool probedAboveMax);
