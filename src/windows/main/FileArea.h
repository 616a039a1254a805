#pragma once

#include <QGroupBox>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListView;
class QTreeView;

namespace korvelan {

// The FILE frame: a drive, a folder in it, the folder's files, and the data file name.
// The folder is where downloads and the closing record are written.
class FileArea : public QGroupBox
{
    Q_OBJECT
public:
    explicit FileArea(QWidget* parent = nullptr);

    [[nodiscard]] QString folder() const { return m_folder; }
    void setFolder(const QString& path);
    [[nodiscard]] QLineEdit* Nome_File_Dati() const { return m_fileName; }
    // The drives offered: drive letters on Windows, the root and mount points elsewhere.
    [[nodiscard]] static QStringList drives();
    [[nodiscard]] static QString rootDrive();

    void Drive1_Change(const QString& drive);
    void File1_Click(const QString& name);

signals:
    void folderChanged(const QString& path);

private:
    void showFolder();

    QComboBox* m_drive = nullptr;
    QTreeView* m_dirs = nullptr;
    QListView* m_files = nullptr;
    QLineEdit* m_fileName = nullptr;
    QFileSystemModel* m_dirModel = nullptr;
    QFileSystemModel* m_fileModel = nullptr;
    QString m_folder;
};

} // namespace korvelan
