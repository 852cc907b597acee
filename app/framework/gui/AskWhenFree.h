#pragma once
// A window's question raised from a session notice or a timer: asked once the user is free
// (fw::DeferredQuestions: no modal box or menu open, no long operation, no command under way),
// one at a time, and only while `owner` still exists.

#include <functional>

class QObject;

namespace fw {

void AskWhenFree(QObject* owner, std::function<void()> ask);

} // namespace fw
