// The Editor, Terminal and Serial Data Analyzer pages of the Options dialog: colour swatches, the
// font size, switches and numbers, and a preview in the chosen look.

#include "app/shell/gui/OptionsDlg.h"

#include "app/shell/gui/Help.h"
#include "core/ui/Questions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>

using namespace shell::options;

namespace {

QColor ToQColor(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Appends text in a colour (bold and italic where asked).
void Put(QTextCursor& cursor, const char* text, uint32_t color, bool bold = false, bool italic = false)
{
    QTextCharFormat f;
    f.setForeground(ToQColor(color));
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    cursor.insertText(QString::fromLatin1(text), f);
}

QCheckBox* Check(int id, const char* text, QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::number(id));
    return box;
}

QLineEdit* Number(int id, int value, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setObjectName(QString::number(id));
    field->setMaximumWidth(80);
    return field;
}

// A field's signed number; text that is none reads as 0, which every check refuses.
int NumberOf(const QLineEdit* field) { return field->text().trimmed().toInt(); }

void ErrorBox(ui::IQuestions& questions, const std::string& text)
{
    ui::OptionMessageBox(questions, text, ui::MB_OK | ui::MB_ICONERROR);
}

} // namespace

// ---- What the colour pages share ---------------------------------------------------------------

CColorOptionsPage::CColorOptionsPage(int templateId, const char* helpTopic, OptionsSurroundings& s)
    : CPageDlgItem(templateId), m_s(s), m_helpTopic(helpTopic), m_preview(new QTextEdit(this)), m_grid(new QGridLayout(this))
{
    m_preview->setObjectName(QStringLiteral("1106"));
    m_preview->setReadOnly(true);
    m_preview->setLineWrapMode(QTextEdit::NoWrap);
    m_preview->setMinimumSize(260, 150);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_grid->setColumnStretch(2, 1);
}

std::string CColorOptionsPage::HelpTopic() const { return m_helpTopic; }

optionsgui::CColorButton* CColorOptionsPage::AddColor(int id, const char* label, uint32_t& color)
{
    const int row = m_grid->rowCount();
    auto* button = new optionsgui::CColorButton(id, color, [this] { DrawPreview(); }, m_s.desktop, this);
    m_grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
    m_grid->addWidget(button, row, 1);
    m_swatches.push_back(button);
    return button;
}

QComboBox* CColorOptionsPage::AddFontSize(int& points)
{
    m_fontSize = new QComboBox(this);
    m_fontSize->setObjectName(QStringLiteral("1150"));
    for (int i = 0; i < kFontSizeCount; ++i)
        m_fontSize->addItem(QString::number(FontSizeOfPosition(i)));
    const int row = m_grid->rowCount();
    m_grid->addWidget(new QLabel(QStringLiteral("Font Size:"), this), row, 0);
    m_grid->addWidget(m_fontSize, row, 1);
    ShowFontSize(points);
    connect(m_fontSize, &QComboBox::currentIndexChanged, this, [this, &points](int position) {
        points = FontSizeOfPosition(position);
        DrawPreview();
    });
    return m_fontSize;
}

void CColorOptionsPage::ShowFontSize(int points)
{
    const QSignalBlocker quiet(m_fontSize);
    m_fontSize->setCurrentIndex(FontSizePosition(points));
}

QFont CColorOptionsPage::PreviewFont(int points) const
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(points);
    return font;
}

QTextCursor CColorOptionsPage::ClearPreview(const QFont& font, uint32_t background)
{
    m_preview->clear();
    m_preview->setFont(font);
    m_preview->document()->setDefaultFont(font);
    QPalette p = m_preview->palette();
    p.setColor(QPalette::Base, ToQColor(background));
    m_preview->setPalette(p);
    return QTextCursor(m_preview->document());
}

void CColorOptionsPage::RedrawSwatches()
{
    for (auto* swatch : m_swatches)
        swatch->Redraw();
}

// ---- Editor ------------------------------------------------------------------------------------

