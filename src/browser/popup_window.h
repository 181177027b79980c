#pragma once

#include "browser/kiosk_page.h"

#include <QPoint>
#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

namespace glasspane {

// A plain browser window of the program (objectName "frmPopup") for pages that open new
// windows. Its navigations go through the owner's checks like the main view's. It appears once
// its page has loaded and reached the view, never as an empty white window; until then it
// stands outside the screen, where the engine paints it. It deletes itself when closed.
class PopupWindow final : public QWidget
{
    Q_OBJECT

public:
    PopupWindow(KioskPage::Owner& owner, QWebEngineProfile* profile, bool silent);

    KioskPage* page() const { return m_page; }

    // Refused before it had anything to show, the window never appears.
    void navigationDecided(bool accepted);

private:
    void revealWhenPainted(int waited);

    QWebEngineView* m_view;
    KioskPage* m_page;
    QPoint m_place;
    bool m_revealed = false;
    bool m_refused = false;
};

} // namespace glasspane
