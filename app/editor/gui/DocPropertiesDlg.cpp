#include "app/editor/gui/DocPropertiesDlg.h"

#include "app/framework/gui/Text8.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include <pwd.h>
#include <unistd.h>

CDocPropertiesDlg::CDocPropertiesDlg(QWidget* parent, const editor::SourceProperties& p) : QDialog(parent)
{
    setObjectName(QStringLiteral("196"));
    setWindowTitle(QStringLiteral("VQX File Properties"));
    auto make = [this](const char* id, const std::string& value) {
        auto* e = new QLineEdit(fw::ToQt(value), this);
        e->setObjectName(QString::fromLatin1(id));
        e->setMinimumWidth(320);
        return e;
    };
    m_project = make("1001", p.project);
    m_version = make("1015", p.version);
    m_author = make("1002", p.author.empty() ? RegisteredOwner() : p.author);
    m_comments = make("1003", p.comments);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Project:"), m_project);
    form->addRow(QStringLiteral("VQX Language Version:"), m_version);
    form->addRow(QStringLiteral("Author:"), m_author);
    form->addRow(QStringLiteral("Comments:"), m_comments);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QLineEdit* CDocPropertiesDlg::Field(int id) const
{
    return findChild<QLineEdit*>(QString::number(id));
}

editor::SourceProperties CDocPropertiesDlg::Properties() const
{
    return {fw::FromQt(m_project->text()), fw::FromQt(m_version->text()),
            fw::FromQt(m_author->text()), fw::FromQt(m_comments->text())};
}

std::string CDocPropertiesDlg::RegisteredOwner()
{
    const passwd* pw = ::getpwuid(::getuid());
    if (!pw || !pw->pw_gecos)
        return {};
    std::string name = pw->pw_gecos;
    return name.substr(0, name.find(',')); // the full name is the first field
}
