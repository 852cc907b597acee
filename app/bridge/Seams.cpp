#include "app/bridge/Seams.h"

#include "core/settings/Options.h"

namespace bridge {

ui::COperationContext& Context() { return ui::COperationContext::Default(); }
ui::IProgress& Progress() { return Context().Progress(); }
ui::IQuestions& Questions() { return Context().Questions(); }
ui::CInfoView& Info() { return Context().Info(); }
COptions& Options() { return Context().Options(); }

} // namespace bridge