CEditorOptionsPage::CEditorOptionsPage(OptionsSurroundings& s)
    : CColorOptionsPage(175, "VQXUsersGuide\\Options\\Editor.htm", s), m_page(ReadEditorPage(s.options))
{
    AddColor(1105, "Background Color:", m_page.backColor);
    AddColor(1103, "Normal Text Color:", m_page.normalColor);
    AddColor(1104, "Keywords Text Color:", m_page.keywordColor);
    AddColor(1109, "Flow Control Color:", m_page.flowColor);
    AddColor(1107, "Comments Text Color:", m_page.commentColor);
    m_tabSize = new QComboBox(this);
    m_tabSize->setObjectName(QStringLiteral("1108"));
    for (int i = 1; i <= 10; ++i)
        m_tabSize->addItem(QString::number(i));
    m_tabSize->setCurrentIndex(m_page.tabSize - 1);
    const int row = m_grid->rowCount();
    m_grid->addWidget(new QLabel(QStringLiteral("Tab size:"), this), row, 0);
    m_grid->addWidget(m_tabSize, row, 1);
    connect(m_tabSize, &QComboBox::currentIndexChanged, this, [this](int position) {
        m_page.tabSize = position + 1;
        DrawPreview();
    });
    AddFontSize(m_page.fontSize);
    m_grid->addWidget(m_preview, 0, 2, m_grid->rowCount(), 1);
    DrawPreview();
}

void CEditorOptionsPage::DrawPreview()
{
    const QFont font = PreviewFont(m_page.fontSize);
    QTextCursor c = ClearPreview(font, m_page.backColor);
    // The tab width: one character's width in pixels times the tab size, kept in twips.
    const int character = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
    m_page.tabSizePoint = TabWidthTwips(character, m_page.tabSize);
    m_preview->setTabStopDistance(static_cast<qreal>(character * m_page.tabSize));
    Put(c, "' Sample Program\n", m_page.commentColor);
    Put(c, "C1\n", m_page.flowColor, true);
    Put(c, "IF ", m_page.flowColor);
    Put(c, "a>10\n", m_page.normalColor);
    Put(c, "'1234567890\n", m_page.commentColor);
    Put(c, "\tRSP\n", m_page.keywordColor);
    Put(c, "ENDIF\n", m_page.flowColor);
    Put(c, "RETURN", m_page.flowColor, true);
}

void CEditorOptionsPage::Apply()
{
    if (ApplyEditorPage(m_page, m_s.options) && AskReformat(m_s.questions) && m_s.reformatSources)
        m_s.reformatSources();
}

void CEditorOptionsPage::RestoreDefaults()
{
    const EditorPage defaults;
    m_page = defaults;
    m_tabSize->setCurrentIndex(defaults.tabSize - 1);
    ShowFontSize(defaults.fontSize);
    RedrawSwatches();
    DrawPreview();
}

// ---- Terminal ----------------------------------------------------------------------------------

CTerminalOptionsPage::CTerminalOptionsPage(OptionsSurroundings& s)
    : CColorOptionsPage(177, "VQXUsersGuide\\Options\\Terminal.htm", s), m_page(ReadTerminalPage(s.options))
{
    AddColor(1105, "Background Color:", m_page.backColor);
    AddColor(1113, "Sent data Color:", m_page.sentColor);
    AddColor(1114, "Received data Color:", m_page.receivedColor);
    AddColor(1115, "Message Color:", m_page.messageColor);
    AddFontSize(m_page.fontSize);
    m_grid->addWidget(m_preview, 0, 2, m_grid->rowCount(), 2);
    m_echoErrors = Check(1143, "Issue Echo Errors", this);
    m_showTyping = Check(1240, "Display characters as typed", this);
    m_auto = Check(1251, "Automatically Calculate Echo Timeout", this);
    m_echo = Number(1001, m_page.echoTimeout, this);
    m_response = Number(1002, m_page.responseTimeout, this);
    m_network = Number(1003, m_page.networkDelay, this);
    m_byteDelay = Number(1000, m_page.downloadDelay, this);
    int row = m_grid->rowCount();
    m_grid->addWidget(m_echoErrors, row++, 0, 1, 2);
    m_grid->addWidget(m_showTyping, row++, 0, 1, 2);
    m_grid->addWidget(m_auto, row++, 0, 1, 2);
    auto number = [&](const char* label, QLineEdit* field, const char* unit) {
        m_grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
        m_grid->addWidget(field, row, 1);
        m_grid->addWidget(new QLabel(QString::fromLatin1(unit), this), row++, 2);
    };
    number("Echo Timeout:", m_echo, "mSec.");
    number("Response Timeout:", m_response, "mSec.");
    number("Network Delay:", m_network, "mSec.");
    number("Byte additional delay:", m_byteDelay, "uSec.");
    connect(m_auto, &QCheckBox::toggled, this, [this](bool on) { m_echo->setEnabled(!on); });
    Show();
}

