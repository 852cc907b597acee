#pragma once
// An operation context for one test, with the scripted headless seams in place: the test answers
// the questions, plays the user at the please-wait dialog and reads the information lines.

#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/support/ui/HeadlessQuestions.h"
#include "tests/support/ui/HeadlessInfoView.h"

struct HeadlessContext {
    HeadlessContext()
    {
        context.SetProgress(&progress);
        context.SetQuestions(&questions);
        context.SetInfo(&info);
    }
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    ui::CHeadlessQuestions questions;
    ui::CHeadlessProgress progress{&questions};
    ui::CHeadlessInfoView info;
    ui::COperationContext context;
};
