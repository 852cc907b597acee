#include "synmove/gui/SynmoveDlg.h"

#include "samples/common/gui/ProgramIcon.h"

#include "platform/paths/Paths.h"
#include "samples/common/gui/SuiteBroadcast.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QIcon>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace synmove {
namespace {

QLineEdit* Field(const QString& text, const char* name)
{
    auto* e = new QLineEdit(text);
    e->setReadOnly(true);
    e->setObjectName(name);
    return e;
}

// A button; with a picture, the picture of its caption (greyed when disabled) beside the caption.
QPushButton* Button(const QString& text, const char* name, const char* picture = nullptr)
{
    auto* b = picture ? new QPushButton(vqxclient::ButtonPicture(picture), text) : new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setIconSize(QSize(24, 24));
    return b;
}

// A motor-map field: any whole number can be typed (the run's check names a wrong one), while its
// arrows step only within the addresses 1..6.
class MapField final : public QSpinBox {
public:
    MapField() { setRange(INT_MIN, INT_MAX); }
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, kLow, kHigh)); }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled e = StepNone;
        if (value() < kHigh)
            e |= StepUpEnabled;
        if (value() > kLow)
            e |= StepDownEnabled;
        return e;
    }

private:
    static constexpr int kLow = 1;
    static constexpr int kHigh = 6;
};

} // namespace