void CTerminalOptionsPage::Show()
{
    m_echoErrors->setChecked(m_page.echoErrors);
    m_showTyping->setChecked(m_page.showTyping);
    m_auto->setChecked(m_page.calTimeouts);
    m_echo->setEnabled(!m_page.calTimeouts);
    m_echo->setText(QString::number(m_page.echoTimeout));
    m_response->setText(QString::number(m_page.responseTimeout));
    m_network->setText(QString::number(m_page.networkDelay));
    m_byteDelay->setText(QString::number(m_page.downloadDelay));
    ShowFontSize(m_page.fontSize);
    RedrawSwatches();
    DrawPreview();
}

void CTerminalOptionsPage::Read()
{
    m_page.echoErrors = m_echoErrors->isChecked();
    m_page.showTyping = m_showTyping->isChecked();
    m_page.calTimeouts = m_auto->isChecked();
    m_page.echoTimeout = NumberOf(m_echo);
    m_page.responseTimeout = NumberOf(m_response);
    m_page.networkDelay = NumberOf(m_network);
    m_page.downloadDelay = NumberOf(m_byteDelay);
}

void CTerminalOptionsPage::DrawPreview()
{
    QTextCursor c = ClearPreview(PreviewFont(m_page.fontSize), m_page.backColor);
    Put(c, "\n  Addressing the Motors... Done\n", m_page.messageColor, true, true);
    Put(c, "\nRSP", m_page.sentColor);
    Put(c, "\t24576/415\n", m_page.receivedColor);
    Put(c, "RP", m_page.sentColor);
    Put(c, "\t12345", m_page.receivedColor);
}

bool CTerminalOptionsPage::Validate()
{
    Read();
    if (const auto problem = ValidateTerminalPage(m_page)) {
        ErrorBox(m_s.questions, *problem);
        return false;
    }
    return true;
}

void CTerminalOptionsPage::Apply()
{
    Read();
    if (ApplyTerminalPage(m_page, m_s.options) && m_s.clearTerminals)
        m_s.clearTerminals();
}

void CTerminalOptionsPage::RestoreDefaults()
{
    m_page = TerminalPage{};
    Show();
}

// ---- Serial Data Analyzer ------------------------------------------------------------------------

