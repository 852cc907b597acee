#pragma once
// The one place where VQX reaches the core's user-interface seams: the operation context of its
// main window (the please-wait dialog, the question boxes, the information lines, the settings).
// Everything else in app/ calls these.

#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

class COptions;

namespace bridge {

ui::COperationContext& Context();
ui::IProgress& Progress();
ui::IQuestions& Questions();
ui::CInfoView& Info();
COptions& Options();

} // namespace bridge
