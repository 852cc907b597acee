#include "core/ui/Services.h"

#include <atomic>

namespace ui {
namespace {

CHeadlessProgress& DefaultProgress()
{
    static CHeadlessProgress progress = [] {
        CHeadlessProgress p;
        p.SetRecording(false);
        return p;
    }();
    return progress;
}

CHeadlessQuestions& DefaultQuestions()
{
    static CHeadlessQuestions questions = [] {
        CHeadlessQuestions q;
        q.SetRecording(false);
        return q;
    }();
    return questions;
}

CHeadlessInfoView& DefaultInfo()
{
    static CHeadlessInfoView info;
    return info;
}

std::atomic<IProgress*> g_progress{nullptr};
std::atomic<IQuestions*> g_questions{nullptr};
std::atomic<CInfoView*> g_info{nullptr};

} // namespace

IProgress& Progress()
{
    IProgress* p = g_progress.load();
    return p ? *p : DefaultProgress();
}

IQuestions& Questions()
{
    IQuestions* q = g_questions.load();
    return q ? *q : DefaultQuestions();
}

CInfoView& Info()
{
    CInfoView* i = g_info.load();
    return i ? *i : DefaultInfo();
}

void SetProgress(IProgress* progress) { g_progress.store(progress); }
void SetQuestions(IQuestions* questions) { g_questions.store(questions); }
void SetInfo(CInfoView* info) { g_info.store(info); }

ScopedServices::ScopedServices(IProgress* progress, IQuestions* questions, CInfoView* info)
    : m_oldProgress(g_progress.load()), m_oldQuestions(g_questions.load()), m_oldInfo(g_info.load()),
      m_progress(progress != nullptr), m_questions(questions != nullptr), m_info(info != nullptr)
{
    if (progress)
        SetProgress(progress);
    if (questions)
        SetQuestions(questions);
    if (info)
        SetInfo(info);
}

ScopedServices::~ScopedServices()
{
    if (m_progress)
        SetProgress(m_oldProgress);
    if (m_questions)
        SetQuestions(m_oldQuestions);
    if (m_info)
        SetInfo(m_oldInfo);
}

} // namespace ui
