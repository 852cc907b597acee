#include "app/framework/gui/AskWhenFree.h"

#include "app/framework/DeferredQuestions.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

namespace fw {
namespace {

// Whether a box can be asked is seen only by looking: a modal box that closes says nothing.
constexpr int kLookMs = 50;

QTimer* Runner()
{
    static QPointer<QTimer> timer;
    if (!timer) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setInterval(kLookMs);
        DeferredQuestions::SetBusy(
            [] { return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr; });
        QObject::connect(timer, &QTimer::timeout, timer, [] {
            DeferredQuestions::AskReady();
            if (DeferredQuestions::Pending() == 0 && timer)
                timer->stop();
        });
    }
    return timer;
}

} // namespace

void AskWhenFree(QObject* owner, std::function<void()> ask)
{
    QPointer<QObject> guard(owner);
    DeferredQuestions::Post([guard] { return !guard.isNull(); }, std::move(ask));
    if (QTimer* timer = Runner(); !timer->isActive())
        timer->start();
}

} // namespace fw
