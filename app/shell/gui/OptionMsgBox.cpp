#include "app/shell/gui/OptionMsgBox.h"

#include "app/framework/gui/Text8.h"
#include "app/res/gui/Icons.h"
#include "app/shell/DialogGeometry.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QRect ToRect(const shell::Box& b) { return QRect(b.x, b.y, b.w, b.h); }

} // namespace

COptionMsgBox::COptionMsgBox(const ui::MessageBoxRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request), m_layout(ui::LayoutOf(request.style, request.buttonTexts)),
      m_text(new QLabel(this)), m_icon(new QLabel(this)), m_check(new QCheckBox(this))
{
    setObjectName(QStringLiteral("176"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(fw::ToQt(request.caption.empty() ? std::string(ui::kDefaultCaption) : request.caption));
    m_text->setObjectName(QStringLiteral("1069"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setText(fw::ToQt(request.text));
    m_icon->setObjectName(QStringLiteral("1112"));
    m_check->setObjectName(QStringLiteral("1109"));
    m_check->setText(fw::ToQt(request.checkText));
    m_check->setVisible(!request.checkText.empty() && (request.style & ui::kRememberAnswer));

    if (m_layout.iconShown)
        m_icon->setPixmap(res::BoxIcon(request.style).pixmap(32, 32));
    m_icon->setVisible(m_layout.iconShown);

    const char* ids[3] = {"1002", "1110", "1111"};
    for (int i = 0; i < 3; ++i) {
        const ui::BoxButton& b = m_layout.buttons[static_cast<size_t>(i)];
        m_buttons[i] = new QPushButton(fw::ToQt(b.text), this);
        m_buttons[i]->setObjectName(QString::fromLatin1(ids[i]));
        m_buttons[i]->setAutoDefault(true);
        m_buttons[i]->setVisible(b.visible);
        const int answer = b.answer;
        connect(m_buttons[i], &QPushButton::clicked, this, [this, answer] { End(answer); });
    }

    // Size to the text, word-wrapped as the label will show it.
    const QFontMetrics fm(m_text->font());
    const QString text = m_text->text();
    const shell::OptionBoxGeometry g = shell::LayoutOptionBox(m_layout.iconShown, [&](int wrap) {
        const QRect r = fm.boundingRect(QRect(0, 0, wrap, 100000), Qt::TextWordWrap, text);
        return shell::Box{0, 0, r.width(), r.height()};
    });
    m_text->setGeometry(ToRect(g.text));
    m_icon->setGeometry(ToRect(g.icon));
    m_check->setGeometry(ToRect(g.check));
    for (int i = 0; i < 3; ++i) {
        // A text wider than the template's button ("Verify Calibration") widens it about its place:
        // the left one to the right, the middle one both ways, the right one to the left.
        QRect r = ToRect(g.buttons[i]);
        if (const int grow = m_buttons[i]->sizeHint().width() - r.width(); grow > 0)
            r.adjust(i == 0 ? 0 : i == 1 ? -grow / 2 : -grow, 0, i == 0 ? grow : i == 1 ? grow - grow / 2 : 0, 0);
        m_buttons[i]->setGeometry(r);
    }
    setFixedSize(g.width, g.height);

    QPushButton* focus = m_buttons[m_layout.focus];
    focus->setDefault(true);
    focus->setFocus();
    QTimer::singleShot(0, focus, [focus] { focus->setFocus(); });
}

ui::MessageBoxReply COptionMsgBox::Ask()
{
    exec();
    return {m_answer, !m_check->isHidden() && m_check->isChecked()};
}

void COptionMsgBox::End(int answer)
{
    m_answer = answer;
    done(answer);
}

void COptionMsgBox::reject()
{
    // Escape and the close box: the set's Escape answer, or nothing (the user must pick).
    if (m_layout.escapeAnswer)
        End(*m_layout.escapeAnswer);
}

void COptionMsgBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QPushButton* b : m_buttons) {
            if (b->isVisible() && b->hasFocus()) {
                b->click();
                return;
            }
        }
        // The dialog's own OK, when no button has the focus.
        if (m_layout.enterAnswer)
            End(*m_layout.enterAnswer);
        return;
    }
    QDialog::keyPressEvent(event);
}
