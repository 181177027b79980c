#pragma once

#include "browser/frm_tool_run.h"

#include <QStringList>

class QComboBox;
class QPushButton;

namespace glasspane {

// The navigation tool bar: picture buttons btnToolNav0..btnToolNav10, the address box txtURL
// (an editable combo box whose list holds the typed addresses) and cmdDefault, the window's
// default button, which never keeps the focus.
class frmToolNav : public ToolBarWindow
{
    Q_OBJECT

public:
    frmToolNav();

    QComboBox* txtURL() const { return m_txtURL; }
    QPushButton* cmdDefault() const { return m_cmdDefault; }

    // Replaces the list of the address box by the addresses, in order; the text in the box
    // stays.
    void FillAddressList(const QStringList& list);

Q_SIGNALS:
    // Enter in the address box, with its text.
    void urlEntered(const QString& text);
    // The default button was clicked, with the text of the address box.
    void defaultClicked(const QString& text);
    // An entry was chosen in the list, or the default button got the focus: the keyboard
    // focus goes back to the page.
    void focusToBrowser();
    // The window was resized (by the user or the window system).
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_txtURL;
    QPushButton* m_cmdDefault;
};

} // namespace glasspane
