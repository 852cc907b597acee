#include "app/tools/gui/PagePollButtons.h"

#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/WatchIcons.h"

#include <QApplication>
#include <QPushButton>

namespace tools::gui {

namespace {

QPushButton* Button(QWidget* parent, const char* text, int id, const char* tip)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::number(id));
    b->setToolTip(QString::fromLatin1(tip));
    return b;
}

void Report(const PagePollButtons::Actions& a, const std::string& error)
{
    if (!error.empty() && a.message)
        a.message(error);
    if (a.shown)
        a.shown();
}

} // namespace

PagePollButtons PagePollButtons::Make(QWidget* parent, Actions actions)
{
    PagePollButtons b;
    b.poll = Button(parent, "Poll", 1168, "Start Polling the motor");
    b.poll->setCheckable(true);
    b.stop = Button(parent, "Stop", 1169, "Stop Polling the motor");
    b.stop->setCheckable(true);
    b.refresh = Button(parent, "Refresh", 1351, "Read the information and update this page");
    b.indicator = new CIconButton(parent);
    b.indicator->setObjectName(QStringLiteral("1355"));
    b.indicator->SetIcons(watchicons::LinkIndicator(0), watchicons::LinkIndicator(1), watchicons::LinkIndicator(-1),
                          QSize(24, 16));
    if (!actions.start)
        return b;
    QObject::connect(b.poll, &QPushButton::clicked, parent, [actions] { Report(actions, actions.start()); });
    QObject::connect(b.stop, &QPushButton::clicked, parent, [actions] {
        actions.stop();
        Report(actions, {});
    });
    QObject::connect(b.refresh, &QPushButton::clicked, parent, [actions] {
        std::string error;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        actions.refreshScope([&] { error = actions.refresh(); });
        QApplication::restoreOverrideCursor();
        Report(actions, error);
    });
    return b;
}

void PagePollButtons::Show(bool polling, int link) const
{
    poll->setChecked(polling);
    poll->setEnabled(!polling);
    stop->setChecked(!polling);
    stop->setEnabled(polling);
    refresh->setEnabled(!polling);
    indicator->SetState(link);
}

} // namespace tools::gui
