#include "core/ui/OperationContext.h"

#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

namespace ui {

// The quiet seams and the settings of a context, used until the caller sets its own.
struct COperationContext::Own {
    CCallbackProgress progress{nullptr};
    CUnattendedQuestions questions;
    CInfoView info;
    COptions options;
};

COperationContext::COperationContext()
    : m_own(std::make_unique<Own>()), m_progress(&m_own->progress), m_questions(&m_own->questions),
      m_info(&m_own->info), m_options(&m_own->options)
{
}

COperationContext::~COperationContext() = default;

void COperationContext::SetProgress(IProgress* progress) { m_progress = progress ? progress : &m_own->progress; }

void COperationContext::SetQuestions(IQuestions* questions)
{
    m_questions = questions ? questions : &m_own->questions;
}

void COperationContext::SetInfo(CInfoView* info) { m_info = info ? info : &m_own->info; }

void COperationContext::SetOptions(COptions* options) { m_options = options ? options : &m_own->options; }

COperationContext& COperationContext::Default()
{
    static COperationContext context;
    return context;
}

} // namespace ui
