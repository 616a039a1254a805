#include "windows/main/FileArea.h"

#include "ui/Layouts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace korvelan {

QStringList FileArea::drives()
{
    QStringList out;
#ifdef Q_OS_WIN
    for (const QFileInfo& d : QDir::drives())
        out << QDir::toNativeSeparators(d.absolutePath());
#else
    out << QStringLiteral("/");
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        // Pseudo file systems are not places for data files.
        if (v.isValid() && v.isReady() && !out.contains(root) && !root.startsWith("/proc") &&
            !root.startsWith("/sys") && !root.startsWith("/dev") && !root.startsWith("/run"))
            out << root;
    }
#endif
    return out;
}

QString FileArea::rootDrive()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStringLiteral("/");
#endif
}

FileArea::FileArea(QWidget* parent) : QGroupBox(QStringLiteral("FILE"), parent)
{
    setObjectName(QStringLiteral("Registrazione_file"));
    auto* layout = new QVBoxLayout(this);

    m_drive = new QComboBox(this);
    m_drive->setObjectName(QStringLiteral("Drive1"));
    m_drive->setAccessibleName(QStringLiteral("Drive"));
    m_drive->addItems(drives());
    // A long mount point does not widen the window.
    m_drive->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_drive->setMinimumContentsLength(16);
    layout->addWidget(m_drive);

    m_dirModel = new QFileSystemModel(this);
    m_dirModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_dirModel->setRootPath(QString());
    m_dirs = new QTreeView(this);
    m_dirs->setObjectName(QStringLiteral("Dir1"));
    m_dirs->setModel(m_dirModel);
    for (int c = 1; c < m_dirModel->columnCount(); ++c)
        m_dirs->hideColumn(c);
    m_dirs->header()->hide();
    layout->addWidget(layouts::caption(QStringLiteral("Folder"), m_dirs));
    layout->addWidget(m_dirs, 2);

    m_fileModel = new QFileSystemModel(this);
    m_fileModel->setFilter(QDir::Files);
    m_files = new QListView(this);
    m_files->setObjectName(QStringLiteral("File1"));
    layout->addWidget(layouts::caption(QStringLiteral("Files"), m_files));
    m_files->setModel(m_fileModel);
    layout->addWidget(m_files, 2);

    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("Nome_File_Dati"));
    layout->addWidget(layouts::caption(QStringLiteral("Data file"), m_fileName));
    layout->addWidget(m_fileName);

    connect(m_drive, &QComboBox::textActivated, this, &FileArea::Drive1_Change);
    connect(m_dirs, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { setFolder(m_dirModel->filePath(index)); });
    connect(m_files, &QListView::clicked, this,
            [this](const QModelIndex& index) { File1_Click(m_fileModel->fileName(index)); });
    setFolder(QDir::currentPath());
}

void FileArea::setFolder(const QString& path)
{
    const QFileInfo info(path);
    m_folder = QDir::toNativeSeparators(info.isDir() ? info.absoluteFilePath() : rootDrive());
    showFolder();
    emit folderChanged(m_folder);
}

void FileArea::showFolder()
{
    const QModelIndex index = m_dirModel->index(QDir::fromNativeSeparators(m_folder));
    m_dirs->setCurrentIndex(index);
    m_dirs->scrollTo(index);
    m_dirs->expand(index);
    m_files->setRootIndex(m_fileModel->setRootPath(QDir::fromNativeSeparators(m_folder)));
}

void FileArea::Drive1_Change(const QString& drive)
{
    // A drive that is not ready falls back to the system's root drive.
    const QFileInfo info(drive);
    if (info.isDir() && info.isReadable()) {
        setFolder(drive);
        return;
    }
    m_drive->setCurrentText(rootDrive());
    setFolder(rootDrive());
}

void FileArea::File1_Click(const QString& name)
{
    m_fileName->setText(name);
}

} // namespace korvelan
