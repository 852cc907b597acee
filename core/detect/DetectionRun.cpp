#include "core/detect/DetectionRun.h"

#include "core/VQXException.h"

#include <cstdio>

int FailDetection(CCommPort& port, CDetectionProgress& progress, int flags)
{
    progress.Close();
    port.AllVer5s = 0;
    if (flags & DETECT_THROW)
        throw; // rethrows the exception being handled
    return DETECT_FAILED;
}

int CancelDetection(CCommPort& port, CDetectionProgress& progress)
{
    port.AllVer5s = 0;
    progress.Close();
    return DETECT_CANCELLED;
}

int EndLinkDetection(CCommPort& port, CDetectionProgress& progress, int flags)
{
    progress.Close();
    if (port.motors.GetCount() == 0) {
        if (flags & DETECT_THROW)
            throw CVQXException(CVQXException::NoLink);
        return DETECT_NONE;
    }
    port.SelectMotor(0);
    return DETECT_FOUND;
}

std::string FormatNumber(const char* format, long long value)
{
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string WithPortName(const char* format, const CCommPort& port)
{
    char text[400];
    std::snprintf(text, sizeof text, format, port.Name.c_str());
    return text;
}

int ScanResult(bool found, bool answeredAfterOwn, bool answeredAboveMax, bool probedAboveMax)
{
    if (!answeredAfterOwn)
        return found ? DETECT_FOUND : DETECT_NONE;
    if (probedAboveMax && !answeredAboveMax)
        return DETECT_ABOVE_MAX;
    return found ? DETECT_UNADDRESSED : DETECT_ONLY_BROADCAST;
}