CAnalyzerOptionsPage::CAnalyzerOptionsPage(OptionsSurroundings& s)
    : CColorOptionsPage(178, "VQXUsersGuide\\Options\\SDA.htm", s), m_page(ReadAnalyzerPage(s.options))
{
    AddColor(1105, "Background Color:", m_page.backColor);
    AddColor(1113, "Sent data Color:", m_page.sentColor);
    AddColor(1114, "Received data Color:", m_page.receivedColor);
    AddColor(1115, "Echo Color:", m_page.echoColor);
    AddColor(1118, "Serial Data Analyzer Color:", m_page.analyzerColor);
    AddFontSize(m_page.fontSize);
    m_grid->addWidget(m_preview, 0, 2, m_grid->rowCount(), 2);
    m_polling = Check(1116, "Include polling data transfer", this);
    m_internal = Check(1117, "Include VQX Internal data transfer", this);
    m_sound = Check(1367, "Play the following sound file when a byte is received:", this);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("1000"));
    m_browse = new QPushButton(QStringLiteral("Browse"), this);
    m_browse->setObjectName(QStringLiteral("1002"));
    m_browse->setAutoDefault(false);
    m_play = new QPushButton(QStringLiteral("Play"), this);
    m_play->setObjectName(QStringLiteral("1003"));
    m_play->setAutoDefault(false);
    int row = m_grid->rowCount();
    m_grid->addWidget(m_polling, row++, 0, 1, 4);
    m_grid->addWidget(m_internal, row++, 0, 1, 4);
    m_grid->addWidget(m_sound, row++, 0, 1, 4);
    m_grid->addWidget(m_file, row, 0, 1, 2);
    m_grid->addWidget(m_browse, row, 2);
    m_grid->addWidget(m_play, row, 3);
    connect(m_sound, &QCheckBox::toggled, this, [this](bool on) {
        m_file->setEnabled(on);
        m_browse->setEnabled(on);
        m_play->setEnabled(on);
    });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString file = optionsgui::ChooseFile(this, m_s.desktop, QStringLiteral("Select Sound File"),
                                                      QStringLiteral("Wave Files (*.wav);;All Files (*)"));
        if (!file.isEmpty())
            m_file->setText(file);
    });
    connect(m_play, &QPushButton::clicked, this, [this] {
        // Once, without waiting; where the desktop has no player, nothing sounds.
        const QString player = QStandardPaths::findExecutable(QStringLiteral("aplay"));
        if (!player.isEmpty() && QFileInfo(m_file->text()).isFile())
            QProcess::startDetached(player, {QStringLiteral("-q"), m_file->text()});
    });
    Show();
}

void CAnalyzerOptionsPage::Show()
{
    m_polling->setChecked(m_page.includePolling);
    m_internal->setChecked(m_page.includeInternal);
    m_sound->setChecked(m_page.receiveSounds);
    m_file->setText(QString::fromLocal8Bit(m_page.soundFile.c_str()));
    for (QWidget* w : {static_cast<QWidget*>(m_file), static_cast<QWidget*>(m_browse), static_cast<QWidget*>(m_play)})
        w->setEnabled(m_page.receiveSounds);
    ShowFontSize(m_page.fontSize);
    RedrawSwatches();
    DrawPreview();
}

void CAnalyzerOptionsPage::Read()
{
    m_page.includePolling = m_polling->isChecked();
    m_page.includeInternal = m_internal->isChecked();
    m_page.receiveSounds = m_sound->isChecked();
    m_page.soundFile = m_file->text().toLocal8Bit().toStdString();
}

void CAnalyzerOptionsPage::DrawPreview()
{
    const QFont font = PreviewFont(m_page.fontSize);
    QTextCursor c = ClearPreview(font, m_page.backColor);
    Put(c, ">", m_page.analyzerColor);
    Put(c, "81 52 50 20 ", m_page.sentColor);
    Put(c, "| ", m_page.analyzerColor);
    Put(c, ".RP\n", m_page.sentColor);
    Put(c, ">", m_page.analyzerColor);
    Put(c, "81 52 50 20 ", m_page.echoColor);
    Put(c, "| ", m_page.analyzerColor);
    Put(c, ".RP\n", m_page.echoColor);
    Put(c, ">", m_page.analyzerColor);
    Put(c, "31 30 30 30 30 0D ", m_page.receivedColor);
    Put(c, "| ", m_page.analyzerColor);
    Put(c, "10000", m_page.receivedColor);
    // The analyzer's line spacing: the distance between two lines in this font.
    m_page.lineHeight = QFontMetrics(font).lineSpacing();
}

void CAnalyzerOptionsPage::Apply()
{
    Read();
    if (ApplyAnalyzerPage(m_page, m_s.options) && m_s.applyAnalyzer)
        m_s.applyAnalyzer();
}

void CAnalyzerOptionsPage::RestoreDefaults()
{
    Read();
    RestoreAnalyzerDefaults(m_page);
    Show();
}
