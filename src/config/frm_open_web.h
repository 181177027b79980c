#pragma once

#include <QDialog>

class QLineEdit;

namespace glasspane {

class ModalRunner;

// File > Open from the web: asks for the address of a document. OK with an empty location is
// refused; location() is the trimmed text after OK, "" otherwise.
class frmOpenWeb final : public QDialog
{
    Q_OBJECT

public:
    // current: the address of the current document when it came from the web, else "".
    frmOpenWeb(const QString& current, ModalRunner& runner, QWidget* parent = nullptr);

    QString location() const { return m_location; }
    void cmdOK_Click();

private:
    ModalRunner& m_runner;
    QLineEdit* m_txtLoc = nullptr;
    QString m_location;
};

} // namespace glasspane
