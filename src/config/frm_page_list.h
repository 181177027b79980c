#pragma once

#include "config/model/config_form.h"

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace glasspane {

struct ExpansionContext;

// The page list as plain text, one address a line: for editing (PageListMode::Edit), where OK
// makes the lines the working page list (a line whose address was there before keeps that
// page's time, variable and flags), or for reading the list as the show expands it
// (PageListMode::Display). Enter starts a new line; the dialog can be resized.
class frmPageList final : public QDialog
{
    Q_OBJECT

public:
    frmPageList(int mode, WorkingLists& lists, qint32 defaultTime,
                const ExpansionContext& expansion, QWidget* parent = nullptr);

    int mode() const { return m_mode; }
    void cmdOK_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Activate();

    const int m_mode;
    WorkingLists& m_lists;
    const qint32 m_defaultTime;
    const ExpansionContext& m_expansion;

    QGroupBox* m_frmText = nullptr;
    QPlainTextEdit* m_txtList = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace glasspane
