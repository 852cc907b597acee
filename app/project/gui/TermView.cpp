#include "app/project/gui/TermView.h"

#include "app/framework/gui/Text8.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/FindReplaceDlg.h"
#include "app/shell/gui/TextFind.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "platform/fs/AtomicFile.h"

#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// A terminal keeps at most a million characters; its RTF stays far below this.
constexpr size_t kLargestFile = 64u << 20;

QColor ToColor(platform::rtf::ColorRef c)
{
    return QColor(platform::rtf::RedOf(c), platform::rtf::GreenOf(c), platform::rtf::BlueOf(c));
}

QTextCharFormat ToQt(const platform::rtf::CharFormat& f)
{
    QTextCharFormat q;
    if (!f.face.empty())
        q.setFontFamilies({QString::fromLatin1(f.face.c_str())});
    q.setFontPointSize(f.halfPoints / 2.0);
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    if (f.color)
        q.setForeground(ToColor(*f.color));
    return q;
}

platform::rtf::CharFormat FromQt(const QTextCharFormat& q)
{
    platform::rtf::CharFormat f;
    const QStringList families = q.fontFamilies().toStringList();
    if (!families.isEmpty())
        f.face = families.first().toLatin1().toStdString();
    if (q.fontPointSize() > 0)
        f.halfPoints = static_cast<int>(q.fontPointSize() * 2 + 0.5);
    f.bold = q.fontWeight() >= QFont::Bold;
    f.italic = q.fontItalic();
    f.underline = q.fontUnderline();
    if (q.hasProperty(QTextFormat::ForegroundBrush)) {
        const QColor c = q.foreground().color();
        f.color = platform::rtf::MakeColor(c.red(), c.green(), c.blue());
    }
    return f;
}

} // namespace

void FillTextDocument(QTextEdit* edit, const platform::rtf::Document& document)
{
    edit->clear();
    QTextCursor cursor(edit->document());
    for (const platform::rtf::Run& run : document.runs)
        cursor.insertText(fw::ToQt(run.text), ToQt(run.format));
    edit->document()->setModified(false);
}

platform::rtf::Document DocumentOfText(const QTextEdit* edit)
{
    platform::rtf::Document doc;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                doc.Append(fw::FromQt(fragment.text()), FromQt(fragment.charFormat()));
        }
        if (block.next().isValid())
            doc.Append("\n", FromQt(block.charFormat()));
    }
    return doc;
}

CTermView::CTermView(ui::COperationContext& context, QWidget* parent) : QTextEdit(parent), m_context(context)
{
    setAcceptRichText(false);
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        if (positionChanged)
            positionChanged(PositionText());
    });
}

bool CTermView::Open(const QString& path, const COptions& options, std::string* error)
{
    std::string bytes;
    if (!platform::ReadWholeFile(path.toStdString(), bytes, kLargestFile)) {
        if (error)
            *error = "Cannot open the file \"" + path.toStdString() + "\".";
        return false;
    }
    m_path = path;
    const bool analyzer = path.endsWith(QStringLiteral(".ssf"), Qt::CaseInsensitive);
    QPalette p = palette();
    p.setColor(QPalette::Base, ToColor(analyzer ? options.IOTermBackColor : options.TermBackColor));
    setPalette(p);
    FillTextDocument(this, platform::rtf::Read(bytes));
    moveCursor(QTextCursor::Start);
    return true;
}

bool CTermView::Save(const QString& path, std::string* error)
{
    platform::AtomicFileWriter out;
    if (!out.Begin(path.toStdString()) || !out.Write(platform::rtf::Write(DocumentOfText(this))) || !out.Commit()) {
        if (error)
            *error = "Cannot write the file \"" + path.toStdString() + "\".";
        return false;
    }
    m_path = path;
    document()->setModified(false);
    return true;
}

QString CTermView::PositionText() const
{
    const QTextCursor c = textCursor();
    return QStringLiteral("Ln %1, Col %2").arg(c.blockNumber() + 1).arg(c.positionInBlock() + 1);
}

QWidget* MakeTermView(ui::COperationContext& context, const QString& path, std::string* error)
{
    auto* view = new CTermView(context);
    if (!path.isEmpty() && !view->Open(path, context.Options(), error)) {
        delete view;
        return nullptr;
    }
    return view;
}

// ---- find and replace ----

std::string CTermView::SelectedText() const { return fw::FromQt(textCursor().selectedText()); }

bool CTermView::Find(const std::string& what, int flags, bool fromStart)
{
    return textfind::FindInView(*this, what, flags, fromStart);
}

void CTermView::ReplaceSelection(const std::string& with) { textCursor().insertText(fw::ToQt(with)); }

void CTermView::SaveSelection()
{
    m_savedAnchor = textCursor().anchor();
    m_savedPosition = textCursor().position();
}

void CTermView::RestoreSelection() { textfind::RestoreViewSelection(*this, m_savedAnchor, m_savedPosition); }

bool CTermView::OnCommand(int id)
{
    switch (id) {
    case cmd::ID_EDIT_FIND:
    case cmd::ID_EDIT_REPLACE: {
        QPointer<CTermView> self(this);
        CFindReplaceDlg::Open(window(), m_context.Questions(), id == cmd::ID_EDIT_REPLACE,
                              [self]() -> textfind::IFindTarget* { return self.data(); });
        return true;
    }
    case cmd::ID_EDIT_REPEAT: {
        const std::string message = textfind::CFindState::Instance().Repeat(*this);
        if (!message.empty())
            ui::OptionMessageBox(m_context.Questions(), message, ui::MB_OK | ui::MB_ICONEXCLAMATION, {}, {}, {});
        return true;
    }
    }
    return false;
}
