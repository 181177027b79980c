#pragma once

#include <QDialog>

class QWebEngineView;

namespace glasspane {

// The help pages while the configuration dialog is up: a window of their own over the dialog,
// where they can be read (the show's window stands behind the dialog). Escape or Close closes
// it and gives the keyboard back to the dialog, also where no window manager would.
class HelpWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* dialog);

    // Shows the page (an address or a local path) in front, with the keyboard.
    void showPage(const QString& address);
    // The address shown ("" before the first page).
    QString address() const;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QWebEngineView* m_view = nullptr;
};

} // namespace glasspane