CSynmoveDlg::CSynmoveDlg(platform::Profile& profile, MotionRun::EngineFactory engine, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_run(std::move(engine))
{
    setWindowTitle("Synmove");
    chooseFile = [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QFileDialog dialog(this, QString(), QString(), "Coordinated Motion Files (*.syn);;All Files (*)");
        dialog.setDefaultSuffix("syn");
        dialog.setFileMode(QFileDialog::ExistingFile);
        QApplication::restoreOverrideCursor();
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                       : QString();
    };
    // The desktop's text editor, started with the path as its argument (never through a shell).
    openInEditor = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    showError = [this](const QString& title, const QString& text) { QMessageBox::critical(this, title, text); };
    openHelp = [](const QString& page) { return QDesktopServices::openUrl(QUrl::fromLocalFile(page)); };
    askYesNo = [this](const QString& text) {
        return QMessageBox::warning(this, "Warning!", text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };

    BuildControls();
    LoadSettings();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CSynmoveDlg::ShowProgress);
    m_timer->start(200);
    m_animation = new QTimer(this);
    connect(m_animation, &QTimer::timeout, this, [this] {
        if (m_steps.empty()) {
            m_animation->stop();
            return;
        }
        setFixedSize(m_fullWidth, m_steps.front());
        m_steps.erase(m_steps.begin());
    });

    // Collapsed at start: 20/33 of the full height.
    m_content->adjustSize();
    m_fullWidth = m_content->width();
    m_fullHeight = m_content->height();
    setFixedSize(m_fullWidth, CollapsedHeight(m_fullHeight));

    // Tell the suite's other programs that Synmove takes over, and give them time to let go.
    vqxclient::SuiteBroadcast::Send("VQXSuspendMsg");
    QThread::msleep(500);
}

CSynmoveDlg::~CSynmoveDlg()
{
    m_run.RequestStop();
    m_run.Finish();
}

void CSynmoveDlg::BuildControls()
{
    m_content = new QWidget(this);
    auto* top = new QWidget;
    auto* grid = new QGridLayout(top);
    m_fileName = new QLineEdit;
    m_fileName->setObjectName("fileName");
    m_browse = Button("Browse", "browse");
    grid->addWidget(new QLabel("File Name:"), 0, 0);
    grid->addWidget(m_fileName, 0, 1, 1, 2);
    grid->addWidget(m_browse, 0, 3);
    grid->addWidget(new QLabel("Total"), 1, 1);
    grid->addWidget(new QLabel("Current"), 1, 2);
    m_totalRecords = Field("0", "totalRecords");
    m_currentRecord = Field("0", "currentRecord");
    m_totalTime = Field("0", "totalTime");
    m_currentTime = Field("0", "currentTime");
    grid->addWidget(new QLabel("Number of records:"), 2, 0);
    grid->addWidget(m_totalRecords, 2, 1);
    grid->addWidget(m_currentRecord, 2, 2);
    grid->addWidget(new QLabel("Execution Time (Sec):"), 3, 0);
    grid->addWidget(m_totalTime, 3, 1);
    grid->addWidget(m_currentTime, 3, 2);
    m_positions = new QPlainTextEdit("N/A");
    m_positions->setObjectName("positions");
    m_positions->setReadOnly(true);
    m_positions->setFixedHeight(m_positions->fontMetrics().lineSpacing() * 6 + 12);
    grid->addWidget(new QLabel("Current Position:"), 4, 0, Qt::AlignTop);
    grid->addWidget(m_positions, 4, 1, 1, 2);
    m_motors = Field("N/A", "motors");
    m_timeDelta = Field("N/A", "timeDelta");
    grid->addWidget(new QLabel("Number of Motors:"), 5, 0);
    grid->addWidget(m_motors, 5, 1);
    grid->addWidget(new QLabel("Time Delta:"), 6, 0);
    grid->addWidget(m_timeDelta, 6, 1);
    auto* buttons = new QHBoxLayout;
    m_runButton = Button("Run", "run", "run");
    m_stopButton = Button("Stop", "stop", "stop");
    m_editButton = Button("Edit", "edit", "edit");
    m_setupButton = Button("Setup", "setup", "setup");
    m_setupButton->setCheckable(true);
    m_helpButton = Button("Help", "help", "help");
    m_closeButton = Button("Close", "close", "close");
    for (QPushButton* b : {m_runButton, m_stopButton, m_editButton, m_setupButton, m_helpButton, m_closeButton})
        buttons->addWidget(b);
    m_stopButton->setEnabled(false);
    grid->addLayout(buttons, 7, 0, 1, 4);
    m_progress = new QProgressBar;
    m_progress->setObjectName("progress");
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    grid->addWidget(m_progress, 8, 0, 1, 4);

    auto* setup = new QGroupBox("Setup");
    auto* s = new QGridLayout(setup);
    m_port = new QComboBox;
    m_port->setObjectName("port");
    m_port->addItems({"Com1", "Com2", "Com3", "Com4"});
    s->addWidget(new QLabel("Port:"), 0, 0);
    s->addWidget(m_port, 0, 1);
    s->addWidget(new QLabel("Motor Mapping:"), 1, 0);
    for (int k = 0; k < 6; ++k) {
        auto* spin = new MapField;
        spin->setObjectName(QString("column%1").arg(k + 1));
        m_map[size_t(k)] = spin;
        s->addWidget(new QLabel(QString("Column %1").arg(k + 1)), 2 + k / 3, (k % 3) * 2);
        s->addWidget(spin, 2 + k / 3, (k % 3) * 2 + 1);
    }
    s->addWidget(new QLabel("Position Initialization:"), 4, 0, 1, 2);
    m_moveToOrigin = new QRadioButton("Move to origin");
    m_moveToOrigin->setObjectName("moveToOrigin");
    m_fromCurrent = new QRadioButton("Start from current positioin");
    m_fromCurrent->setObjectName("fromCurrent");
    s->addWidget(m_moveToOrigin, 5, 0, 1, 3);
    s->addWidget(m_fromCurrent, 6, 0, 1, 3);
    m_v = new QSpinBox;
    m_a = new QSpinBox;
    m_v->setObjectName("v");
    m_a->setObjectName("a");
    for (QSpinBox* e : {m_v, m_a}) {
        e->setRange(INT_MIN, INT_MAX);
        e->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    s->addWidget(new QLabel("V:"), 5, 3);
    s->addWidget(m_v, 5, 4, 1, 2);
    s->addWidget(new QLabel("A:"), 6, 3);
    s->addWidget(m_a, 6, 4, 1, 2);

    // The setup area is the lower 13/33 of the full height, so that the collapsed dialog (20/33)
    // shows exactly the part above it.
    const int topHeight = top->sizeHint().height();
    const int setupHeight = setup->sizeHint().height() + 12;
    if (setupHeight * 20 < topHeight * 13)
        setup->setMinimumHeight(topHeight * 13 / 20 - 12);
    else
        top->setMinimumHeight(setupHeight * 20 / 13);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(top);
    column->addWidget(setup);

    connect(m_browse, &QPushButton::clicked, this, &CSynmoveDlg::OnBrowse);
    connect(m_runButton, &QPushButton::clicked, this, &CSynmoveDlg::OnRun);
    connect(m_stopButton, &QPushButton::clicked, this, &CSynmoveDlg::OnStop);
    connect(m_editButton, &QPushButton::clicked, this, &CSynmoveDlg::OnEdit);
    connect(m_setupButton, &QPushButton::clicked, this, &CSynmoveDlg::OnSetup);
    connect(m_helpButton, &QPushButton::clicked, this, &CSynmoveDlg::OnHelp);
    connect(m_closeButton, &QPushButton::clicked, this, &CSynmoveDlg::OnOK);
    // The window manager's menu cannot be extended here: "About" is on the dialog's own menu.
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* about = new QAction(QStringLiteral("&About Synmove..."), this);
    about->setObjectName(QStringLiteral("16"));
    connect(about, &QAction::triggered, this, &CSynmoveDlg::OnAbout);
    addAction(about);
    connect(m_moveToOrigin, &QRadioButton::toggled, this, [this](bool on) {
        m_v->setEnabled(on);
        m_a->setEnabled(on);
    });
}

void CSynmoveDlg::LoadSettings()
{
    const SetupValues v = LoadSetup(m_profile);
    (v.MoveToOrigin() ? m_moveToOrigin : m_fromCurrent)->setChecked(true);
    m_port->setCurrentIndex(v.portIndex >= 0 && v.portIndex < m_port->count() ? v.portIndex : 0);
    m_v->setValue(v.v);
    m_a->setValue(v.a);
    for (int k = 0; k < 6; ++k)
        m_map[size_t(k)]->setValue(v.map[size_t(k)]);
    m_v->setEnabled(v.MoveToOrigin());
    m_a->setEnabled(v.MoveToOrigin());
}

SetupValues CSynmoveDlg::Settings() const
{
    SetupValues v;
    v.piOrigin = m_moveToOrigin->isChecked() ? 1 : 0;
    v.portIndex = m_port->currentIndex();
    v.v = m_v->value();
    v.a = m_a->value();
    for (int k = 0; k < 6; ++k)
        v.map[size_t(k)] = m_map[size_t(k)]->value();
    return v;
}

void CSynmoveDlg::SaveSettings()
{
    if (!SaveSetup(m_profile, Settings()))
        showError("Error!", "The settings could not be saved.");
}

void CSynmoveDlg::OnBrowse()
{
    const QString path = chooseFile();
    if (path.isEmpty())
        return;
    m_path = path;
    m_fileName->setText(path);
    m_run.ForgetMotorsUsed();
}

void CSynmoveDlg::OnRun()
{
    if (m_path.isEmpty() || m_run.Running())
        return;
    try {
        ReadMotionFile(m_path.toStdString(), m_table);
        const SetupValues values = Settings();
        ValidateMotion(values.map, m_table);
        RunSettings run;
        run.port = m_port->currentText().toStdString();
        run.origin = values.MoveToOrigin() ? OriginMode::MoveToOrigin : OriginMode::StartFromCurrent;
        run.v = values.v;
        run.a = values.a;
        run.map = values.map;
        m_run.RunMotion(m_table, run, *this);
        UpdateButtons();
    } catch (const CSynmoveException& e) {
        m_table.Clear();
        if (!e.Silent())
            showError("Error", QString::fromStdString(e.Text()));
    }
}

void CSynmoveDlg::OnStop()
{
    m_run.RequestStop();
}

void CSynmoveDlg::OnEdit()
{
    if (!m_path.isEmpty())
        openInEditor(m_path);
}

void CSynmoveDlg::OnHelp()
{
    // Synmove's pages of the suite's user guide in the program folder.
    const QString page = QString::fromStdString(
        platform::JoinPath(platform::JoinPath(platform::AppFolder(), "help"), "Synmove/index.htm"));
    if (!QFileInfo(page).isFile() || !openHelp || !openHelp(page))
        showError("Error!", "Cannot run Help!");
}

void CSynmoveDlg::OnAbout()
{
    QDialog box(this);
    box.setObjectName(QStringLiteral("100"));
    box.setWindowTitle(QStringLiteral("About Synmove"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    auto* text = new QLabel(QStringLiteral("Synmove Version 1.101"), &box);
    text->setObjectName(QStringLiteral("version"));
    auto* ok = new QPushButton(QStringLiteral("OK"), &box);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    box.exec();
}

bool CSynmoveDlg::Animating() const
{
    return m_animation->isActive();
}

void CSynmoveDlg::Animate(std::vector<int> heights, int intervalMs)
{
    m_steps = std::move(heights);
    m_animation->start(intervalMs);
}

void CSynmoveDlg::OnSetup()
{
    m_expanded = !m_expanded;
    m_setupButton->setChecked(m_expanded);
    Animate(SetupHeights(m_fullHeight, m_expanded), m_expanded ? 50 : 30);
}

void CSynmoveDlg::UpdateButtons()
{
    const bool running = m_run.Running();
    if (running && m_expanded)
        OnSetup();
    m_stopButton->setEnabled(running);
    for (QWidget* w : std::initializer_list<QWidget*>{m_fileName, m_browse, m_runButton, m_editButton, m_setupButton,
                                                      m_helpButton, m_closeButton})
        w->setEnabled(!running);
}

void CSynmoveDlg::ShowProgress()
{
    if (m_run.Running())
        Display();
}

void CSynmoveDlg::Display()
{
    const auto view = ComputeProgress(m_table, m_run);
    if (!view)
        return;
    m_currentRecord->setText(QString::fromStdString(view->record));
    m_currentTime->setText(QString::fromStdString(view->time));
    if (view->timeDelta)
        m_timeDelta->setText(QString::fromStdString(*view->timeDelta));
    m_positions->setPlainText(QString::fromStdString(view->positions));
    m_progress->setValue(view->bar);
}

bool CSynmoveDlg::Guard()
{
    if (!m_run.Running())
        return true;
    showError("Error!", "You must stop the motors before closing this application!");
    return false;
}

void CSynmoveDlg::CloseWithSettings()
{
    SaveSettings();
    vqxclient::SuiteBroadcast::Post("VQXResumeMsg");
    done(QDialog::Accepted);
}

void CSynmoveDlg::OnOK()
{
    if (Guard())
        CloseWithSettings();
}

void CSynmoveDlg::reject()
{
    // Escape: no settings saved, no resume message.
    if (Guard())
        QDialog::reject();
}

void CSynmoveDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (Guard())
        CloseWithSettings();
}

// ---- from the worker: queued onto this dialog's thread ----

bool CSynmoveDlg::AskYesNo(const std::string& text)
{
    bool yes = false;
    QMetaObject::invokeMethod(this, [&] { yes = askYesNo(QString::fromStdString(text)); }, Qt::BlockingQueuedConnection);
    return yes;
}

void CSynmoveDlg::ShowError(const std::string& title, const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, t = QString::fromStdString(title), x = QString::fromStdString(text)] { showError(t, x); },
        Qt::QueuedConnection);
}

void CSynmoveDlg::ShowTotals(int32_t records, double seconds, int32_t motors)
{
    QMetaObject::invokeMethod(
        this,
        [this, records, seconds, motors] {
            m_totalRecords->setText(QString::number(records));
            m_totalTime->setText(QString::asprintf("%.3f", seconds));
            m_motors->setText(QString::number(motors));
        },
        Qt::QueuedConnection);
}

void CSynmoveDlg::Log(const std::string& line)
{
    std::fprintf(stderr, "synmove: %s\n", line.c_str());
}

void CSynmoveDlg::RunEnded()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            // The progress once more, then the buttons; the table is released for the next run.
            m_run.Finish();
            Display();
            UpdateButtons();
            m_table.Clear();
        },
        Qt::QueuedConnection);
}

} // namespace synmove
