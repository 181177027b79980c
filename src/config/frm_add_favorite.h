#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace glasspane {

// Add to favorites: the title of the shortcut and the folder of the favourites it goes into.
class frmAddFavorite final : public QDialog
{
    Q_OBJECT

public:
    // folders: the subfolders of the favourites folder, relative to it.
    frmAddFavorite(const QString& title, const QStringList& folders, QWidget* parent = nullptr);

    QString title() const;
    // The chosen subfolder, "" for the favourites folder itself.
    QString folder() const;

private:
    QLineEdit* m_txtTitle;
    QComboBox* m_cboFolder;
};

} // namespace glasspane
