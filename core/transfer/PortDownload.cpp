#include "core/transfer/PortDownload.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"

namespace transfer {

uint32_t DownloadToEachMotor(CCommPort& port, const std::string& fileName, bool showProgress, uint32_t flags,
                             bool recordInfo, int* failures)
{
    std::vector<CMotor*> motors;
    for (int a = 1; a <= port.MaxMotors; ++a)
        if (CMotor* m = port.GetMotor(a))
            motors.push_back(m);
    if (motors.size() > 1)
        flags |= DL_SEVERAL;
    int failed = 0;
    for (CMotor* m : motors) {
        try {
            flags = m->DownloadProgram(fileName, showProgress, flags, recordInfo);
        } catch (const CVQXException& e) {
            // Also the Cancel of a question: the run ends, as a cancelled transfer ends it.
            ++failed;
            if (!(flags & DL_QUIET))
                port.Context().Info().AddException(e);
            break;
        }
        if (flags & DL_CANCELLED)
            break;
    }
    if (failures)
        *failures = failed;
    return flags;
}

} // namespace transfer
