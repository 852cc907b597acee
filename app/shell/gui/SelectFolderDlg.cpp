#include "app/shell/gui/SelectFolderDlg.h"

#include "core/ui/Questions.h"

#include <QAbstractItemDelegate>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kLoaded = Qt::UserRole + 1;
const QString kDummy = QStringLiteral("Dummy");

bool HasSubFolders(const QString& path)
{
    return !QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name).isEmpty();
}

} // namespace

CSelectFolderDlg::CSelectFolderDlg(QWidget* parent, ui::IQuestions& questions, QString path)
    : QDialog(parent), m_questions(questions), m_path(std::move(path)), m_tree(new QTreeWidget(this)), m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("231"));
    setWindowTitle(QStringLiteral("Select Folder"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_tree->setObjectName(QStringLiteral("1149"));
    m_tree->setHeaderHidden(true);
    m_edit->setObjectName(QStringLiteral("1001"));
    auto* newFolder = new QPushButton(QStringLiteral("New Folder"), this);
    newFolder->setObjectName(QStringLiteral("1264"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1265"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("1266"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newFolder);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    resize(380, 420);

    connect(ok, &QPushButton::clicked, this, &CSelectFolderDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectFolderDlg::reject);
    connect(newFolder, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = NewFolder(QStringLiteral("New Folder")))
            m_tree->editItem(item);
    });
    connect(m_tree, &QTreeWidget::itemExpanded, this, &CSelectFolderDlg::Expand);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            m_edit->setText(PathOf(item));
    });
    // The label edit ended: with a text the folder is made; Escape drops the new item.
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                QTreeWidgetItem* item = m_tree->currentItem();
                if (!item || item->data(0, Qt::UserRole).toString() != QLatin1String("new"))
                    return;
                if (hint == QAbstractItemDelegate::RevertModelCache)
                    delete item;
                else
                    FinishNewFolder(item);
            });
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (item->data(0, Qt::UserRole).toString() == QLatin1String("new"))
            FinishNewFolder(item);
    });

    // The file system's root stands where the drives stood.
    auto* root = new QTreeWidgetItem(m_tree, {QStringLiteral("/")});
    root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    root->addChild(new QTreeWidgetItem({kDummy}));
    root->setExpanded(true);
    if (QTreeWidgetItem* found = Walk(m_path))
        m_tree->setCurrentItem(found);
    m_edit->setText(m_path);
}

QString CSelectFolderDlg::PathOf(QTreeWidgetItem* item) const
{
    QStringList parts;
    for (QTreeWidgetItem* i = item; i && i->parent(); i = i->parent())
        parts.prepend(i->text(0));
    return QStringLiteral("/") + parts.join(QLatin1Char('/'));
}

void CSelectFolderDlg::Expand(QTreeWidgetItem* item)
{
    if (!item->data(0, kLoaded).toBool())
        AddChildren(item);
}

void CSelectFolderDlg::AddChildren(QTreeWidgetItem* item)
{
    item->setData(0, kLoaded, true);
    qDeleteAll(item->takeChildren());
    const QString path = PathOf(item);
    QDir dir(path);
    if (!dir.isReadable()) {
        ui::OptionMessageBox(m_questions, ("Cannot read the folder \"" + path.toStdString() + "\".").c_str(),
                             ui::MB_OK | ui::MB_ICONINFORMATION, "Error", {}, {});
        return;
    }
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto* child = new QTreeWidgetItem(item, {name});
        child->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        if (HasSubFolders(dir.filePath(name)))
            child->addChild(new QTreeWidgetItem({kDummy}));
    }
}

QTreeWidgetItem* CSelectFolderDlg::Walk(const QString& path)
{
    QTreeWidgetItem* item = m_tree->topLevelItem(0);
    Expand(item);
    for (const QString& part : QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == part)
                next = item->child(i);
        if (!next)
            break;
        item = next;
        item->setExpanded(true);
        Expand(item);
    }
    return item;
}

QTreeWidgetItem* CSelectFolderDlg::NewFolder(const QString& name)
{
    QTreeWidgetItem* parent = m_tree->currentItem() ? m_tree->currentItem() : m_tree->topLevelItem(0);
    parent->setExpanded(true);
    Expand(parent);
    QSignalBlocker block(m_tree);
    auto* item = new QTreeWidgetItem(parent, {name});
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, Qt::UserRole, QStringLiteral("new"));
    m_tree->scrollToItem(item);
    m_tree->setCurrentItem(item);
    return item;
}

void CSelectFolderDlg::FinishNewFolder(QTreeWidgetItem* item)
{
    QSignalBlocker block(m_tree);
    item->setData(0, Qt::UserRole, QVariant());
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    const QString name = item->text(0).trimmed();
    const QString parentPath = PathOf(item->parent());
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || !QDir(parentPath).mkdir(name)) {
        ui::OptionMessageBox(m_questions, ("Cannot create the folder \"" + name.toStdString() + "\" in \"" +
                              parentPath.toStdString() + "\".").c_str(),
                             ui::MB_OK | ui::MB_ICONERROR, "Error", {}, {});
        delete item;
        return;
    }
    m_edit->setText(PathOf(item));
}

void CSelectFolderDlg::accept()
{
    m_path = m_edit->text();
    QDialog::accept();
}
