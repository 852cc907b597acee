#include "app/frame/gui/ShellServices.h"

#include "core/ui/OperationContext.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"

namespace bridge {

ShellServices::ShellServices(ui::COperationContext& context, CMainFrame* frame)
    : m_context(context), m_progress(nullptr, m_questions)
{
    SetFrame(frame);
}

ShellServices::~ShellServices()
{
    m_progress.Close();
    ui::COperationContext& context = m_context;
    if (&context.Progress() == &m_progress)
        context.SetProgress(nullptr);
    if (&context.Questions() == &m_questions)
        context.SetQuestions(nullptr);
    if (&context.Info() == m_info)
        context.SetInfo(nullptr);
}

void ShellServices::SetFrame(CMainFrame* frame)
{
    m_questions.SetParent(frame);
    m_progress.SetParent(frame);
    ui::COperationContext& context = m_context;
    context.SetProgress(&m_progress);
    context.SetQuestions(&m_questions);
    m_info = frame ? static_cast<ui::CInfoView*>(frame->InfoBar()) : &m_infoBeforeFrame;
    context.SetInfo(m_info);
}

} // namespace bridge
