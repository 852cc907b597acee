#pragma once
// The user-interface seams in use. The core finds the please-wait dialog, the question boxes and
// the information view here; the application shell installs its widgets at start, tests install
// headless implementations for a scope. Until something is installed, headless defaults are used
// that record nothing, never cancel, answer every question as a user who closes the box, and keep
// the information lines (cleared by the next operation).

#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

namespace ui {

IProgress& Progress();
IQuestions& Questions();
CInfoView& Info();

// Installs an implementation (nullptr restores the default). The caller keeps ownership and
// keeps the object alive while it is installed.
void SetProgress(IProgress* progress);
void SetQuestions(IQuestions* questions);
void SetInfo(CInfoView* info);

// Installs the given implementations for the lifetime of a scope (null: leave that seam as it
// is) and puts back what was installed before.
class ScopedServices {
public:
    ScopedServices(IProgress* progress, IQuestions* questions, CInfoView* info);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    IProgress* m_oldProgress;
    IQuestions* m_oldQuestions;
    CInfoView* m_oldInfo;
    bool m_progress, m_questions, m_info;
};

} // namespace ui
